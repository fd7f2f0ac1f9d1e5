// The window framework's process state: the module instance and the thread that
// runs the user interface. Initialised once by start-up, shut down after the sheet.
#pragma once
#include <windows.h>

class CWindowModule {
public:
    static void Init(HINSTANCE instance);
    static void Term();
    static HINSTANCE Instance();
    static DWORD MainThreadId();
};
