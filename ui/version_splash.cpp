#include "ui/version_splash.h"

#include "base/localized_text.h"
#include "ui/skin/skin_gdi.h"
#include "ui/skin/window_centre.h"
#include "ui/skin/window_dpi.h"
#include "ui/window_module.h"

namespace {
const char kClassName[] = "OrvaneVersionSplash";
}

HWND CVersionSplash::s_hwnd = nullptr;

CVersionSplash::CVersionSplash(HBITMAP bitmap, UINT durationMs, HWND reference, const char* text)
    : m_bitmap(bitmap), m_duration(durationMs), m_reference(reference), m_text(text ? text : "") {
    m_size = skin::BitmapSize(bitmap);
    m_dpi = skin::WindowDpi(reference);
}

CVersionSplash::~CVersionSplash() {
    if (m_bitmap) DeleteObject(m_bitmap);
}

void CVersionSplash::Show(int bitmapId, UINT durationMs, HWND reference, const char* text) {
    HBITMAP bitmap = skin::LoadSkinBitmap(bitmapId, skin::WindowDpi(reference));
    const SIZE size = skin::BitmapSize(bitmap);
    if (!bitmap || size.cx <= 0) {
        if (bitmap) DeleteObject(bitmap);
        return;
    }
    HINSTANCE instance = CWindowModule::Instance();
    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);  // fails harmlessly when already registered
    auto* self = new CVersionSplash(bitmap, durationMs, reference, text);
    HWND hwnd = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kClassName, "", WS_POPUP | WS_VISIBLE, 0, 0,
                                size.cx, size.cy, nullptr, nullptr, instance, self);
    if (!hwnd) {
        delete self;
        return;
    }
    s_hwnd = hwnd;
    UpdateWindow(hwnd);
    // The caller sleeps next; what is drawn must reach the screen before that.
    GdiFlush();
}

void CVersionSplash::BringToFront() {
    // Once the sheet has been shown and activated.
    if (s_hwnd) PostMessageA(s_hwnd, kMsgRaise, 0, 0);
}

LRESULT CALLBACK CVersionSplash::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
        SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<CVersionSplash*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    switch (msg) {
    case WM_CREATE:
        skin::CentreWindow(hwnd, self->m_reference);
        SetTimer(hwnd, kTimerId, self->m_duration, nullptr);
        return 0;
    case kMsgRaise:
        // The window system may finish stacking the activated sheet a little
        // later: put the splash back in front a few times over a short while.
        self->m_raises = 0;
        SetTimer(hwnd, kRaiseTimerId, 100, nullptr);
        Raise(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        self->Paint(hwnd);
        return 0;
    case WM_TIMER:
        if (wp == kRaiseTimerId) {
            if (++self->m_raises >= 5) KillTimer(hwnd, kRaiseTimerId);
            Raise(hwnd);
            return 0;
        }
        if (wp == kTimerId) {
            KillTimer(hwnd, kTimerId);
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
        }
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_ESCAPE) PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_NCDESTROY:
        if (s_hwnd == hwnd) s_hwnd = nullptr;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        delete self;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void CVersionSplash::Raise(HWND hwnd) {
    // Already first in the z-order, a plain HWND_TOPMOST would change nothing; a
    // window system that stacked another window above it needs the change.
    const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, flags);
}

void CVersionSplash::Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, m_bitmap);
    BitBlt(dc, 0, 0, m_size.cx, m_size.cy, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);

    SetBkMode(dc, TRANSPARENT);
    const int W = m_size.cx, H = m_size.cy;
    auto px = [this](int value96) { return skin::SkinPx(value96, m_dpi); };
    TextOutA(dc, W / 2 + px(70), H / 2 + px(110), m_text.c_str(), static_cast<int>(m_text.size()));
    HFONT font = CreateFontA(px(30), 0, 0, 0, 700, FALSE, FALSE, FALSE, static_cast<DWORD>(gnCharSet), 0, 0,
                             DEFAULT_QUALITY, VARIABLE_PITCH, "Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    char title[kTextSize];
    GetLocalizedString("UI_SHEET", "IDL_TITLE", "Orvane", title, sizeof title);
    TextOutA(dc, W / 2 - px(140), H / 2 - px(30), title, lstrlenA(title));
    SelectObject(dc, oldFont);
    DeleteObject(font);
    EndPaint(hwnd, &ps);
}
