#include <windows.h>

// Until the skinned message box is installed: the system's own.
void ShowSystemJobMessage(int, const char* title, const char* text) {
    MessageBoxA(GetActiveWindow(), text, title, MB_OK | MB_ICONHAND);
}
