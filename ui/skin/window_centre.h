// Centring a window: over its reference window when that is shown, else on the
// work area; for the sheet, the splash and the message box alike.
#pragma once
#include <windows.h>

namespace skin {

// Centres `window` over `reference` (nullptr: its owner, or for a child window
// its parent), on the work area when that window is hidden, minimized or missing.
void CentreWindow(HWND window, HWND reference);

}  // namespace skin
