#include <windows.h>

#include "app/command_line.h"

std::wstring UnicodeArgumentText() { return SkipProgramName(GetCommandLineW()); }
