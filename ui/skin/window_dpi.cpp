#include "ui/skin/window_dpi.h"

namespace skin {

int WindowDpi(HWND hwnd) {
    using Fn = UINT(WINAPI*)(HWND);
    static const Fn forWindow = [] {
        HMODULE user = GetModuleHandleA("user32.dll");
        return user ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")))
                    : nullptr;
    }();
    if (forWindow && hwnd) {
        if (const UINT dpi = forWindow(hwnd)) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

}  // namespace skin
