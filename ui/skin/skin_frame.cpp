#include "ui/skin/skin_frame.h"

#include <commctrl.h>

#include <string>

#include "base/localized_text.h"
#include "resources/resource_ids.h"
#include "ui/skin/skin_gdi.h"
#include "ui/skin/skin_palette.h"
#include "ui/skin/window_centre.h"
#include "ui/skin/window_dpi.h"

namespace skin {

CSkinFrame::CSkinFrame(int activeId, int inactiveId, int closeId, int minimizeId)
    : m_activeId(activeId), m_inactiveId(inactiveId) {
    m_buttons.Configure(closeId, minimizeId);
}

void CSkinFrame::Install(HWND hwnd) {
    RECT before;
    GetClientRect(hwnd, &before);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT window;
    GetWindowRect(hwnd, &window);
    const int dpi = WindowDpi(hwnd);
    const int w = before.right + SkinPx(kFrameLeft, dpi) + SkinPx(kFrameRight, dpi);
    const int h = before.bottom + SkinPx(kFrameTop, dpi) + SkinPx(kFrameBottom, dpi);
    SetWindowPos(hwnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ApplyRegion(hwnd);
    if (!CurrentPalette().bitmaps) FollowPalette(hwnd);
}

void CSkinFrame::ApplyRegion(HWND hwnd) {
    RECT wr;
    GetWindowRect(hwnd, &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    const int dpi = WindowDpi(hwnd);
    const auto pts = FrameRegion(w, h, dpi);
    POINT poly[20];
    for (int i = 0; i < 20; ++i) poly[i] = {pts[i].x, pts[i].y};
    SetWindowRgn(hwnd, CreatePolygonRgn(poly, 20, WINDING), TRUE);  // the window owns the region
    m_buttons.Layout(w, dpi);
}

bool CSkinFrame::HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    switch (msg) {
    case WM_NCCALCSIZE: {
        RECT* r = wp ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0] : reinterpret_cast<RECT*>(lp);
        *r = ToRECT(FrameClientRect(FromRECT(*r), WindowDpi(hwnd)));
        *result = 0;
        return true;
    }
    case WM_SIZE:
        ApplyRegion(hwnd);
        return false;
    case WM_NCPAINT: {
        HRGN update = nullptr;
        if (wp != 1 && wp != 0) {
            RECT wr;
            GetWindowRect(hwnd, &wr);
            update = CreateRectRgn(0, 0, 0, 0);
            CombineRgn(update, reinterpret_cast<HRGN>(wp), nullptr, RGN_COPY);
            OffsetRgn(update, -wr.left, -wr.top);
        }
        Paint(hwnd, update);
        if (update) DeleteObject(update);
        *result = 0;
        return true;
    }
    case WM_NCACTIVATE:
        m_active = wp != 0;
        Paint(hwnd, nullptr);
        *result = 1;
        return true;
    case WM_SETTEXT: {
        // The default handling paints a system caption; paint ours over it.
        *result = DefWindowProcA(hwnd, msg, wp, lp);
        Paint(hwnd, nullptr);
        return true;
    }
    case WM_NCMOUSEMOVE: {
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ScreenToClient(hwnd, &pt);
        Track(hwnd, ClientToFramePoint({pt.x, pt.y}, WindowDpi(hwnd)));
        return false;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        Track(hwnd, ClientToFramePoint({static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))},
                                       WindowDpi(hwnd)));
        return false;
    case WM_CAPTURECHANGED:
        Track(hwnd, ClientToFramePoint({0, 0}, WindowDpi(hwnd)));
        return false;
    case WM_DPICHANGED: {
        // Moved to a screen of another scale: take the size the system suggests
        // (the client area scaled), then let the frame and every picture follow.
        const RECT* suggested = reinterpret_cast<const RECT*>(lp);
        SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        ApplyRegion(hwnd);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        *result = 0;
        return true;
    }
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
        // High contrast switched, or its colours changed: every window of ours
        // paints with the new palette (each top-level window gets the message).
        if (RefreshPalette()) FollowPalette(hwnd);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        return false;
    case WM_NCLBUTTONDBLCLK: {
        RECT wr;
        GetWindowRect(hwnd, &wr);
        const Point p{static_cast<short>(LOWORD(lp)) - wr.left, static_cast<short>(HIWORD(lp)) - wr.top};
        if (IsIconAreaDoubleClick(p, GetSystemMetrics(SM_CYFRAME), WindowDpi(hwnd))) {
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
            *result = 0;
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

void CSkinFrame::Track(HWND hwnd, Point windowPoint) {
    RECT wr;
    GetWindowRect(hwnd, &wr);
    POINT screen{wr.left + windowPoint.x, wr.top + windowPoint.y};
    MouseEvent e;
    e.windowPoint = windowPoint;
    e.windowUnderPointerIsThis = WindowFromPoint(screen) == hwnd;
    e.leftButtonDown = GetKeyState(VK_LBUTTON) < 0;
    const CaptionEffects fx = m_buttons.Track(e, [hwnd] {
        if (GetCapture() == hwnd) ReleaseCapture();
    });
    if (fx.takeCapture) SetCapture(hwnd);
    if (!fx.redrawSlots.empty()) {
        // Repaint the frame under the changed buttons first: state pictures are
        // drawn transparently and would otherwise show through each other.
        HRGN area = CreateRectRgn(0, 0, 0, 0);
        for (int slot : fx.redrawSlots) {
            const Rect r = m_buttons.Button(slot).rect;
            HRGN one = CreateRectRgn(r.left, r.top, r.right, r.bottom);
            CombineRgn(area, area, one, RGN_OR);
            DeleteObject(one);
        }
        Paint(hwnd, area);
        DeleteObject(area);
    }
    if (fx.postMessage == kMsgMinFrame) PostMessageA(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    else if (fx.postMessage) PostMessageA(hwnd, fx.postMessage, 0, 0);
}

namespace {

// The window's title in the caption's bold font, when `shows` (given the text's
// width in pixels) says that it reaches the part being painted.
template <typename Shows>
void DrawFrameTitle(HWND hwnd, HDC dc, int dpi, COLORREF ink, Shows shows) {
    char title[256];
    const int length = GetWindowTextA(hwnd, title, sizeof title);
    if (length <= 0) return;
    LOGFONTA lf{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfHeight = FrameTitleFontHeight(dpi);
    lf.lfWeight = 900;
    GdiObject<HFONT> font(CreateFontIndirectA(&lf));
    HGDIOBJ oldFont = SelectObject(dc, font.get());
    SIZE extent{};
    GetTextExtentPoint32A(dc, title, length, &extent);
    if (shows(static_cast<int>(extent.cx))) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ink);
        const Point origin = FrameTitleOrigin(dpi);
        TextOutA(dc, origin.x, origin.y, title, length);
    }
    SelectObject(dc, oldFont);
}

}  // namespace

void CSkinFrame::Paint(HWND hwnd, HRGN update) {
    if (!CurrentPalette().bitmaps) {
        PaintFlat(hwnd, update);
        return;
    }
    const int dpi = WindowDpi(hwnd);
    GdiObject<HBITMAP> bitmap(LoadSkinBitmap(m_active ? m_activeId : m_inactiveId, dpi));
    if (!bitmap) return;
    const SIZE fs = BitmapSize(bitmap.get());
    RECT wr;
    GetWindowRect(hwnd, &wr);
    const int W = wr.right - wr.left, H = wr.bottom - wr.top;
    HDC dc = GetWindowDC(hwnd);
    if (!dc) return;
    const bool mirrored = (GetDcLayout(dc) & LAYOUT_RTL) != 0;
    auto visible = [&](const Rect& r) {
        if (!update) return true;
        RECT test = ToRECT(r);
        if (mirrored) test = {W - r.right, r.top, W - r.left, r.bottom};
        return RectInRegion(update, &test) != FALSE;
    };
    if (update) SelectClipRgn(dc, update);
    {
        HDC source = CreateCompatibleDC(dc);
        SetDcLayout(source, 0);
        HGDIOBJ old = SelectObject(source, bitmap.get());
        const DWORD flags = mirrored ? (SRCCOPY | NOMIRRORBITMAP) : SRCCOPY;
        for (const Piece& p : PlanFrame(fs.cx, fs.cy, W, H, dpi))
            if (visible(p.Target())) BitBlt(dc, p.dstX, p.dstY, p.w, p.h, source, p.srcX, p.srcY, flags);
        SelectObject(source, old);
        DeleteDC(source);
    }
    const Piece icon = FrameIconPiece(dpi);
    if (visible(icon.Target()))
        TransparentCopy(bitmap.get(), icon.srcX, icon.srcY, icon.w, icon.h, dc, icon.dstX, icon.dstY);

    DrawFrameTitle(hwnd, dc, dpi, RGB(0, 0, 0), [&](int width) { return visible(FrameTitleArea(fs.cx, width, dpi)); });
    for (int slot = 0; slot < CaptionButtons::kSlots; ++slot) {
        const CaptionButton& b = m_buttons.Button(slot);
        if (!b.bitmapId || !visible(b.rect)) continue;
        GdiObject<HBITMAP> pictures(LoadSkinBitmap(b.bitmapId, dpi));
        const int size = b.rect.Width();  // one state picture, square
        TransparentCopy(pictures.get(), CaptionLook(b, m_buttons.CapturedBy()) * size, 0, size, size, dc, b.rect.left,
                        b.rect.top);
    }
    ReleaseDC(hwnd, dc);
}

// The same frame in the system's colours: caption and borders flat, a one-pixel
// edge, the title and the caption buttons' glyphs drawn, not copied.
void CSkinFrame::PaintFlat(HWND hwnd, HRGN update) {
    const Palette& pal = CurrentPalette();
    const int dpi = WindowDpi(hwnd);
    RECT wr;
    GetWindowRect(hwnd, &wr);
    const int W = wr.right - wr.left, H = wr.bottom - wr.top;
    HDC dc = GetWindowDC(hwnd);
    if (!dc) return;
    if (update) SelectClipRgn(dc, update);
    const Rgb face = m_active ? pal.caption : pal.captionInactive;
    const Rgb ink = m_active ? pal.captionText : pal.captionInactiveText;
    const RECT client = ToRECT(FrameClientRect({0, 0, W, H}, dpi));
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    const RECT all{0, 0, W, H};
    FillColour(dc, all, face);
    FrameRect(dc, &all, PaletteBrush(pal.frameEdge));
    RestoreDC(dc, saved);

    DrawFrameTitle(hwnd, dc, dpi, Ref(ink), [](int) { return true; });
    for (int slot = 0; slot < CaptionButtons::kSlots; ++slot) {
        const CaptionButton& b = m_buttons.Button(slot);
        if (!b.bitmapId) continue;
        const RECT r = ToRECT(b.rect);
        // Hovered or pressed: the colours swap, as the system marks a hot item.
        const bool hot = CaptionLook(b, m_buttons.CapturedBy()) != 0;
        FillColour(dc, r, hot ? ink : face);
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, SkinPx(2, dpi), Ref(hot ? face : ink)));
        HGDIOBJ oldPen = SelectObject(dc, pen.get());
        const int m = b.rect.Width() / 4;
        if (b.message == WM_CLOSE) {
            MoveToEx(dc, r.left + m, r.top + m, nullptr);
            LineTo(dc, r.right - m, r.bottom - m);
            MoveToEx(dc, r.right - m, r.top + m, nullptr);
            LineTo(dc, r.left + m, r.bottom - m);
        } else {
            MoveToEx(dc, r.left + m, r.bottom - m - 1, nullptr);
            LineTo(dc, r.right - m, r.bottom - m - 1);
        }
        SelectObject(dc, oldPen);
    }
    ReleaseDC(hwnd, dc);
}

// ---- Message box ----
namespace {

struct MessageBoxState {
    const char* title;
    const char* text;
    CSkinFrame frame{IDB_FRAME_ACTIVE, IDB_FRAME_INACTIVE, 0, 0};
    CSkinBackground background;
    CSkinButton ok{IDB_BUTTON_STRIP, 2, 0};
    CSkinButton cancel{IDB_BUTTON_STRIP, 2, 0};
    HICON icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND));
    // A question: OK (the default) and Cancel with these texts.
    const char* okText = nullptr;
    const char* cancelText = nullptr;
};

LRESULT CALLBACK IconProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        DrawIcon(dc, 0, 0, reinterpret_cast<HICON>(ref));
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, IconProc, 1);
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

bool IsReflected(UINT msg, LPARAM lp) {
    switch (msg) {
    case WM_DRAWITEM: case WM_MEASUREITEM: case WM_DELETEITEM: case WM_COMPAREITEM: case WM_NOTIFY:
    case WM_HSCROLL: case WM_VSCROLL: case WM_CTLCOLORBTN: case WM_CTLCOLORDLG: case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: case WM_CTLCOLORMSGBOX: case WM_CTLCOLORSCROLLBAR: case WM_PARENTNOTIFY:
        return true;
    case WM_COMMAND:
        return lp != 0;
    default:
        return false;
    }
}

HWND ControlOf(UINT msg, WPARAM wp, LPARAM lp, HWND dialog) {
    switch (msg) {
    case WM_DRAWITEM: return reinterpret_cast<DRAWITEMSTRUCT*>(lp)->hwndItem;
    case WM_MEASUREITEM: return GetDlgItem(dialog, static_cast<int>(reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->CtlID));
    case WM_DELETEITEM: return reinterpret_cast<DELETEITEMSTRUCT*>(lp)->hwndItem;
    case WM_COMPAREITEM: return reinterpret_cast<COMPAREITEMSTRUCT*>(lp)->hwndItem;
    case WM_NOTIFY: return reinterpret_cast<NMHDR*>(lp)->hwndFrom;
    case WM_PARENTNOTIFY:
        return (LOWORD(wp) == WM_CREATE || LOWORD(wp) == WM_DESTROY) ? reinterpret_cast<HWND>(lp) : nullptr;
    default: return reinterpret_cast<HWND>(lp);
    }
}

}  // namespace

bool HandleSkinDialogLook(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, CSkinFrame& frame, CSkinBackground& background,
                          INT_PTR* answer) {
    LRESULT result = 0;
    if (!frame.HandleMessage(hwnd, msg, wp, lp, &result) && !background.HandleMessage(hwnd, msg, wp, lp, &result))
        return false;
    // Colour messages answer with the brush itself; everything else through DWLP_MSGRESULT.
    if (msg == WM_CTLCOLORSTATIC) {
        *answer = static_cast<INT_PTR>(result);
    } else {
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
        *answer = TRUE;
    }
    return true;
}

bool ReflectToControl(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (!IsReflected(msg, lp)) return false;
    HWND control = ControlOf(msg, wp, lp, hwnd);
    if (!control || control == hwnd || !IsChild(hwnd, control)) return false;
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, SendMessageA(control, msg + 0x2000, wp, lp));
    return true;
}

namespace {

// Fonts do not grow in step with the scale: a message that fills the text area
// at 96 DPI may need a line more at another. The box then grows by what is
// missing, the buttons move down with its bottom; a message that fits changes nothing.
void GrowToFit(HWND box, HWND message, const char* text) {
    RECT area;
    GetClientRect(message, &area);
    RECT need = area;
    HDC dc = GetDC(message);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(message, WM_GETFONT, 0, 0)));
    DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, old);
    ReleaseDC(message, dc);
    const int missing = need.bottom - area.bottom;
    if (missing <= 0) return;
    auto grow = [box](HWND hwnd, int dy, int dh) {
        RECT r;
        GetWindowRect(hwnd, &r);
        if (hwnd != box) MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(hwnd, nullptr, r.left, r.top + dy, r.right - r.left, r.bottom - r.top + dh,
                     SWP_NOZORDER | SWP_NOACTIVATE | (hwnd == box ? SWP_NOMOVE : 0));
    };
    grow(message, 0, missing);
    for (int id : {IDOK, IDCANCEL}) grow(GetDlgItem(box, id), missing, 0);
    grow(box, 0, missing);
}

// A question's two buttons side by side under the text, OK left of Cancel.
void ShowCancel(HWND box, CSkinButton& skin, const char* text) {
    HWND ok = GetDlgItem(box, IDOK), cancel = GetDlgItem(box, IDCANCEL);
    RECT r, client;
    GetWindowRect(ok, &r);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
    GetClientRect(box, &client);
    const int w = r.right - r.left, gap = w / 5;
    const int left = (client.right - 2 * w - gap) / 2;
    SetWindowPos(ok, nullptr, left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(cancel, nullptr, left + w + gap, r.top, w, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowTextA(cancel, text);
    SendMessageA(cancel, WM_SETFONT, SendMessageA(ok, WM_GETFONT, 0, 0), FALSE);
    skin.Attach(cancel);
    ShowWindow(cancel, SW_SHOW);
}

INT_PTR CALLBACK MessageBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrA(hwnd, DWLP_USER, lp);
    auto* state = reinterpret_cast<MessageBoxState*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!state) return FALSE;
    INT_PTR answer = FALSE;
    if (HandleSkinDialogLook(hwnd, msg, wp, lp, state->frame, state->background, &answer)) return answer;
    switch (msg) {
    case WM_INITDIALOG: {
        state->frame.Install(hwnd);
        SetWindowSubclass(GetDlgItem(hwnd, IDC_STATIC_MSGICON), IconProc, 1,
                          reinterpret_cast<DWORD_PTR>(state->icon));
        state->ok.Attach(GetDlgItem(hwnd, IDOK));
        HWND message = GetDlgItem(hwnd, IDC_STATIC_MESSAGE);
        SendMessageA(message, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        SetWindowTextA(message, state->text);
        GrowToFit(hwnd, message, state->text);
        CentreWindow(hwnd, nullptr);  // over its owner
        SetWindowTextA(hwnd, state->title);
        char ok[kTextSize];
        GetLocalizedString("UI_SHEET", "IDL_OK", "OK", ok, sizeof ok);
        SetDlgItemTextA(hwnd, IDOK, state->okText ? state->okText : ok);
        if (state->cancelText) ShowCancel(hwnd, state->cancel, state->cancelText);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            EndDialog(hwnd, 1);
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL && state->cancelText) {
            EndDialog(hwnd, 0);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        // A question closed from its frame is not answered yes.
        if (state->cancelText) {
            EndDialog(hwnd, 0);
            return TRUE;
        }
        // The system close ends the box like OK: there is nothing to cancel. (Esc
        // does not end it: its IDCANCEL goes to the hidden Cancel button, unhandled.)
        EndDialog(hwnd, 1);
        return TRUE;
    }
    return ReflectToControl(hwnd, msg, wp, lp) ? TRUE : FALSE;
}

}  // namespace

int ShowSkinMessageBox(HWND owner, const char* title, const char* text, LPCSTR icon) {
    MessageBoxState state;
    state.icon = LoadIconA(nullptr, icon);
    state.title = title ? title : "";
    state.text = text ? text : "";
    state.background.Attach(IDB_DIALOG_BACKGROUND, 0);
    const INT_PTR r = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SKINMSGBOX), owner,
                                      MessageBoxProc, reinterpret_cast<LPARAM>(&state));
    return static_cast<int>(r);
}

bool AskSkinQuestion(HWND owner, const char* title, const char* text, const char* yes, const char* no) {
    MessageBoxState state;
    state.title = title ? title : "";
    state.text = text ? text : "";
    state.icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_EXCLAMATION));
    state.okText = yes;
    state.cancelText = no;
    state.background.Attach(IDB_DIALOG_BACKGROUND, 0);
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SKINMSGBOX), owner, MessageBoxProc,
                           reinterpret_cast<LPARAM>(&state)) == 1;
}

}  // namespace skin
