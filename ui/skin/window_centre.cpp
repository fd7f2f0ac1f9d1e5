#include "ui/skin/window_centre.h"

#include "ui/skin/skin_gdi.h"

namespace skin {

void CentreWindow(HWND window, HWND reference) {
    const bool child = (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0;
    if (!reference) reference = child ? GetParent(window) : GetWindow(window, GW_OWNER);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT wr;
    GetWindowRect(window, &wr);
    Rect area = FromRECT(work);
    Rect ref{};
    const Rect* refPtr = nullptr;
    if (child) {
        // Inside the parent's client area, in its coordinates.
        HWND parent = GetParent(window);
        RECT pc;
        GetClientRect(parent, &pc);
        area = FromRECT(pc);
        if (reference && reference != parent) {
            RECT rr;
            GetWindowRect(reference, &rr);
            MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rr), 2);
            ref = FromRECT(rr);
            refPtr = &ref;
        }
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&wr), 2);
    } else if (reference && IsWindowVisible(reference) && !IsIconic(reference)) {
        RECT rr;
        GetWindowRect(reference, &rr);
        ref = FromRECT(rr);
        refPtr = &ref;
    }
    const Point p = CentreInWorkArea(wr.right - wr.left, wr.bottom - wr.top, refPtr, area);
    SetWindowPos(window, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace skin
