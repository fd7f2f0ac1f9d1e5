#include "ui/skin/skin_gdi.h"

#include "base/debug_log.h"
#include "ui/skin/skin_palette.h"
#include "ui/skin/window_dpi.h"

namespace skin {
namespace {

constexpr UINT_PTR kSubclassId = 0x5350;  // one subclass of ours per control

// A memory device context holding one bitmap; restores and frees on scope exit.
class MemoryDc {
public:
    MemoryDc(HDC like, HBITMAP bitmap) : m_dc(CreateCompatibleDC(like)) {
        if (m_dc) {
            SetDcLayout(m_dc, 0);
            m_old = SelectObject(m_dc, bitmap);
        }
    }
    ~MemoryDc() {
        if (m_dc) {
            SelectObject(m_dc, m_old);
            DeleteDC(m_dc);
        }
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return m_dc; }
private:
    HDC m_dc;
    HGDIOBJ m_old = nullptr;
};

// Block copies keep bitmaps the right way round in a mirrored target.
DWORD CopyFlags(HDC target) {
    return (GetDcLayout(target) & LAYOUT_RTL) ? (SRCCOPY | NOMIRRORBITMAP) : SRCCOPY;
}

}  // namespace

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP bm{};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm)) return {0, 0};
    return {bm.bmWidth, bm.bmHeight};
}

// Looked up once: finding a module or an export takes the loader lock, which another
// thread unloading a DLL (the spooler's print processor at ClosePrinter) holds for a while,
// and painting must not wait for that.
template <typename Fn>
Fn Gdi32Export(const char* name) {
    HMODULE gdi = GetModuleHandleA("GDI32.DLL");
    return gdi ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(gdi, name))) : nullptr;
}

DWORD SetDcLayout(HDC dc, DWORD layout) {
    static const auto fn = Gdi32Export<DWORD(WINAPI*)(HDC, DWORD)>("SetLayout");
    return fn ? fn(dc, layout) : GDI_ERROR;
}

DWORD GetDcLayout(HDC dc) {
    static const auto fn = Gdi32Export<DWORD(WINAPI*)(HDC)>("GetLayout");
    return fn ? fn(dc) : 0;
}

void DrawTiled(HBITMAP bitmap, HDC target, const RECT& rect, int corner, const RECT* clip, TileCentre centre) {
    if (!bitmap) return;
    const SIZE size = BitmapSize(bitmap);
    MemoryDc source(target, bitmap);
    if (!source.get()) return;
    const Rect clipRect = clip ? FromRECT(*clip) : Rect{};
    const DWORD flags = CopyFlags(target);
    if (centre == TileCentre::kStretched) SetStretchBltMode(target, COLORONCOLOR);
    for (const TileStep& s :
         PlanTiles(size.cx, size.cy, FromRECT(rect), corner, clip ? &clipRect : nullptr, centre)) {
        if (s.bStretch)
            StretchBlt(target, s.dst.left, s.dst.top, s.dst.Width(), s.dst.Height(), source.get(), s.src.left,
                       s.src.top, s.src.Width(), s.src.Height(), flags);
        else
            BitBlt(target, s.dst.left, s.dst.top, s.dst.Width(), s.dst.Height(), source.get(), s.src.left, s.src.top,
                   flags);
    }
}

void TransparentCopy(HBITMAP sourceBitmap, int srcX, int srcY, int w, int h, HDC target, int dstX, int dstY) {
    if (!sourceBitmap || w <= 0 || h <= 0) return;
    MemoryDc source(target, sourceBitmap);
    if (!source.get()) return;
    const COLORREF key = GetPixel(source.get(), srcX, srcY);
    const DWORD flags = (GetDcLayout(target) & LAYOUT_RTL) ? NOMIRRORBITMAP : 0;

    // Piece copy (so the source bitmap stays untouched) and its one-bit mask.
    GdiObject<HBITMAP> piece(CreateCompatibleBitmap(target, w, h));
    GdiObject<HBITMAP> mask(CreateBitmap(w, h, 1, 1, nullptr));
    MemoryDc pieceDc(target, piece.get());
    MemoryDc maskDc(target, mask.get());
    BitBlt(pieceDc.get(), 0, 0, w, h, source.get(), srcX, srcY, SRCCOPY);
    SetBkColor(pieceDc.get(), key);
    BitBlt(maskDc.get(), 0, 0, w, h, pieceDc.get(), 0, 0, SRCCOPY);      // key -> 1
    // Key pixels of the piece become black, so ORing them changes nothing.
    SetBkColor(pieceDc.get(), RGB(0, 0, 0));
    SetTextColor(pieceDc.get(), RGB(255, 255, 255));
    BitBlt(pieceDc.get(), 0, 0, w, h, maskDc.get(), 0, 0, SRCAND);
    const COLORREF oldBk = SetBkColor(target, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(target, RGB(0, 0, 0));
    BitBlt(target, dstX, dstY, w, h, maskDc.get(), 0, 0, SRCAND | flags);   // keep target under key
    BitBlt(target, dstX, dstY, w, h, pieceDc.get(), 0, 0, SRCPAINT | flags);
    SetBkColor(target, oldBk);
    SetTextColor(target, oldText);
}

// ---- Background layer ----

CSkinBackground::CSkinBackground() : m_staticBrush(CreateSolidBrush(RGB(238, 238, 238))) {}

bool CSkinBackground::HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM, LRESULT* result) {
    switch (msg) {
    case WM_ERASEBKGND: {
        const int dpi = WindowDpi(hwnd);
        RECT client, update;
        GetClientRect(hwnd, &client);
        if (!CurrentPalette().bitmaps) {
            FillColour(reinterpret_cast<HDC>(wp), client, CurrentPalette().dialog);
            *result = 1;
            return true;
        }
        GdiObject<HBITMAP> bitmap(LoadSkinBitmap(m_bitmapId, dpi));
        const bool hasUpdate = GetUpdateRect(hwnd, &update, FALSE) && !IsRectEmpty(&update);
        DrawTiled(bitmap.get(), reinterpret_cast<HDC>(wp), client, SkinPx(m_corner, dpi), hasUpdate ? &update : nullptr);
        *result = 1;
        return true;
    }
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
        if (!CurrentPalette().bitmaps) {
            SetTextColor(reinterpret_cast<HDC>(wp), Ref(CurrentPalette().dialogText));
            *result = reinterpret_cast<LRESULT>(PaletteBrush(CurrentPalette().dialog));
            return true;
        }
        *result = reinterpret_cast<LRESULT>(m_staticBrush.get());
        return true;
    default:
        return false;
    }
}

// ---- Skinned push button ----

CSkinButton::CSkinButton(int stripId, int corner, int iconId)
    : m_stripId(stripId), m_corner(corner), m_iconId(iconId) {}

CSkinButton::~CSkinButton() {
    if (m_hwnd) RemoveWindowSubclass(m_hwnd, Proc, kSubclassId);
    if (m_tooltip) DestroyWindow(m_tooltip);
    if (m_images && !(m_extStyle & kSharedImageList)) ImageList_Destroy(m_images);
}

bool CSkinButton::Attach(HWND button) {
    if (!button || m_hwnd) return false;
    if (!SetWindowSubclass(button, Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    m_hwnd = button;
    LONG style = GetWindowLongA(button, GWL_STYLE);
    SetWindowLongA(button, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
    if (!m_tooltipText.empty()) {
        m_tooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, button, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
        if (m_tooltip) {
            SendMessageA(m_tooltip, TTM_ACTIVATE, TRUE, 0);
            TOOLINFOA ti{};
            ti.cbSize = TTTOOLINFOA_V1_SIZE;
            ti.uFlags = TTF_IDISHWND;
            ti.hwnd = button;
            ti.uId = reinterpret_cast<UINT_PTR>(button);
            ti.lpszText = const_cast<char*>(m_tooltipText.c_str());
            SendMessageA(m_tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        }
    }
    GdiObject<HBITMAP> strip(LoadSkinBitmap(m_stripId));
    const SIZE size = BitmapSize(strip.get());
    m_cellW = size.cx / 3;
    m_cellH = size.cy;
    if (m_cellW > 0) {
        m_images = ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_stripId), m_cellW, 0,
                                        CLR_NONE, IMAGE_BITMAP, LR_CREATEDIBSECTION);
        if (m_extStyle & kSizeToImage)
            SetWindowPos(button, nullptr, 0, 0, m_cellW, m_cellH, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_indices = {0, 2, 1, -1};
    Redraw();
    return true;
}

void CSkinButton::SetChecked(bool checked) {
    m_checked = checked;
    if (m_hwnd) Redraw();
}

void CSkinButton::Click() {
    HWND parent = GetParent(m_hwnd);
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(m_hwnd), BN_CLICKED),
                 reinterpret_cast<LPARAM>(m_hwnd));
}

LRESULT CALLBACK CSkinButton::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    return reinterpret_cast<CSkinButton*>(ref)->OnMessage(hwnd, msg, wp, lp);
}

LRESULT CSkinButton::OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (m_tooltip && msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) {
        MSG m{hwnd, msg, wp, lp, 0, {}};
        SendMessageA(m_tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
    }
    switch (msg) {
    case WM_MOUSEMOVE:
        if (GetCapture() != hwnd) {
            if (!m_mouseOver) {
                m_mouseOver = true;
                Redraw();
                TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd, 0};
                TrackMouseEvent(&tme);
            }
        } else {
            RECT wr;
            GetWindowRect(hwnd, &wr);
            POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            ClientToScreen(hwnd, &pt);
            const bool inside = PtInRect(&wr, pt) != FALSE;
            if (inside != m_pressed) {
                m_pressed = inside;
                Redraw();
            }
        }
        return 0;
    case WM_MOUSELEAVE:
        m_mouseOver = false;
        Redraw();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetCapture(hwnd);
        if (GetFocus() != hwnd) SetFocus(hwnd);
        m_pressed = true;
        Redraw();
        if (m_extStyle & kAutoRepeat) {
            int delay = 0;
            SetTimer(hwnd, 1000, SystemParametersInfoA(SPI_GETKEYBOARDDELAY, 0, &delay, 0) ? (delay + 1) * 250 : 250,
                     nullptr);
        }
        return 0;
    case WM_TIMER:
        if (wp == 1000 || wp == 1001) {
            KillTimer(hwnd, wp);
            if (GetCapture() != hwnd) return 0;
            if (m_pressed) Click();
            DWORD speed = 0;
            SetTimer(hwnd, 1001,
                     SystemParametersInfoA(SPI_GETKEYBOARDSPEED, 0, &speed, 0) ? 10000 / (speed * 10 + 25) : 250,
                     nullptr);
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (GetCapture() == hwnd) {
            const bool click = m_pressed;
            ReleaseCapture();  // WM_CAPTURECHANGED clears the pressed look
            if (click) Click();
        }
        return 0;
    case WM_CAPTURECHANGED:
        KillTimer(hwnd, 1000);
        KillTimer(hwnd, 1001);
        if (m_pressed) {
            m_pressed = false;
            Redraw();
        }
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        if (wp == VK_SPACE && (m_extStyle & kHover)) return 0;
        break;
    case WM_SETFOCUS:
        m_focus = true;
        Redraw();
        break;
    case WM_KILLFOCUS:
        m_focus = false;
        Redraw();
        break;
    case WM_ENABLE:
        Redraw();
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETTEXT: {
        LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
        Redraw();
        return r;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        Paint(dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, Proc, kSubclassId);
        m_hwnd = nullptr;
        if (m_tooltip) {
            DestroyWindow(m_tooltip);
            m_tooltip = nullptr;
        }
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void CSkinButton::Paint(HDC dc) {
    RECT client;
    GetClientRect(m_hwnd, &client);
    if (!CurrentPalette().bitmaps) {
        PaintFlat(dc, client);
        return;
    }
    if (m_corner == 0) {
        // Plain bitmap button from the image list.
        int index = m_indices.normal;
        const bool enabled = IsWindowEnabled(m_hwnd) != FALSE;
        if (!enabled) index = m_indices.disabled;
        else if (m_pressed) index = m_indices.pushed;
        else if ((m_extStyle & kHover) ? m_mouseOver : m_focus) index = m_indices.focusOrHover;
        if (index < 0) index = m_indices.normal;
        int offset = (m_pressed && m_indices.pushed < 0 && (m_extStyle & (kBorder3d | kBorder3dDouble))) ? 1 : 0;
        if (m_images && index >= 0) ImageList_Draw(m_images, index, dc, offset, offset, ILD_NORMAL);
        if (m_extStyle & (kBorder3d | kBorder3dDouble)) {
            const UINT edge = m_pressed ? ((m_extStyle & kBorder3d) ? BDR_SUNKENOUTER : EDGE_SUNKEN)
                                        : ((m_extStyle & kBorder3d) ? BDR_RAISEDINNER : EDGE_RAISED);
            DrawEdge(dc, &client, edge, BF_RECT);
        }
        if (!(m_extStyle & kHover) && m_focus) {
            RECT focus = client;
            InflateRect(&focus, -2 * GetSystemMetrics(SM_CXEDGE), -2 * GetSystemMetrics(SM_CYEDGE));
            DrawFocusRect(dc, &focus);
        }
        return;
    }

    const int cell = SkinButtonCell(m_indices, m_pressed, m_checked, m_mouseOver, m_focus);
    const int dpi = WindowDpi(m_hwnd);
    GdiObject<HBITMAP> strip(LoadSkinBitmap(m_stripId, dpi));
    if (!strip) return;
    const SIZE stripSize = BitmapSize(strip.get());
    const int cellW = stripSize.cx / 3, cellH = stripSize.cy, corner = SkinPx(m_corner, dpi);
    GdiObject<HBITMAP> face(CreateCompatibleBitmap(dc, cellW, cellH));
    COLORREF sample = RGB(255, 255, 255);
    {
        MemoryDc stripDc(dc, strip.get());
        MemoryDc faceDc(dc, face.get());
        BitBlt(faceDc.get(), 0, 0, cellW, cellH, stripDc.get(), cellW * cell, 0, SRCCOPY);
        sample = GetPixel(faceDc.get(), corner, corner);
    }
    DrawTiled(face.get(), dc, client, corner);

    int textLeft = client.left;
    if (m_iconId) {
        GdiObject<HBITMAP> icon(LoadSkinBitmap(m_iconId));
        const SIZE is = BitmapSize(icon.get());
        if (icon) {
            const int half = is.cx / 2;
            const int margin = (m_cellH - is.cy) / 2;
            TransparentCopy(icon.get(), m_checked ? half : 0, 0, half, is.cy, dc, margin,
                            (client.bottom - is.cy) / 2);
            textLeft = half + 2 * margin;
        }
    }
    char text[256];
    const int length = GetWindowTextA(m_hwnd, text, sizeof text);
    if (length <= 0) return;
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, UseWhiteText(GetRValue(sample), GetGValue(sample), GetBValue(sample)) ? RGB(255, 255, 255)
                                                                                          : RGB(0, 0, 0));
    RECT textRect = client;
    textRect.left = textLeft;
    // The access key's letter is underlined, as on the system's own buttons.
    DrawTextA(dc, text, length, &textRect, DT_SINGLELINE | DT_VCENTER | (m_iconId ? DT_LEFT : DT_CENTER));
    SelectObject(dc, oldFont);
}

// High contrast: a flat face with a border; pressed (or checked) in the
// highlight colours; hover and focus drawn as a second border and, for the
// focus, the system's dotted rectangle inside it.
void CSkinButton::PaintFlat(HDC dc, const RECT& client) {
    const Palette& pal = CurrentPalette();
    const bool pressed = m_pressed || (m_checked && !m_mouseOver);
    FillColour(dc, client, pressed ? pal.buttonPressed : pal.button);
    const Rgb ink = pressed ? pal.buttonPressedText : pal.buttonText;
    FrameRect(dc, &client, PaletteBrush(pal.focus));
    RECT inner = client;
    InflateRect(&inner, -1, -1);
    if (m_mouseOver || m_focus) FrameRect(dc, &inner, PaletteBrush(pal.focus));
    char text[256];
    const int length = GetWindowTextA(m_hwnd, text, sizeof text);
    if (length > 0) {
        HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, Ref(ink));
        RECT textRect = client;
        DrawTextA(dc, text, length, &textRect, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
        SelectObject(dc, oldFont);
    }
    if (m_focus) {
        InflateRect(&inner, -2, -2);
        SetTextColor(dc, Ref(ink));
        SetBkColor(dc, Ref(pressed ? pal.buttonPressed : pal.button));
        DrawFocusRect(dc, &inner);
    }
}

// ---- Numeric edit ----

bool CNumericEdit::Attach(HWND edit) {
    return edit && SetWindowSubclass(edit, Proc, kSubclassId, 0);
}

LRESULT CALLBACK CNumericEdit::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_CHAR && !IsNumericEditChar(static_cast<unsigned>(wp))) {
        MessageBeep(0xFFFFFFFF);
        return 0;
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, Proc, kSubclassId);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

// ---- Skinned list view and header ----

bool CSkinListView::Attach(HWND list) {
    if (!list || !SetWindowSubclass(list, Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    SetWindowLongA(list, GWL_STYLE, GetWindowLongA(list, GWL_STYLE) | WS_BORDER);
    m_header.Attach(ListView_GetHeader(list));
    return true;
}

LRESULT CALLBACK CSkinListView::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 0;
    case WM_PAINT: {
        // One pass: fill around the items, then let the list draw into the same DC.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        HWND header = ListView_GetHeader(hwnd);
        if (header && IsWindowVisible(header)) {
            RECT hr;
            GetWindowRect(header, &hr);
            MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&hr), 2);
            ExcludeClipRect(dc, hr.left, hr.top, hr.right, hr.bottom);
        }
        RECT box;
        GetClipBox(dc, &box);
        COLORREF bk = static_cast<COLORREF>(SendMessageA(hwnd, LVM_GETTEXTBKCOLOR, 0, 0));
        if (bk == CLR_NONE) bk = GetSysColor(COLOR_WINDOW);
        if (!CurrentPalette().bitmaps) bk = Ref(CurrentPalette().listOdd);
        GdiObject<HBRUSH> brush(CreateSolidBrush(bk));
        FillRect(dc, &box, brush.get());
        DefSubclassProc(hwnd, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, Proc, kSubclassId);
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

bool CSkinHeader::Attach(HWND header) {
    return header && SetWindowSubclass(header, Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK CSkinHeader::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    if (msg == WM_PAINT) {
        reinterpret_cast<CSkinHeader*>(ref)->Paint(hwnd);
        return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, Proc, kSubclassId);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void CSkinHeader::Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    DebugLog("LIST : DrawFrame : W : %d / H : %d", static_cast<int>(client.right), static_cast<int>(client.bottom));
    const int dpi = WindowDpi(hwnd);
    const Palette& pal = CurrentPalette();
    GdiObject<HBITMAP> bitmap(pal.bitmaps ? LoadSkinBitmap(IsWindowEnabled(hwnd) ? m_enabledId : m_disabledId, dpi)
                                          : nullptr);
    const SIZE bs = BitmapSize(bitmap.get());
    GdiObject<HBITMAP> canvas(CreateCompatibleBitmap(dc, client.right, client.bottom));
    const int count = static_cast<int>(SendMessageA(hwnd, HDM_GETITEMCOUNT, 0, 0));
    {
        MemoryDc out(dc, canvas.get());
        if (bitmap) {
            MemoryDc source(dc, bitmap.get());
            SetStretchBltMode(out.get(), COLORONCOLOR);
            StretchBlt(out.get(), 0, 0, client.right, client.bottom, source.get(), 0, 0, bs.cx, bs.cy, SRCCOPY);
            for (int i = 0; i < count; ++i) {
                RECT r;
                if (!SendMessageA(hwnd, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r))) continue;
                InflateRect(&r, -SkinPx(2, dpi), -SkinPx(2, dpi));
                StretchBlt(out.get(), r.left, r.top, r.right - r.left, r.bottom - r.top, source.get(), 0, 0, bs.cx,
                           bs.cy, SRCCOPY);
            }
        }
        if (!pal.bitmaps) {
            FillColour(out.get(), client, pal.header);
            const RECT line{client.left, client.bottom - 1, client.right, client.bottom};
            FillColour(out.get(), line, pal.headerText);
        }
        BitBlt(dc, 0, 0, client.right, client.bottom, out.get(), 0, 0, SRCCOPY);
    }
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, pal.bitmaps ? RGB(255, 255, 255) : Ref(pal.headerText));
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        HDITEMA item{};
        item.mask = HDI_TEXT | HDI_FORMAT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        RECT r;
        if (!SendMessageA(hwnd, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item)) ||
            !SendMessageA(hwnd, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)))
            continue;
        InflateRect(&r, -SkinPx(2, dpi), -SkinPx(2, dpi));
        const UINT align = (item.fmt & HDF_CENTER) ? DT_CENTER : (item.fmt & HDF_RIGHT) ? DT_RIGHT : DT_LEFT;
        DrawTextA(dc, text, -1, &r, align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    SelectObject(dc, oldFont);
    EndPaint(hwnd, &ps);
}

// ---- Skinned tab control ----

CSkinTabCtrl::CSkinTabCtrl(int cornerW, int cornerH, int selectedId, int unselectedId, int backgroundId)
    : m_cornerW(cornerW), m_cornerH(cornerH), m_ids{selectedId, unselectedId, backgroundId} {
    Load(kBaseDpi);
}

// The three bitmaps as drawn for `dpi`, kept (the two tabs selected into memory
// device contexts) until the window's DPI changes.
void CSkinTabCtrl::Load(int dpi) {
    Free();
    m_dpi = dpi;
    m_selected = LoadSkinBitmap(m_ids[0], dpi);
    m_unselected = LoadSkinBitmap(m_ids[1], dpi);
    m_background = LoadSkinBitmap(m_ids[2], dpi);
    m_selectedSize = BitmapSize(m_selected);
    m_unselectedSize = BitmapSize(m_unselected);
    m_selectedDc = CreateCompatibleDC(nullptr);
    m_unselectedDc = CreateCompatibleDC(nullptr);
    if (m_selectedDc && m_selected) SelectObject(m_selectedDc, m_selected);
    if (m_unselectedDc && m_unselected) SelectObject(m_unselectedDc, m_unselected);
}

CSkinTabCtrl::~CSkinTabCtrl() { Free(); }

// The device contexts go first: a bitmap is deleted once no DC holds it.
void CSkinTabCtrl::Free() {
    for (HDC dc : {m_selectedDc, m_unselectedDc})
        if (dc) DeleteDC(dc);
    for (HBITMAP b : {m_selected, m_unselected, m_background})
        if (b) DeleteObject(b);
    m_selectedDc = m_unselectedDc = nullptr;
    m_selected = m_unselected = m_background = nullptr;
}

bool CSkinTabCtrl::Attach(HWND tab) {
    return tab && SetWindowSubclass(tab, Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK CSkinTabCtrl::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    switch (msg) {
    case WM_PAINT:
        reinterpret_cast<CSkinTabCtrl*>(ref)->Paint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, Proc, kSubclassId);
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void CSkinTabCtrl::Paint(HWND hwnd) {
    const int dpi = WindowDpi(hwnd);
    const Palette& pal = CurrentPalette();
    if (dpi != m_dpi) Load(dpi);
    SendMessageA(hwnd, TCM_SETITEMSIZE, 0, MAKELPARAM(m_selectedSize.cx, m_selectedSize.cy));
    const int selected = static_cast<int>(SendMessageA(hwnd, TCM_GETCURSEL, 0, 0));
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    const int count = static_cast<int>(SendMessageA(hwnd, TCM_GETITEMCOUNT, 0, 0));
    GdiObject<HBITMAP> canvas(CreateCompatibleBitmap(dc, client.right, client.bottom));
    {
        MemoryDc out(dc, canvas.get());
        if (pal.bitmaps) DrawTiled(m_background, out.get(), client, SkinPx(1, dpi));
        else FillColour(out.get(), client, pal.dialog);
        SetStretchBltMode(out.get(), COLORONCOLOR);
        for (int i = 0; i < count; ++i) {
            RECT r;
            if (!SendMessageA(hwnd, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r))) continue;
            if (!pal.bitmaps) {
                // Flat tabs; the selected one in the window colour, open towards its page.
                FillColour(out.get(), r, i == selected ? pal.tabSelected : pal.tabUnselected);
                const RECT edges[] = {{r.left, r.top, r.right, r.top + 1}, {r.left, r.top, r.left + 1, r.bottom},
                                      {r.right - 1, r.top, r.right, r.bottom}};
                for (const RECT& e : edges) FillColour(out.get(), e, pal.tabText);
                if (i == selected) {
                    const RECT mark{r.left, r.top, r.right, r.top + SkinPx(3, dpi)};
                    FillColour(out.get(), mark, pal.tabMark);
                } else {
                    const RECT bottom{r.left, r.bottom - 1, r.right, r.bottom};
                    FillColour(out.get(), bottom, pal.tabText);
                }
                continue;
            }
            HDC source = i == selected ? m_selectedDc : m_unselectedDc;
            const SIZE s = i == selected ? m_selectedSize : m_unselectedSize;
            if (!source || s.cx <= 0) continue;
            for (const StretchPiece& p :
                 PlanTab(s.cx, s.cy, SkinPx(m_cornerW, dpi), SkinPx(m_cornerH, dpi), FromRECT(r))) {
                if (p.dst.Width() <= 0 || p.dst.Height() <= 0) continue;
                StretchBlt(out.get(), p.dst.left, p.dst.top, p.dst.Width(), p.dst.Height(), source, p.src.left,
                           p.src.top, p.src.Width(), p.src.Height(), SRCCOPY);
            }
        }
        BitBlt(dc, 0, 0, client.right, client.bottom, out.get(), 0, 0, SRCCOPY);
    }
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, pal.bitmaps ? RGB(0, 0, 0) : Ref(pal.tabText));
    for (int i = 0; i < count; ++i) {
        char text[257] = "";
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 256;
        RECT r;
        if (!SendMessageA(hwnd, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item)) ||
            !SendMessageA(hwnd, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)))
            continue;
        DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        // The focus cue the system's tab control draws when it holds the keyboard focus.
        if (i == selected && GetFocus() == hwnd) {
            InflateRect(&r, -SkinPx(3, dpi), -SkinPx(3, dpi));
            DrawFocusRect(dc, &r);
        }
    }
    SelectObject(dc, oldFont);
    EndPaint(hwnd, &ps);
}

}  // namespace skin
