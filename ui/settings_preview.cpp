#include "ui/settings_preview.h"

#include <commctrl.h>

#include <cstdio>

#include "app/localized_text.h"
#include "resources/resource_ids.h"
#include "settings/param_mngr.h"
#include "ui/preview_geometry.h"
#include "ui/skin/skin_gdi.h"

namespace {

constexpr UINT_PTR kSubclassId = 0x5056;
constexpr COLORREF kPanelColour = RGB(230, 230, 230);
constexpr COLORREF kBandColour = RGB(198, 198, 198);
constexpr UINT kBandFlags = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;

RECT ToWin(const skin::Rect& r) { return skin::ToRECT(r); }

void Look(const char* section, const char* key, const char* def, char* out) {
    GetLocalizedString(section, key, def, out, kTextSize);
}

void FillSolid(HDC dc, const RECT& r, COLORREF colour) {
    skin::GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.get());
}

void DrawBand(HDC dc, const skin::Rect& band, const skin::Rect& textRect, const char* text) {
    FillSolid(dc, ToWin(band), kBandColour);
    RECT tr = ToWin(textRect);
    DrawTextA(dc, text, -1, &tr, kBandFlags);
}

// A text of the Advanced tab: its key and English default.
struct AdvancedText {
    const char* key;
    const char* text;
};

// "<label> : <choice>" on a band, both as the Advanced tab shows them.
void DrawChoiceBand(HDC dc, const skin::Rect& band, const skin::Rect& textRect, AdvancedText label,
                    AdvancedText choice) {
    char labelText[kTextSize], choiceText[kTextSize], text[2 * kTextSize + 8];
    Look("UI_ADVANCED_TAB", label.key, label.text, labelText);
    Look("UI_ADVANCED_TAB", choice.key, choice.text, choiceText);
    std::snprintf(text, sizeof text, "%s : %s", labelText, choiceText);
    DrawBand(dc, band, textRect, text);
}

}  // namespace

void DrawPageBitmap(HBITMAP bitmap, HDC target, const RECT& rect, int corner, const RECT* clip) {
    if (!bitmap) return;
    const SIZE size = skin::BitmapSize(bitmap);
    HDC source = CreateCompatibleDC(target);
    if (!source) return;
    HGDIOBJ old = SelectObject(source, bitmap);
    const skin::Rect clipRect = clip ? skin::FromRECT(*clip) : skin::Rect{};
    SetStretchBltMode(target, COLORONCOLOR);
    for (const preview::PainterStep& s :
         preview::PlanPagePainter(size.cx, size.cy, corner, skin::FromRECT(rect), clip ? &clipRect : nullptr)) {
        if (s.bStretch)
            StretchBlt(target, s.dst.left, s.dst.top, s.dst.Width(), s.dst.Height(), source, s.src.left, s.src.top,
                       s.src.Width(), s.src.Height(), SRCCOPY);
        else
            BitBlt(target, s.dst.left, s.dst.top, s.dst.Width(), s.dst.Height(), source, s.src.left, s.src.top,
                   SRCCOPY);
    }
    SelectObject(source, old);
    DeleteDC(source);
}

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
        PaintPreview(dc, client, reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)));
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, Proc, kSubclassId);
        if (self) self->m_hwnd = nullptr;
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void CSettingsPreview::PaintPreview(HDC target, const RECT& client, HFONT font) {
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
    FillSolid(dc, local, kPanelColour);
    const int paperW = params ? params->GetPaperWidthMM() : 0;
    const int paperH = params ? params->GetPaperHeightMM() : 0;
    const preview::PreviewLayout layout =
        preview::LayoutPreview(skin::FromRECT(local), paperW, paperH, params ? params->GetOrientation() : 0);

    if (params) {
        char label[kTextSize], value[kTextSize], text[2 * kTextSize + 8];
        // 3. Colour.
        DrawChoiceBand(dc, layout.colourBand, layout.colourText, {"IDC_STATIC_COLORMODE", "Color"},
                       params->GetColorMode() != 0 ? AdvancedText{"IDC_RADIO_COLORMODE_BW", "Black & White"}
                                                   : AdvancedText{"IDC_RADIO_COLORMODE_AUTO", "Auto"});
        // 4. Resolution.
        DrawChoiceBand(dc, layout.resolutionBand, layout.resolutionText, {"IDC_STATIC_RESOLUTION", "Resolution"},
                       params->GetResolution() == 1 ? AdvancedText{"IDC_RADIO_RESOLUTION_NORMAL", "Normal"}
                                                    : AdvancedText{"IDC_RADIO_RESOLUTION_DRAFT", "Draft"});
        // 5. Copies.
        Look("UI_BASIC_TAB", "IDC_STATIC_COPIES", "Copies", label);
        std::snprintf(text, sizeof text, "%s : %d", label, params->GetCopies());
        DrawBand(dc, layout.copiesBand, layout.copiesText, text);
        // 6. Print range.
        RECT range = ToWin(layout.rangeLine);
        const UINT rangeFlags = DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
        if (params->GetPrintRange() == 0) {
            Look("UI_BASIC_TAB", "IDC_RADIO_PRINTRANGE_ALL", "All", value);
            std::snprintf(text, sizeof text, "%s", value);
            DrawTextA(dc, text, -1, &range, rangeFlags);
        } else if (params->GetPrintRange() == 1) {
            std::snprintf(text, sizeof text, "%d - %d", params->GetFromPage(), params->GetToPage());
            DrawTextA(dc, text, -1, &range, rangeFlags);
        }
        // 7. Paper label, up to two lines.
        RECT paper = ToWin(layout.paperLabel);
        const std::string paperText = params->FormatPaperPreviewLabel();
        DrawTextA(dc, paperText.c_str(), -1, &paper, DT_CENTER | DT_TOP | DT_END_ELLIPSIS | DT_NOPREFIX);
        // 8. The page with its two shadows.
        if (layout.nPageW > 0 && layout.nPageH > 0) {
            RECT r = ToWin(layout.darkShadow);
            FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH)));
            r = ToWin(layout.greyShadow);
            FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
            HBITMAP page = skin::LoadSkinBitmap(IDB_PREVIEW_PAGE);
            DrawPageBitmap(page, dc, ToWin(layout.page), 1);
            if (page) DeleteObject(page);
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
