#include "ui/opts_page_base.h"

#include "base/debug_log.h"
#include "base/localized_text.h"
#include "resources/resource_ids.h"
#include "ui/accessibility.h"
#include "ui/context_help.h"
#include "ui/skin/skin_palette.h"
#include "ui/skin/window_dpi.h"
#include "ui/tab_rules.h"
#include "ui/window_module.h"

COptsPage::COptsPage(int templateId, const char* traceName, const char* textSection, const DWORD* helpMap)
    : m_traceName(traceName), m_textSection(textSection), m_helpMap(helpMap) {
    m_psp.dwSize = sizeof m_psp;
    m_psp.dwFlags = PSP_USECALLBACK | PSP_HASHELP | PSP_USETITLE;
    m_psp.pszTemplate = MAKEINTRESOURCEA(templateId);
    m_psp.pfnDlgProc = DialogProc;
    m_psp.pfnCallback = PropPageCallback;
    m_psp.lParam = reinterpret_cast<LPARAM>(this);
    m_background.Attach(IDB_DIALOG_BACKGROUND, 1);
}

HPROPSHEETPAGE COptsPage::Create() {
    m_psp.hInstance = CWindowModule::Instance();
    m_psp.pszTitle = m_title.c_str();
    return CreatePropertySheetPageA(&m_psp);
}

UINT CALLBACK COptsPage::PropPageCallback(HWND, UINT msg, PROPSHEETPAGEA* page) {
    // The page object travels in the descriptor's lParam to WM_INITDIALOG.
    if (page) DebugLog("%s / PropPageCallback", reinterpret_cast<COptsPage*>(page->lParam)->m_traceName);
    return msg == PSPCB_CREATE ? 1 : 0;
}

INT_PTR CALLBACK COptsPage::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<COptsPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lp)->lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->m_hwnd = hwnd;
        return self->OnInitDialog();
    }
    auto* self = reinterpret_cast<COptsPage*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self) return FALSE;
    if (msg == WM_NCDESTROY) {
        self->m_hwnd = nullptr;
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        return FALSE;
    }
    LRESULT result = 0;
    bool handled = self->OnMessage(msg, wp, lp, result);
    if (!handled) handled = self->OnPageMessage(msg, wp, lp, result);
    if (!handled) handled = self->m_background.HandleMessage(hwnd, msg, wp, lp, &result);
    if (!handled) return FALSE;
    switch (msg) {
    // These answer through the return value, not DWLP_MSGRESULT.
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return static_cast<INT_PTR>(result);
    }
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

bool COptsPage::OnPageMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    result = 0;
    switch (msg) {
    case WM_NOTIFY:
        return OnSheetNotify(reinterpret_cast<NMHDR*>(lp)->code, result);
    case WM_CONTEXTMENU:
        ShowContextHelp(reinterpret_cast<HWND>(wp), lp);
        return true;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wp));
        return true;
    case WM_TIMER:
        return OnTimer(wp);
    case WM_COMMAND:
        return OnCommand(LOWORD(wp), HIWORD(wp));
    }
    return false;
}

bool COptsPage::OnSheetNotify(UINT code, LRESULT& result) {
    switch (code) {
    case PSN_SETACTIVE:
        OnSetActive();
        return true;
    case PSN_APPLY:
        OnApply();
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

void COptsPage::ShowContextHelp(HWND window, LPARAM lp) {
    const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    const int id = window ? GetDlgCtrlID(window) : 0;
    DebugLog("%s : HWND : %d  Point (%d, %d)", m_traceName, static_cast<int>(reinterpret_cast<INT_PTR>(window)), x, y);
    DebugLog("gszHelpFileName : %s , ID : %d", gszHelpFileName, id);
    if (window == m_hwnd) return;
    ShowControlHelp(window, m_helpMap);
}

std::string COptsPage::PageText(const char* key, const char* defaultText) const {
    char text[kTextSize];
    GetLocalizedString(m_textSection, key, defaultText, text, sizeof text);
    return text;
}

void COptsPage::SetLabels(const OptsLabel* labels, std::size_t count) {
    DebugLog("LoadLocalizedString / FileName / %s", gszLocalFileName);
    for (std::size_t i = 0; i < count; ++i) {
        const OptsLabel& l = labels[i];
        const std::string text = PageText(l.key, l.text);
        if (!l.showAmpersands) {
            SetDlgItemTextA(m_hwnd, l.id, text.c_str());
            continue;
        }
        DebugLog("%s / %s", l.key, text.c_str());
        const std::string shown = DoubleAmpersands(text);
        DebugLog("%s / strRemoveAND %s", l.key, shown.c_str());
        SetDlgItemTextA(m_hwnd, l.id, shown.c_str());
    }
    // The edits, combo boxes and lists take their names from these labels.
    access::AnnotateDialog(m_hwnd);
    if (!skin::CurrentPalette().bitmaps) skin::FollowPalette(m_hwnd);
}

void COptsPage::SetGuiFont(const int* ids, std::size_t count) {
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    for (std::size_t i = 0; i < count; ++i)
        SendDlgItemMessageA(m_hwnd, ids[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void COptsPage::ClickButton(int id) {
    SendMessageA(m_hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
}

void COptsPage::SetPicture(HWND picture, int bitmapId) {
    HBITMAP bitmap = skin::LoadSkinBitmap(bitmapId, skin::WindowDpi(picture));
    HBITMAP old = reinterpret_cast<HBITMAP>(
        SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    if (old && old != bitmap) DeleteObject(old);
    InvalidateRect(picture, nullptr, TRUE);
}

int COptsPage::SaveRadioGroup(const int* ids, int count) const {
    for (int i = 0; i < count; ++i)
        if (IsDlgButtonChecked(m_hwnd, ids[i]) == BST_CHECKED) return i;
    return -1;
}

void COptsPage::LoadRadioGroup(const int* ids, int count, int value) {
    for (int i = 0; i < count; ++i) CheckDlgButton(m_hwnd, ids[i], i == value ? BST_CHECKED : BST_UNCHECKED);
}

bool COptsPage::ReadEditInt(int id, int& value) const {
    char text[64] = "";
    GetDlgItemTextA(m_hwnd, id, text, sizeof text);
    return ParseEditInt(text, value);
}

bool COptsPage::SaveEditInt(int id, int& field, int lo, int hi, const char* correction) {
    HWND edit = Item(id);
    if (!ReadEditInt(id, field)) {
        MessageBeep(0);
        SetFocus(edit);
        return false;
    }
    if (field >= lo && field <= hi) return true;
    if (correction) {
        SetDlgItemTextA(m_hwnd, id, correction);
        SetFocus(edit);
    }
    return false;
}
