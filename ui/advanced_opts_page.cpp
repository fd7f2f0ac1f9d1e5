#include "ui/advanced_opts_page.h"

#include <commctrl.h>
#include <shellapi.h>


#include "base/debug_log.h"
#include "resources/resource_ids.h"
#include "settings/param_mngr.h"
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

const OptsLabel kLabels[] = {
    {IDC_STATIC_PAPAEROPTION, "IDC_STATIC_PAPAEROPTION", "Paper Option"},
    {IDC_STATIC_PAPERSIZE, "IDC_STATIC_PAPERSIZE", "&Size"},
    {IDC_STATIC_PAPERTYPE, "IDC_STATIC_PAPERTYPE", "&Type"},
    {IDC_STATIC_RESOLUTION, "IDC_STATIC_RESOLUTION", "Resolution"},
    {IDC_RADIO_RESOLUTION_DRAFT, "IDC_RADIO_RESOLUTION_DRAFT", "&Draft"},
    {IDC_RADIO_RESOLUTION_NORMAL, "IDC_RADIO_RESOLUTION_NORMAL", "N&ormal"},
    {IDC_STATIC_COLORMODE, "IDC_STATIC_COLORMODE", "&Color"},
    {IDC_RADIO_COLORMODE_AUTO, "IDC_RADIO_COLORMODE_AUTO", "&Auto"},
    {IDC_RADIO_COLORMODE_BW, "IDC_RADIO_COLORMODE_BW", "Black & White", true},
    {IDC_STATIC_REDUCEENLARGE, "IDC_STATIC_REDUCEENLARGE", "Reduce / Enlarge"},
    {IDC_CHECK_ZOOM_FIT, "IDC_CHECK_ZOOM_FIT", "&Fit to page"},
    {IDC_STATIC_CUSTOM, "IDC_STATIC_CUSTOM", "C&ustom :"},
    {IDC_BUTTON_ADV_DEFAULT, "IDC_BUTTON_ADV_DEFAULT", "D&efault"},
};

const int kFontControls[] = {1028, 1052, 1014, 1053, 1015, 1029, 1045, 1010, 1044, 1030,
                             1043, 1009, 1011, 1031, 1038, 1032, 1012, 1013, 1020, 1050};

const int kColorGroup[] = {IDC_RADIO_COLORMODE_AUTO, IDC_RADIO_COLORMODE_BW};
const int kResolutionGroup[] = {IDC_RADIO_RESOLUTION_DRAFT, IDC_RADIO_RESOLUTION_NORMAL};

// The sheet creates the settings before it shows any page.
CParamMngr& Params() { return *CParamMngr::GetInstance(); }

// Lists the entries 0..last of a catalogue, each as the settings name it when
// set to it; the settings get their own index back afterwards.
void FillCatalogueList(HWND combo, int last, int (CParamMngr::*get)() const, bool (CParamMngr::*set)(int),
                       std::string (CParamMngr::*entry)() const) {
    CParamMngr& p = Params();
    const int remembered = (p.*get)();
    for (int i = 0; i <= last; ++i) {
        (p.*set)(i);
        const std::string text = (p.*entry)();
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    (p.*set)(remembered);
}

}  // namespace

CAdvancedOptsPage::CAdvancedOptsPage()
    : COptsPage(IDD_ADVANCEDDLG, "Advanced", "UI_ADVANCED_TAB", kAdvancedHelpMap),
      m_btnDefault(IDB_BUTTON_STRIP, 2, 0) {
    DebugLog("CAdvancedOptsPage");
    // Each topic of the help map once (controls that share a topic stand together).
    DWORD previous = 0;
    for (const DWORD* pair = kAdvancedHelpMap; pair[0] != 0; pair += 2)
        if (pair[1] != previous) DebugLog("0x%x", static_cast<unsigned>(previous = pair[1]));
}

INT_PTR CAdvancedOptsPage::OnInitDialog() {
    // 1.
    OutputDebugStringA("CAdvancedOptsPage::OnInitDialog:");
    // 2.
    m_hPictureColor = Item(IDC_PICTURE_COLORMODE);
    m_hPictureResolution = Item(IDC_PICTURE_RESOLUTION);
    m_btnDefault.Attach(Item(IDC_BUTTON_ADV_DEFAULT));
    m_hComboPaperSize = Item(IDC_COMBO_PAPERSIZE);
    m_preview.Attach(Item(IDC_STATIC_ADVANCED_PREVIEW));
    m_hComboPaperType = Item(IDC_COMBO_PAPERTYPE);
    m_hEditZoom = Item(IDC_EDIT_ZOOM);
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
    SetGuiFont(kFontControls);
    // 9.
    SendDlgItemMessageA(m_hwnd, IDC_SPIN_ZOOM, UDM_SETRANGE32, 50, 200);
    // 10.
    m_bInitialized = true;
    ShowWindow(Item(IDC_PICTURE_ADVANCED_MARK), SW_HIDE);
    return TRUE;
}

void CAdvancedOptsPage::LoadLocalizedString() { SetLabels(kLabels); }

void CAdvancedOptsPage::FillPaperSizeList() {
    FillCatalogueList(m_hComboPaperSize, 16, &CParamMngr::GetPaperSize, &CParamMngr::SetPaperSize,
                      &CParamMngr::FormatPaperListEntry);
}

void CAdvancedOptsPage::FillPaperTypeList() {
    FillCatalogueList(m_hComboPaperType, 10, &CParamMngr::GetPaperType, &CParamMngr::SetPaperType,
                      &CParamMngr::GetPaperTypeName);
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
    ClickButton(IDC_RADIO_COLORMODE_AUTO);
    ClickButton(IDC_RADIO_RESOLUTION_DRAFT);
    ClickButton(IDC_CHECK_ZOOM_FIT);
}

bool CAdvancedOptsPage::ExchangeData(bool save) {
    if (!m_hwnd) return false;
    CParamMngr& p = Params();
    if (!save) {
        LoadRadioGroup(kColorGroup, 2, p.GetColorMode());
        LoadRadioGroup(kResolutionGroup, 2, p.GetResolution());
        LoadEditInt(IDC_EDIT_ZOOM, p.GetZoom());
        if (p.GetZoomFit() < 0 || p.GetZoomFit() > 2) p.ZoomFitRef() = 0;
        CheckDlgButton(m_hwnd, IDC_CHECK_ZOOM_FIT, static_cast<UINT>(p.GetZoomFit()));
        return true;
    }
    p.ColorModeRef() = SaveRadioGroup(kColorGroup, 2);
    p.ResolutionRef() = SaveRadioGroup(kResolutionGroup, 2);
    if (!SaveEditInt(IDC_EDIT_ZOOM, p.ZoomRef(), 50, 200, "50")) return false;
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
    EnableWindow(Item(IDC_SPIN_ZOOM), custom);
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

void CAdvancedOptsPage::OnChangeEditZoom() { RestartTimer(DEF_TIMER_ID_ADVANCED_UPDATEDATA, kZoomTimerDelay); }

void CAdvancedOptsPage::OnSetActive() {
    OutputDebugStringA("CAdvancedOptsPage : OnSetActive");
    RedrawPreview();
}

void CAdvancedOptsPage::OnApply() { OutputDebugStringA("CAdvancedOptsPage::OnApply()"); }

void CAdvancedOptsPage::OnDropFiles(HDROP drop) {
    // The Basic tab (the sheet's first page) checks and lists the files.
    HWND basic = PropSheet_IndexToHwnd(GetParent(m_hwnd), 0);
    if (basic)
        SendMessageA(basic, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), reinterpret_cast<LPARAM>(drop));
    else
        DragFinish(drop);
}

bool CAdvancedOptsPage::OnTimer(UINT_PTR id) {
    if (id != DEF_TIMER_ID_ADVANCED_UPDATEDATA) return false;
    OnZoomTimer();
    return true;
}

bool CAdvancedOptsPage::OnCommand(int id, int code) {
    using Page = CAdvancedOptsPage;
    static const OptsCommand<Page> kCommands[] = {
        {IDC_RADIO_COLORMODE_AUTO, BN_CLICKED, &Page::OnClickedRadioColorMode},
        {IDC_RADIO_COLORMODE_BW, BN_CLICKED, &Page::OnClickedRadioColorMode},
        {IDC_RADIO_RESOLUTION_NORMAL, BN_CLICKED, &Page::OnClickedRadioResolution},
        {IDC_RADIO_RESOLUTION_DRAFT, BN_CLICKED, &Page::OnClickedRadioResolution},
        {IDC_EDIT_ZOOM, EN_KILLFOCUS, &Page::OnChangeEditCopies},
        {IDC_EDIT_ZOOM, EN_CHANGE, &Page::OnChangeEditZoom},
        {IDC_COMBO_PAPERSIZE, CBN_SELCHANGE, &Page::OnSelchangeComboPaperSize},
        {IDC_COMBO_PAPERTYPE, CBN_SELCHANGE, &Page::OnSelchangeComboPaperType},
        {IDC_BUTTON_ADV_DEFAULT, BN_CLICKED, &Page::SetDefaultOption},
        {IDC_CHECK_ZOOM_FIT, BN_CLICKED, &Page::OnClickedCheckZoomFit},
    };
    return DispatchCommand(this, kCommands, id, code);
}
