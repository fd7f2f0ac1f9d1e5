// The DPI a window is shown at, and 96-DPI lengths scaled by it.
#pragma once
#include <windows.h>

#include "ui/skin/dpi_scale.h"

namespace skin {

// GetDpiForWindow where the system has it (looked up at run time), else the
// screen's LOGPIXELSX; 96 when neither answers.
int WindowDpi(HWND hwnd);

// A 96-DPI length at the window's DPI.
inline int DpiPx(HWND hwnd, int value96) { return ScaleToDpi(value96, WindowDpi(hwnd)); }

}  // namespace skin
