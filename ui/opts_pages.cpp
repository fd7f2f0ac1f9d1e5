#include "ui/opts_pages.h"

#include "app/debug_log.h"
#include "resources/resource_ids.h"
#include "ui/window_module.h"

COptsPage::COptsPage(int templateId, const char* traceName) : m_traceName(traceName) {
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
    if (page) DebugLog("%s / PropPageCallback", reinterpret_cast<COptsPage*>(page->lParam)->m_traceName);
    return msg == PSPCB_CREATE ? 1 : 0;
}

INT_PTR CALLBACK COptsPage::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<COptsPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lp)->lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->m_hwnd = hwnd;
    }
    auto* self = reinterpret_cast<COptsPage*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self) return FALSE;
    LRESULT result = 0;
    if (self->m_background.HandleMessage(hwnd, msg, wp, lp, &result)) {
        if (msg == WM_CTLCOLORSTATIC) return static_cast<INT_PTR>(result);
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    switch (msg) {
    case WM_INITDIALOG:
        self->OnInitDialog();
        SendMessageA(GetParent(hwnd), WM_APP, 0, 0);  // centre request to the sheet
        self->m_bInitialized = true;
        return TRUE;
    case WM_NCDESTROY:
        self->m_hwnd = nullptr;
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        break;
    }
    return FALSE;
}

CBasicOptsPage::CBasicOptsPage() : COptsPage(IDD_BASICDLG, "Basic") {}

HWND CBasicOptsPage::FileList() const { return m_hwnd ? GetDlgItem(m_hwnd, IDC_LIST_FILE) : nullptr; }

CAdvancedOptsPage::CAdvancedOptsPage() : COptsPage(IDD_ADVANCEDDLG, "Advanced") {}
