#include "ui/opts_page_base.h"

#include <cstdio>

#include "app/debug_log.h"
#include "app/localized_text.h"
#include "resources/resource_ids.h"
#include "ui/main_property_sheet.h"
#include "ui/window_module.h"

namespace {
constexpr UINT kHhTpHelpContextMenu = 0x0010;
}

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

void COptsPage::ShowContextHelp(const char* traceName, HWND window, LPARAM lp, const DWORD* helpMap) {
    const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    const int id = window ? GetDlgCtrlID(window) : 0;
    DebugLog("%s : HWND : %d  Point (%d, %d)", traceName, static_cast<int>(reinterpret_cast<INT_PTR>(window)), x, y);
    DebugLog("gszHelpFileName : %s , ID : %d", gszHelpFileName, id);
    if (window == m_hwnd) return;
    char path[kPathSize + 16];
    std::snprintf(path, sizeof path, "%s::/cshelp.txt", gszHelpFileName);
    DebugLog("szHelpFile : %s", path);
    CallHtmlHelp(window, path, kHhTpHelpContextMenu, reinterpret_cast<DWORD_PTR>(helpMap));
}
