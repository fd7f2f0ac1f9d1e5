// The palette the skinned windows paint with now: the skin's own, or the
// system's colours when high contrast is on. The one question to the system
// (SPI_GETHIGHCONTRAST) sits here; Refresh() asks it again after
// WM_SETTINGCHANGE / WM_SYSCOLORCHANGE.
#pragma once
#include <windows.h>

#include "ui/skin/skin_colours.h"

namespace skin {

// Whether the system asks for high contrast. Wine never reports it on, so the
// environment variable ORVANE_TEST_HIGH_CONTRAST=1 (read here and nowhere else)
// stands in for the system's answer in the tests.
bool SystemHighContrast();

// The palette for the current setting, read once and kept until Refresh().
const Palette& CurrentPalette();
// Asks the system again; true when the palette changed.
bool RefreshPalette();

inline COLORREF Ref(Rgb c) { return RGB(c.r, c.g, c.b); }
// A solid brush of the colour, kept until the palette changes.
HBRUSH PaletteBrush(Rgb c);

// In high contrast the system's controls inside `window` (edits, lists, radio
// buttons, group boxes...) draw in the classic way, with the system colours, as
// they do under the system's own high-contrast look; otherwise with their visual
// style. Call when a window's controls exist and after the palette changed.
void FollowPalette(HWND window);

// Fills `r` with the colour.
void FillColour(HDC dc, const RECT& r, Rgb c);

}  // namespace skin
