#include "ui/advanced_opts_page.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>

#include "app/debug_log.h"
#include "app/localized_text.h"
#include "resources/resource_ids.h"
#include "settings/param_mngr.h"
#include "ui/basic_opts_page.h"
#include "ui/main_property_sheet.h"
#include "ui/tab_rules.h"

namespace {

constexpr UINT_PTR DEF_TIMER_ID_ADVANCED_UPDATEDATA = 1008;
constexpr UINT kZoomTimerDelay = 1000;

const DWORD kAdvancedHelpMap[] = {
    IDC_STATIC_PAPAEROPTION, HelpTopic(1028), IDC_STATIC_PAPERSIZE, HelpTopic(1052),
    IDC_COMBO_PAPERSIZE, HelpTopic(1052), IDC_STATIC_PAPERTYPE, HelpTopic(1053),
    IDC_COMBO_PAPERTYPE, HelpTopic(1053), IDC_STATIC_RESOLUTION, HelpTopic(1029),
    IDC_PICTURE_RESOLUTION, HelpTopic(1029), IDC_RADIO_RESOLUTION_DRAFT, HelpTopic(1045),
    IDC_RADIO_RESOLUTION_NORMAL, HelpTopic(1010), IDC_STATIC_COLORMODE, HelpTopic(1030),
    IDC_PICTURE_COLORMODE, HelpTopic(1030), IDC_RADIO_COLORMODE_AUTO, HelpTopic(1009),
    IDC_RADIO_COLORMODE_BW, HelpTopic(1011), IDC_STATIC_REDUCEENLARGE, HelpTopic(1031),
    IDC_CHECK_ZOOM_FIT, HelpTopic(1038), IDC_STATIC_CUSTOM, HelpTopic(1032),
    IDC_EDIT_ZOOM, HelpTopic(1032), IDC_SPIN_ZOOM, HelpTopic(1032),
    IDC_BUTTON_ADV_DEFAULT, HelpTopic(1020),
    // The preview and the mark share the Basic tab's topics.
    IDC_STATIC_ADVANCED_PREVIEW, HelpTopic(1051), IDC_PICTURE_ADVANCED_MARK, HelpTopic(1048), 0, 0};

// The fifteen topics the page names when it is made.
const DWORD kAdvancedTopics[] = {0x20404, 0x2041C, 0x2041D, 0x20405, 0x20415, 0x203F2, 0x20406, 0x203F1,
                                 0x203F3, 0x20407, 0x2040E, 0x20408, 0x203FC, 0x2041B, 0x20418};

struct Label {
    int id;
    const char* key;
    const char* text;
};

const Label kLabels[] = {
    {IDC_STATIC_PAPAEROPTION, "IDC_STATIC_PAPAEROPTION", "Paper Option"},
    {IDC_STATIC_PAPERSIZE, "IDC_STATIC_PAPERSIZE", "Size"},
    {IDC_STATIC_PAPERTYPE, "IDC_STATIC_PAPERTYPE", "Type"},
    {IDC_STATIC_RESOLUTION, "IDC_STATIC_RESOLUTION", "Resolution"},
    {IDC_RADIO_RESOLUTION_DRAFT, "IDC_RADIO_RESOLUTION_DRAFT", "Draft"},
    {IDC_RADIO_RESOLUTION_NORMAL, "IDC_RADIO_RESOLUTION_NORMAL", "Normal"},
    {IDC_STATIC_COLORMODE, "IDC_STATIC_COLORMODE", "Color"},
    {IDC_RADIO_COLORMODE_AUTO, "IDC_RADIO_COLORMODE_AUTO", "Auto"},
    {IDC_RADIO_COLORMODE_BW, "IDC_RADIO_COLORMODE_BW", "Black & White"},
    {IDC_STATIC_REDUCEENLARGE, "IDC_STATIC_REDUCEENLARGE", "Reduce / Enlarge"},
    {IDC_CHECK_ZOOM_FIT, "IDC_CHECK_ZOOM_FIT", "Fit to page"},
    {IDC_STATIC_CUSTOM, "IDC_STATIC_CUSTOM", "Custom :"},
    {IDC_BUTTON_ADV_DEFAULT, "IDC_BUTTON_ADV_DEFAULT", "Default"},
};

const int kFontControls[] = {1028, 1052, 1014, 1053, 1015, 1029, 1045, 1010, 1044, 1030,
                             1043, 1009, 1011, 1031, 1038, 1032, 1012, 1013, 1020, 1050};

const int kColorGroup[] = {IDC_RADIO_COLORMODE_AUTO, IDC_RADIO_COLORMODE_BW};
const int kResolutionGroup[] = {IDC_RADIO_RESOLUTION_DRAFT, IDC_RADIO_RESOLUTION_NORMAL};

CParamMngr& Params() { return *CParamMngr::create(); }

void Click(HWND page, int id) {
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}

}  // namespace

CAdvancedOptsPage::CAdvancedOptsPage()
    : COptsPage(IDD_ADVANCEDDLG, "Advanced"), m_btnDefault(IDB_BUTTON_STRIP, 2, 0) {
    DebugLog("CAdvancedOptsPage");
    for (DWORD topic : kAdvancedTopics) DebugLog("0x%x", static_cast<unsigned>(topic));
}

INT_PTR CAdvancedOptsPage::OnInitDialog() {
    // 1.
    OutputDebugStringA("CAdvancedOptsPage::OnInitDialog:");
    // 2.
    m_hPictureColor = GetDlgItem(m_hwnd, IDC_PICTURE_COLORMODE);
    m_hPictureResolution = GetDlgItem(m_hwnd, IDC_PICTURE_RESOLUTION);
    m_btnDefault.Attach(GetDlgItem(m_hwnd, IDC_BUTTON_ADV_DEFAULT));
    m_hComboPaperSize = GetDlgItem(m_hwnd, IDC_COMBO_PAPERSIZE);
    m_preview.Attach(GetDlgItem(m_hwnd, IDC_STATIC_ADVANCED_PREVIEW));
    m_hComboPaperType = GetDlgItem(m_hwnd, IDC_COMBO_PAPERTYPE);
    m_hEditZoom = GetDlgItem(m_hwnd, IDC_EDIT_ZOOM);
    m_editZoom.Attach(m_hEditZoom);
    // 3.-6.
    LoadLocalizedString();
    FillPaperSizeList();
    FillPaperTypeList();
    SetDefaultOption();
    ExchangeData(false);
    // 7.
    SendMessageA(GetParent(m_hwnd), WM_APP, 0, 0);
    // 8.
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    for (int id : kFontControls) SendDlgItemMessageA(m_hwnd, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // 9.
    SendDlgItemMessageA(m_hwnd, IDC_SPIN_ZOOM, UDM_SETRANGE32, 50, 200);
    // 10.
    m_bInitialized = true;
    ShowWindow(GetDlgItem(m_hwnd, IDC_PICTURE_ADVANCED_MARK), SW_HIDE);
    return TRUE;
}

void CAdvancedOptsPage::LoadLocalizedString() {
    DebugLog("LoadLocalizedString / FileName / %s", gszLocalFileName);
    char text[kTextSize];
    for (const Label& l : kLabels) {
        GetLocalizedString("UI_ADVANCED_TAB", l.key, l.text, text, sizeof text);
        if (l.id == IDC_RADIO_COLORMODE_BW) {
            // The ampersand of "Black & White" is a character, not a mnemonic.
            DebugLog("IDC_RADIO_COLORMODE_BW / %s", text);
            const std::string shown = DoubleAmpersands(text);
            DebugLog("IDC_RADIO_COLORMODE_BW / strRemoveAND %s", shown.c_str());
            SetDlgItemTextA(m_hwnd, l.id, shown.c_str());
            continue;
        }
        SetDlgItemTextA(m_hwnd, l.id, text);
    }
}

void CAdvancedOptsPage::FillPaperSizeList() {
    CParamMngr& p = Params();
    const int remembered = p.GetPaperSize();
    for (int i = 0; i <= 16; ++i) {
        p.SetPaperSize(i);
        const std::string entry = p.FormatPaperListEntry();
        SendMessageA(m_hComboPaperSize, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
    p.SetPaperSize(remembered);
}

void CAdvancedOptsPage::FillPaperTypeList() {
    CParamMngr& p = Params();
    const int remembered = p.GetPaperType();
    for (int i = 0; i <= 10; ++i) {
        p.SetPaperType(i);
        const std::string entry = p.GetPaperTypeName();
        SendMessageA(m_hComboPaperType, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
    p.SetPaperType(remembered);
}

void CAdvancedOptsPage::SetDefaultOption() {
    CParamMngr& p = Params();
    p.SetColorMode(0);
    p.SetResolution(1);
    p.SetZoom(100);
    p.SetZoomFit(0);
    p.SetPaperSize(0);
    p.SetPaperType(0);
    OutputDebugStringA("CAdvancedOptsPage::SetDefaultOption()");
    ExchangeData(false);
    SendMessageA(m_hComboPaperSize, CB_SETCURSEL, static_cast<WPARAM>(p.GetPaperSize()), 0);
    SendMessageA(m_hComboPaperType, CB_SETCURSEL, static_cast<WPARAM>(p.GetPaperType()), 0);
    Click(m_hwnd, IDC_RADIO_COLORMODE_AUTO);
    Click(m_hwnd, IDC_RADIO_RESOLUTION_DRAFT);
    Click(m_hwnd, IDC_CHECK_ZOOM_FIT);
}

bool CAdvancedOptsPage::ExchangeData(bool save) {
    if (!m_hwnd) return false;
    CParamMngr& p = Params();
    if (!save) {
        LoadRadioGroup(m_hwnd, kColorGroup, 2, p.GetColorMode());
        LoadRadioGroup(m_hwnd, kResolutionGroup, 2, p.GetResolution());
        if (!m_hSpinZoom) m_hSpinZoom = GetDlgItem(m_hwnd, IDC_SPIN_ZOOM);
        SetDlgItemInt(m_hwnd, IDC_EDIT_ZOOM, static_cast<UINT>(p.GetZoom()), TRUE);
        if (p.GetZoomFit() < 0 || p.GetZoomFit() > 2) p.ZoomFitRef() = 0;
        CheckDlgButton(m_hwnd, IDC_CHECK_ZOOM_FIT, static_cast<UINT>(p.GetZoomFit()));
        return true;
    }
    p.ColorModeRef() = SaveRadioGroup(m_hwnd, kColorGroup, 2);
    p.ResolutionRef() = SaveRadioGroup(m_hwnd, kResolutionGroup, 2);
    if (!ReadEditInt(m_hwnd, IDC_EDIT_ZOOM, p.ZoomRef())) {
        MessageBeep(0);
        SetFocus(m_hEditZoom);
        return false;
    }
    if (p.GetZoom() < 50 || p.GetZoom() > 200) {
        SetDlgItemTextA(m_hwnd, IDC_EDIT_ZOOM, "50");
        SetFocus(m_hEditZoom);
        return false;
    }
    p.ZoomFitRef() = static_cast<int>(IsDlgButtonChecked(m_hwnd, IDC_CHECK_ZOOM_FIT));
    return true;
}

void CAdvancedOptsPage::OnSelchangeComboPaperSize() {
    CParamMngr& p = Params();
    OutputDebugStringA("OnSelchangeComboPaperSize");
    const int selected = static_cast<int>(SendMessageA(m_hComboPaperSize, CB_GETCURSEL, 0, 0));
    DebugLog("Paper Size : GetCurSel : %d", selected);
    OutputDebugStringA("OnSelchangeComboPaperSize / 1");
    p.SetPaperSize(selected);
    OutputDebugStringA("OnSelchangeComboPaperSize / 2");
    RedrawPreview();
    OutputDebugStringA("OnSelchangeComboPaperSize / 3");
    DebugLog("Paper Size : %s / %s / %d * %d", p.GetPaperSizeName().c_str(), p.GetPaperSizePJL().c_str(),
             static_cast<int>(p.GetPaperWidthMM()), static_cast<int>(p.GetPaperHeightMM()));
}

void CAdvancedOptsPage::OnSelchangeComboPaperType() {
    CParamMngr& p = Params();
    p.SetPaperType(static_cast<int>(SendMessageA(m_hComboPaperType, CB_GETCURSEL, 0, 0)));
    RedrawPreview();
    DebugLog("Paper Type : %s / %s", p.GetPaperTypeName().c_str(), p.GetPaperTypePJL().c_str());
}

void CAdvancedOptsPage::SetPicture(HWND picture, int bitmapId) {
    HBITMAP bitmap = skin::LoadSkinBitmap(bitmapId);
    HBITMAP old = reinterpret_cast<HBITMAP>(
        SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    if (old && old != bitmap) DeleteObject(old);
    InvalidateRect(picture, nullptr, TRUE);
}

void CAdvancedOptsPage::OnClickedRadioColorMode() {
    OutputDebugStringA("OnClickedRadioColorMode");
    ExchangeData(true);
    const int mode = Params().GetColorMode();
    if (mode == 0 || mode == 1) SetPicture(m_hPictureColor, mode == 0 ? IDB_COLOR_AUTO : IDB_COLOR_BW);
    RedrawPreview();
}

void CAdvancedOptsPage::OnClickedRadioResolution() {
    OutputDebugStringA("OnClickedRadioResolution");
    ExchangeData(true);
    const int resolution = Params().GetResolution();
    if (resolution == 0 || resolution == 1)
        SetPicture(m_hPictureResolution, resolution == 0 ? IDB_RESOLUTION_DRAFT : IDB_RESOLUTION_NORMAL);
    RedrawPreview();
}

void CAdvancedOptsPage::OnClickedCheckZoomFit() {
    ExchangeData(true);
    const bool custom = Params().GetZoomFit() == 0;
    EnableWindow(m_hEditZoom, custom);
    EnableWindow(GetDlgItem(m_hwnd, IDC_SPIN_ZOOM), custom);
}

void CAdvancedOptsPage::OnChangeEditCopies() {
    if (!m_bInitialized) return;
    if (!ExchangeData(true)) SetDlgItemTextA(m_hwnd, IDC_EDIT_ZOOM, "100");
    DebugLog("CAdvancedOptsPage :: OnChangeEditCopies / %d", Params().GetZoom());
}

void CAdvancedOptsPage::OnZoomTimer() {
    KillTimer(m_hwnd, DEF_TIMER_ID_ADVANCED_UPDATEDATA);
    DebugLog("Advanced : DEF_TIMER_ID_ADVANCED_UPDATEDATA");
    if (m_bInitialized && !ExchangeData(true)) SetDlgItemTextA(m_hwnd, IDC_EDIT_ZOOM, "100");
}

bool CAdvancedOptsPage::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    result = 0;
    switch (msg) {
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        switch (header->code) {
        case PSN_SETACTIVE:
            OutputDebugStringA("CAdvancedOptsPage : OnSetActive");
            RedrawPreview();
            return true;
        case PSN_APPLY:
            OutputDebugStringA("CAdvancedOptsPage::OnApply()");
            result = PSNRET_INVALID_NOCHANGEPAGE;
            return true;
        case PSN_KILLACTIVE:
        case PSN_RESET:
        case PSN_HELP:
        case PSN_QUERYCANCEL:
            return true;
        }
        return false;
    }
    case WM_CONTEXTMENU:
        ShowContextHelp("Advanced", reinterpret_cast<HWND>(wp), lp, kAdvancedHelpMap);
        return true;
    case WM_TIMER:
        if (wp != DEF_TIMER_ID_ADVANCED_UPDATEDATA) return false;
        OnZoomTimer();
        return true;
    case WM_DROPFILES:
        // The Basic tab checks and lists the files.
        if (g_pMainSheet && g_pMainSheet->BasicPage().Window())
            SendMessageA(g_pMainSheet->BasicPage().Window(), WM_DROPFILES, wp, wp);
        else
            DragFinish(reinterpret_cast<HDROP>(wp));
        return true;
    case WM_COMMAND: {
        const int id = LOWORD(wp), code = HIWORD(wp);
        switch (id) {
        case IDC_RADIO_COLORMODE_AUTO:
        case IDC_RADIO_COLORMODE_BW:
            if (code != BN_CLICKED) return false;
            OnClickedRadioColorMode();
            return true;
        case IDC_RADIO_RESOLUTION_NORMAL:
        case IDC_RADIO_RESOLUTION_DRAFT:
            if (code != BN_CLICKED) return false;
            OnClickedRadioResolution();
            return true;
        case IDC_EDIT_ZOOM:
            if (code == EN_KILLFOCUS) {
                OnChangeEditCopies();
                return true;
            }
            if (code == EN_CHANGE) {
                SetTimer(m_hwnd, DEF_TIMER_ID_ADVANCED_UPDATEDATA, kZoomTimerDelay, nullptr);
                return true;
            }
            return false;
        case IDC_COMBO_PAPERSIZE:
            if (code != CBN_SELCHANGE) return false;
            OnSelchangeComboPaperSize();
            return true;
        case IDC_COMBO_PAPERTYPE:
            if (code != CBN_SELCHANGE) return false;
            OnSelchangeComboPaperType();
            return true;
        case IDC_BUTTON_ADV_DEFAULT:
            if (code != BN_CLICKED) return false;
            SetDefaultOption();
            return true;
        case IDC_CHECK_ZOOM_FIT:
            if (code != BN_CLICKED) return false;
            OnClickedCheckZoomFit();
            return true;
        }
        return false;
    }
    }
    return false;
}
