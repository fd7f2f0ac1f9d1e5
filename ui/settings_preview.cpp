#include "ui/settings_preview.h"

#include <commctrl.h>

#include <string>

#include "resources/resource_ids.h"
#include "settings/param_mngr.h"
#include "ui/preview_geometry.h"
#include "ui/accessibility.h"
#include "ui/preview_texts.h"
#include "ui/skin/skin_gdi.h"
#include "ui/skin/skin_palette.h"
#include "ui/skin/window_dpi.h"

namespace {

constexpr UINT_PTR kSubclassId = 0x5056;
constexpr UINT kBandFlags = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;

RECT ToWin(const skin::Rect& r) { return skin::ToRECT(r); }

// The panel's colours: the skin's, or the system's in high contrast.
void DrawBand(HDC dc, const skin::Rect& band, const skin::Rect& textRect, const std::string& text) {
    skin::FillColour(dc, ToWin(band), skin::CurrentPalette().previewBand);
    RECT tr = ToWin(textRect);
    DrawTextA(dc, text.c_str(), -1, &tr, kBandFlags);
}

}  // namespace

CSettingsPreview::~CSettingsPreview() {
    if (m_hwnd) RemoveWindowSubclass(m_hwnd, Proc, kSubclassId);
}

bool CSettingsPreview::Attach(HWND panel) {
    if (!panel) return false;
    if (m_hwnd) RemoveWindowSubclass(m_hwnd, Proc, kSubclassId);
    m_hwnd = panel;
    return SetWindowSubclass(panel, Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

void CSettingsPreview::Redraw() {
    if (m_hwnd) RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

LRESULT CALLBACK CSettingsPreview::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<CSettingsPreview*>(ref);
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        PaintPreview(dc, client, reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), skin::WindowDpi(hwnd));
        EndPaint(hwnd, &ps);
        // What the panel shows, for a screen reader; a change is announced.
        if (const CParamMngr* params = CParamMngr::GetInstance())
            access::SetLiveName(hwnd, preview::PreviewSummary(preview::PreviewTextsFor(*params)));
        return 0;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, Proc, kSubclassId);
        if (self) self->m_hwnd = nullptr;
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void CSettingsPreview::PaintPreview(HDC target, const RECT& client, HFONT font, int dpi) {
    const int width = client.right - client.left, height = client.bottom - client.top;
    if (width <= 0 || height <= 0) return;
    // 1. Off-screen, copied in one block at the end.
    HDC dc = CreateCompatibleDC(target);
    if (!dc) return;
    HBITMAP bitmap = CreateCompatibleBitmap(target, width, height);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    const int oldMode = SetBkMode(dc, TRANSPARENT);

    CParamMngr* params = CParamMngr::GetInstance();
    const RECT local{0, 0, width, height};
    // 2.
    const skin::Palette& pal = skin::CurrentPalette();
    skin::FillColour(dc, local, pal.previewPanel);
    SetTextColor(dc, skin::Ref(pal.previewText));
    const int paperW = params ? params->GetPaperWidthMM() : 0;
    const int paperH = params ? params->GetPaperHeightMM() : 0;
    const preview::PreviewLayout layout =
        preview::LayoutPreview(skin::FromRECT(local), paperW, paperH, params ? params->GetOrientation() : 0, dpi);

    if (params) {
        const preview::PreviewTexts texts = preview::PreviewTextsFor(*params);
        // 3. - 5. Colour, resolution, copies.
        DrawBand(dc, layout.colourBand, layout.colourText, texts.colour);
        DrawBand(dc, layout.resolutionBand, layout.resolutionText, texts.resolution);
        DrawBand(dc, layout.copiesBand, layout.copiesText, texts.copies);
        // 6. Print range.
        RECT range = ToWin(layout.rangeLine);
        const UINT rangeFlags = DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
        if (!texts.range.empty()) DrawTextA(dc, texts.range.c_str(), -1, &range, rangeFlags);
        // 7. Paper label, up to two lines.
        RECT paper = ToWin(layout.paperLabel);
        DrawTextA(dc, texts.paper.c_str(), -1, &paper, DT_CENTER | DT_TOP | DT_END_ELLIPSIS | DT_NOPREFIX);
        // 8. The page with its two shadows; flat in high contrast, the sheet framed in the text colour.
        if (layout.nPageW > 0 && layout.nPageH > 0) {
            RECT r = ToWin(layout.darkShadow);
            if (pal.bitmaps) FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH)));
            else skin::FillColour(dc, r, pal.pageShadow);
            r = ToWin(layout.greyShadow);
            if (pal.bitmaps) FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
            else skin::FillColour(dc, r, pal.pageShadow);
            r = ToWin(layout.page);
            if (pal.bitmaps) {
                HBITMAP page = skin::LoadSkinBitmap(IDB_PREVIEW_PAGE, dpi);
                skin::DrawTiled(page, dc, r, skin::SkinPx(1, dpi), nullptr, skin::TileCentre::kStretched);
                if (page) DeleteObject(page);
            } else {
                skin::FillColour(dc, r, pal.page);
                FrameRect(dc, &r, skin::PaletteBrush(pal.pageEdge));
            }
        }
    }

    BitBlt(target, client.left, client.top, width, height, dc, 0, 0, SRCCOPY);
    // 9.
    SetBkMode(dc, oldMode);
    if (oldFont) SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}
