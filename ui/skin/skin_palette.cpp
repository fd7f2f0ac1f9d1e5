#include "ui/skin/skin_palette.h"

#include <uxtheme.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <tuple>

namespace skin {
namespace {

Rgb FromRef(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }

SystemColours ReadSystemColours() {
    SystemColours s;
    s.window = FromRef(GetSysColor(COLOR_WINDOW));
    s.windowText = FromRef(GetSysColor(COLOR_WINDOWTEXT));
    s.buttonFace = FromRef(GetSysColor(COLOR_BTNFACE));
    s.buttonText = FromRef(GetSysColor(COLOR_BTNTEXT));
    s.highlight = FromRef(GetSysColor(COLOR_HIGHLIGHT));
    s.highlightText = FromRef(GetSysColor(COLOR_HIGHLIGHTTEXT));
    s.grayText = FromRef(GetSysColor(COLOR_GRAYTEXT));
    return s;
}

struct State {
    bool read = false;
    Palette palette;
    std::map<std::tuple<int, int, int>, HBRUSH> brushes;
};

State& Current() {
    static State state;
    return state;
}

void FreeBrushes(State& s) {
    for (auto& b : s.brushes) DeleteObject(b.second);
    s.brushes.clear();
}

}  // namespace

bool SystemHighContrast() {
    const char* test = std::getenv("ORVANE_TEST_HIGH_CONTRAST");
    if (test && *test) return std::strcmp(test, "1") == 0;
    HIGHCONTRASTW hc{};
    hc.cbSize = sizeof hc;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
}

const Palette& CurrentPalette() {
    State& s = Current();
    if (!s.read) {
        s.palette = ChoosePalette(SystemHighContrast(), ReadSystemColours());
        s.read = true;
    }
    return s.palette;
}

bool RefreshPalette() {
    State& s = Current();
    const Palette before = CurrentPalette();
    s.read = false;
    const Palette& now = CurrentPalette();
    // The colours are ints side by side after the flag: no padding among them.
    const std::size_t colours = sizeof(Palette) - offsetof(Palette, dialog);
    const bool changed = before.bitmaps != now.bitmaps || std::memcmp(&before.dialog, &now.dialog, colours) != 0;
    if (changed) FreeBrushes(s);
    return changed;
}

HBRUSH PaletteBrush(Rgb c) {
    State& s = Current();
    const auto key = std::make_tuple(c.r, c.g, c.b);
    auto it = s.brushes.find(key);
    if (it != s.brushes.end()) return it->second;
    HBRUSH brush = CreateSolidBrush(Ref(c));
    s.brushes[key] = brush;
    return brush;
}

// A theme class list that names no class leaves the control unthemed (a blank,
// since an empty one is ignored by some implementations); none restores its visual style.
static BOOL CALLBACK ThemeChild(HWND child, LPARAM flatNow) {
    if (flatNow) SetWindowTheme(child, L" ", L" ");
    else SetWindowTheme(child, nullptr, nullptr);
    return TRUE;
}

void FollowPalette(HWND window) {
    EnumChildWindows(window, ThemeChild, !CurrentPalette().bitmaps);
}

void FillColour(HDC dc, const RECT& r, Rgb c) { FillRect(dc, &r, PaletteBrush(c)); }

}  // namespace skin
