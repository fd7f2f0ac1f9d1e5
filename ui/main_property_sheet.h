// The program's only main window: a modal two-page property sheet drawn with the
// skin, with Print, Cancel and Help, a version splash, and the help file.
#pragma once
#include <windows.h>
#include <prsht.h>

#include <memory>
#include <string>
#include <vector>

#include "spooler/spooler_access.h"
#include "ui/opts_pages.h"
#include "ui/print_progress.h"
#include "ui/skin/skin_frame.h"
#include "ui/skin/skin_gdi.h"

class CMainPropertySheet {
public:
    CMainPropertySheet(const char* caption, UINT startPage, HWND parent);
    ~CMainPropertySheet();
    CMainPropertySheet(const CMainPropertySheet&) = delete;
    CMainPropertySheet& operator=(const CMainPropertySheet&) = delete;

    // PropertySheetA with the header; the owner is the active window when no parent was given.
    INT_PTR DoModal();
    void RemoveAllPageHandles() { m_arrPages.clear(); }

    CBasicOptsPage& BasicPage() { return *m_pBasicPage; }
    HWND Window() const { return m_hwnd; }

    // The job sender's messages, shown in the skinned message box owned by the
    // sheet (by the progress box while it is shown), also when the sender runs
    // on the batch's worker thread.
    static void ShowJobMessageBox(int kind, const char* title, const char* text);

private:
    static int CALLBACK SheetCallback(HWND hwnd, UINT kind, LPARAM data);
    static LRESULT CALLBACK SheetProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT OnMessage(HWND, UINT, WPARAM, LPARAM);
    void OnInitialized(HWND hwnd);
    void AddPage(COptsPage& page, const char* key, const char* defaultTitle);
    void OnPrint();
    void OnHelp();
    bool OnContextMenu(HWND window, POINT screen);
    void OnSysCommand(WPARAM command);
    void OnCentreRequest();
    void ShowPrintOutcome(const std::vector<JobSendResult>& results, const std::vector<std::string>& paths);
    // When the printer said it would keep a job (no paper, a jam...), asks whether to send all the same.
    bool PrinterStateAllowsSend();

    PROPSHEETHEADERA m_psh{};
    std::vector<HPROPSHEETPAGE> m_arrPages;
    skin::CSkinBackground m_background;
    skin::GdiObject<HBRUSH> m_hollowBrush, m_brushStatic, m_brushDialog;
    skin::CSkinFrame m_frame;
    std::unique_ptr<skin::CSkinTabCtrl> m_pTabCtrl;
    std::unique_ptr<skin::CSkinButton> m_pButtons[3];
    std::unique_ptr<CTestPrint> m_pTestPrint;  // the Basic tab's printer list; owned here
    std::unique_ptr<CBasicOptsPage> m_pBasicPage;
    std::unique_ptr<CAdvancedOptsPage> m_pAdvancedPage;
    CPrintProgress m_printProgress;
    bool m_bCloseAfterPrint = false;  // the sheet was closed while a batch was sent
    bool m_bCentred = false;
    HWND m_hwnd = nullptr;
};

// Set by start-up right after construction.
extern CMainPropertySheet* g_pMainSheet;
