#include "ui/main_property_sheet.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/ansi_text.h"
#include "base/debug_log.h"
#include "base/localized_text.h"
#include "device/printer_state_text.h"
#include "job/job_message.h"
#include "device/file_language.h"
#include "device/prt_control.h"
#include "job/job_sender.h"
#include "resources/resource_ids.h"
#include "settings/param_mngr.h"
#include "ui/accessibility.h"
#include "ui/context_help.h"
#include "ui/skin/window_centre.h"
#include "ui/skin/window_dpi.h"
#include "ui/version_splash.h"
#include "ui/window_module.h"

CMainPropertySheet* g_pMainSheet = nullptr;

namespace {

constexpr UINT kCentreRequest = WM_APP;
// A job message asked for by the batch's worker thread; lParam: the JobMessageRequest.
constexpr UINT kJobMessageRequest = WM_APP + 1;

struct JobMessageRequest {
    const char* title;
    const char* text;
};
constexpr int kTabControlId = 0x3020;

// Control id -> help topic; ends with a pair of zeros.
const DWORD kSheetHelpMap[] = {IDOK, 0x20001, IDCANCEL, 0x20002, IDHELP, 0x20009, kTabControlId, 0x23020, 0, 0};

// The sheet being created: the property sheet callback carries no user data.
CMainPropertySheet* g_creating = nullptr;

void ReadFileVersion(char* buffer, size_t size) {
    buffer[0] = '\0';
    char path[MAX_PATH];
    if (!GetModuleFileNameA(nullptr, path, sizeof path)) return;
    DWORD handle = 0;
    const DWORD length = GetFileVersionInfoSizeA(path, &handle);
    if (!length) return;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, length);
    if (!block) return;
    void* data = GlobalLock(block);
    char* value = nullptr;
    UINT valueLength = 0;
    if (data && GetFileVersionInfoA(path, 0, length, data) &&
        VerQueryValueA(data, "\\StringFileInfo\\040904B0\\FileVersion", reinterpret_cast<void**>(&value),
                       &valueLength) && value) {
        lstrcpynA(buffer, value, static_cast<int>(size));
    }
    GlobalUnlock(block);
    GlobalFree(block);
}

}  // namespace

CMainPropertySheet::CMainPropertySheet(const char* caption, UINT startPage, HWND parent)
    : m_hollowBrush(static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH))),
      m_brushStatic(CreateSolidBrush(RGB(238, 238, 238))),
      m_brushDialog(CreateSolidBrush(RGB(241, 241, 244))),
      m_frame(IDB_FRAME_ACTIVE, IDB_FRAME_INACTIVE, IDB_CAPTION_CLOSE, IDB_CAPTION_MINIMIZE) {
    // 1. The header.
    m_psh.dwSize = sizeof m_psh;
    m_psh.dwFlags = PSH_USECALLBACK;
    m_psh.hInstance = CWindowModule::Instance();
    m_psh.pszCaption = caption;
    m_psh.nStartPage = startPage;
    m_psh.hwndParent = parent;
    m_psh.pfnCallback = SheetCallback;

    // 2. Skin pieces and pages.
    m_background.Attach(IDB_DIALOG_BACKGROUND, 1);
    m_pTabCtrl.reset(new skin::CSkinTabCtrl(1, 3, IDB_TAB_SELECTED, IDB_TAB_UNSELECTED, IDB_TAB_BACKGROUND));
    for (auto& button : m_pButtons) button.reset(new skin::CSkinButton(IDB_BUTTON_STRIP, 2, 0));
    m_pTestPrint.reset(new CTestPrint);
    m_pBasicPage.reset(new CBasicOptsPage);
    m_pAdvancedPage.reset(new CAdvancedOptsPage);

    // 3. No Apply button; Help shown.
    m_psh.dwFlags |= PSH_NOAPPLYNOW | PSH_HASHELP;

    // 4. Settings with the start-up defaults; without them the sheet is not shown.
    if (CParamMngr* settings = CParamMngr::create()) {
        settings->SetZoom(100);
        DebugLog("######### ZOOM : %d", settings->GetZoom());
        settings->ApplyStartupDefaults();
    }

    // The job sender's messages appear in the skinned message box over the sheet.
    SetJobMessageBox(ShowJobMessageBox);

    // 5., 6. The pages.
    m_pBasicPage->SetTestPrint(m_pTestPrint.get());
    AddPage(*m_pBasicPage, "IDD_BASICDLG", "Basic");
    AddPage(*m_pAdvancedPage, "IDD_ADVANCEDDLG", "Advanced");

    // 7.
    DebugLog("CMainPropertySheet");
    for (size_t i = 1; i < sizeof kSheetHelpMap / sizeof kSheetHelpMap[0]; i += 2)
        if (kSheetHelpMap[i]) DebugLog("0x%x", static_cast<unsigned>(kSheetHelpMap[i]));
}

void CMainPropertySheet::AddPage(COptsPage& page, const char* key, const char* defaultTitle) {
    char title[kTextSize];
    GetLocalizedString("UI_SHEET", key, defaultTitle, title, sizeof title);
    page.SetTitle(title);
    HPROPSHEETPAGE handle = page.Create();
    if (!handle) return;
    if (m_hwnd) {
        if (!SendMessageA(m_hwnd, PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(handle))) DestroyPropertySheetPage(handle);
        return;
    }
    m_arrPages.push_back(handle);
}

CMainPropertySheet::~CMainPropertySheet() {
    DebugLog("CMainPropertySheet::~CMainPropertySheet()");
    if (CParamMngr::GetInstance()) CParamMngr::release();
    m_pAdvancedPage.reset();
    m_pBasicPage.reset();
    m_pTestPrint.reset();
    SetJobMessageBox(nullptr);
    for (auto& button : m_pButtons) button.reset();
    m_pTabCtrl.reset();
    m_brushStatic.reset();
    m_brushDialog.reset();
    for (HPROPSHEETPAGE page : m_arrPages) DestroyPropertySheetPage(page);
    m_arrPages.clear();
    if (g_pMainSheet == this) g_pMainSheet = nullptr;
}

INT_PTR CMainPropertySheet::DoModal() {
    if (!CParamMngr::GetInstance()) return -1;  // the settings could not be created
    if (!m_psh.hwndParent) m_psh.hwndParent = GetActiveWindow();
    m_psh.dwFlags &= ~static_cast<DWORD>(PSH_MODELESS);
    m_psh.nPages = static_cast<UINT>(m_arrPages.size());
    m_psh.phpage = m_arrPages.data();
    g_creating = this;
    const INT_PTR result = PropertySheetA(&m_psh);
    g_creating = nullptr;
    return result;
}

int CALLBACK CMainPropertySheet::SheetCallback(HWND hwnd, UINT kind, LPARAM data) {
    if (kind == PSCB_PRECREATE && data) {
        // Own frame instead of the system caption: style + 0x7FFB0000, 3 x 5 units more.
        auto* words = reinterpret_cast<WORD*>(data);
        if (words[0] == 1 && words[1] == 0xFFFF) {  // extended template
            auto* style = reinterpret_cast<DWORD*>(words + 6);
            *style += 0x7FFB0000u;
            words[11] += 3;
            words[12] += 5;
        } else {
            auto* tmpl = reinterpret_cast<DLGTEMPLATE*>(data);
            tmpl->style += 0x7FFB0000u;
            tmpl->cx += 3;
            tmpl->cy += 5;
        }
        return 0;
    }
    if (kind == PSCB_INITIALIZED && g_creating) {
        g_creating->OnInitialized(hwnd);
        return 0;
    }
    return 0;
}

void CMainPropertySheet::OnInitialized(HWND hwnd) {
    // 1. From now on the window owns the pages.
    m_hwnd = hwnd;
    SetWindowSubclass(hwnd, SheetProc, 1, reinterpret_cast<DWORD_PTR>(this));
    m_arrPages.clear();
    m_frame.Install(hwnd);
    // 2.
    skin::CentreWindow(hwnd, m_psh.hwndParent);
    // 3.-5.
    char text[kTextSize];
    GetLocalizedString("UI_SHEET", "IDL_PRINT", "&Print", text, sizeof text);
    SetDlgItemTextA(hwnd, IDOK, text);
    m_pButtons[0]->Attach(GetDlgItem(hwnd, IDOK));
    GetLocalizedString("UI_SHEET", "IDL_CANCEL", "Ca&ncel", text, sizeof text);
    SetDlgItemTextA(hwnd, IDCANCEL, text);
    m_pButtons[1]->Attach(GetDlgItem(hwnd, IDCANCEL));
    m_pButtons[2]->Attach(GetDlgItem(hwnd, IDHELP));
    GetLocalizedString("UI_SHEET", "IDL_HELP", "&Help", text, sizeof text);
    SetDlgItemTextA(hwnd, IDHELP, text);
    EnableWindow(GetDlgItem(hwnd, IDHELP), TRUE);
    // 6.
    HWND tab = reinterpret_cast<HWND>(SendMessageA(hwnd, PSM_GETTABCONTROL, 0, 0));
    if (tab) {
        m_pTabCtrl->Attach(tab);
        const LONG style = GetWindowLongA(tab, GWL_STYLE);
        if (!(style & TCS_FIXEDWIDTH)) SetWindowLongA(tab, GWL_STYLE, style | TCS_FIXEDWIDTH);
        const int dpi = skin::WindowDpi(tab);
        SendMessageA(tab, TCM_SETITEMSIZE, 0, MAKELPARAM(skin::SkinPx(91, dpi), skin::SkinPx(27, dpi)));
    }
    // 7., 8.
    char version[kTextSize];
    ReadFileVersion(version, sizeof version);
    GetLocalizedString("UI_SHEET", "IDL_VERSION", "Version", text, sizeof text);
    char splashText[2 * kTextSize + 4];
    std::snprintf(splashText, sizeof splashText, "%s : %s", text, version);
    CVersionSplash::Show(IDB_SPLASH, 2000, hwnd, splashText);
    // 9.
    Sleep(1000);
}

LRESULT CALLBACK CMainPropertySheet::SheetProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    return reinterpret_cast<CMainPropertySheet*>(ref)->OnMessage(hwnd, msg, wp, lp);
}

LRESULT CMainPropertySheet::OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kCentreRequest:
        OnCentreRequest();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            OnPrint();
            return 0;
        }
        if (LOWORD(wp) == IDHELP) {
            OnHelp();
            return 0;
        }
        break;
    case kJobMessageRequest: {
        const auto* request = reinterpret_cast<const JobMessageRequest*>(lp);
        const bool sending = m_printProgress.Running();
        skin::ShowSkinMessageBox(m_printProgress.Box() ? m_printProgress.Box() : hwnd, request->title, request->text);
        // The box enables its owner when it closes; the sheet stays off while the batch runs.
        if (sending) EnableWindow(hwnd, FALSE);
        return 0;
    }
    case WM_CLOSE:
        // Closing during a send cancels the batch first; Print closes the sheet once it is over.
        if (m_printProgress.Running()) {
            m_bCloseAfterPrint = true;
            m_printProgress.Cancel();
            return 0;
        }
        break;
    case WM_SYSCOMMAND:
        OnSysCommand(wp);
        break;
    case WM_CONTEXTMENU: {
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        if (OnContextMenu(reinterpret_cast<HWND>(wp), pt)) return 0;
        break;
    }
    case WM_ACTIVATE:
        // The sheet is shown and activated after the splash, and a window
        // system may stack it above the splash then.
        if (LOWORD(wp) != WA_INACTIVE) CVersionSplash::BringToFront();
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, SheetProc, 1);
        m_hwnd = nullptr;
        return DefSubclassProc(hwnd, msg, wp, lp);
    }
    LRESULT result = 0;
    if (m_frame.HandleMessage(hwnd, msg, wp, lp, &result)) return result;
    if (m_background.HandleMessage(hwnd, msg, wp, lp, &result)) return result;
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void CMainPropertySheet::OnCentreRequest() {
    if (m_bCentred) return;
    m_bCentred = true;
    skin::CentreWindow(m_hwnd, m_psh.hwndParent);
}

void CMainPropertySheet::OnPrint() {
    // Only a printer whose check found a language it takes gets anything; Enter
    // or a posted command must not get past a hidden Print button.
    // Nor one still being checked.
    // Nor a second time while a send runs: the sheet is disabled, but a posted
    // command still arrives through the progress box's message loop.
    if (m_printProgress.Running()) return;
    if (m_pBasicPage->Checking() || m_pBasicPage->GetSupportedTypes() <= 0) return;
    if (!PrinterStateAllowsSend()) return;
    // The focus leaves the edits so that their corrections run; a control gets it back.
    access::FocusKeeper keepFocus(m_hwnd, GetDlgItem(m_hwnd, IDOK));
    SetFocus(m_hwnd);
    // A value corrected on the Basic tab does not stop printing.
    m_pBasicPage->ExchangeData(true);
    m_pBasicPage->UpdateBasicData();
    if (m_pBasicPage->GetFileCount() == 0) ShowJobMessage(kJobMessageNoFiles);
    if (m_pAdvancedPage->IsInitialized()) m_pAdvancedPage->ExchangeData(true);
    // One job per row, in list order, sent on a worker thread.
    std::vector<std::string> paths;
    for (int row = 0; row < m_pBasicPage->GetFileCount(); ++row) paths.push_back(m_pBasicPage->GetFilePath(row));
    if (paths.empty()) return;
    StateTarget target;
    bool askPrinter = false;
    {
        target = m_pBasicPage->GetStateTarget();
        const PrinterState& state = m_pBasicPage->GetPrinterState();
        askPrinter = state.condition != PrinterCondition::kUnknown || state.pageCount >= 0;
    }
    const std::vector<JobSendResult> results = m_printProgress.Run(m_hwnd, *m_pTestPrint, paths, target, askPrinter);
    // A file that did not reach the printer keeps its row, and the user hears of it once.
    std::vector<int> sent;
    for (std::size_t row = 0; row < results.size(); ++row)
        if (results[row] == JobSendResult::kSent) sent.push_back(static_cast<int>(row));
    m_pBasicPage->RemoveFiles(sent);
    if (m_bCloseAfterPrint) {
        PostMessageA(m_hwnd, WM_CLOSE, 0, 0);
        return;
    }
    ShowPrintOutcome(results, paths);
}

bool CMainPropertySheet::PrinterStateAllowsSend() {
    const PrinterState& state = m_pBasicPage->GetPrinterState();
    if (!AsksBeforePrint(state) || m_pBasicPage->GetFileCount() == 0) return true;
    char title[kTextSize], format[kTextSize], print[kTextSize], cancel[kTextSize];
    GetLocalizedString("UI_SHEET", "IDL_TITLE", "Orvane", title, sizeof title);
    GetLocalizedString("ERROR_MSG", "IDL_MESSAGE_PRINTERSTOPSJOB",
                       "The printer reports: %s. It keeps the job until this is cleared. Print anyway?", format,
                       sizeof format);
    GetLocalizedString("UI_SHEET", "IDL_PRINT", "Print", print, sizeof print);
    GetLocalizedString("UI_SHEET", "IDL_CANCEL", "Cancel", cancel, sizeof cancel);
    const ConditionWords words = WordsFor(state.condition);
    char word[kTextSize] = "";
    if (words.key) GetLocalizedString("UI_BASIC_TAB", words.key, words.english, word, sizeof word);
    const std::string text = FormatLocalized(format, {DescribeState(state, word)});
    DebugLog("CMainPropertySheet::OnPrint : the printer reports %s", state.reported.c_str());
    return skin::AskSkinQuestion(m_hwnd, title, text.c_str(), print, cancel);
}

void CMainPropertySheet::ShowPrintOutcome(const std::vector<JobSendResult>& results,
                                          const std::vector<std::string>& paths) {
    const auto sent = std::count(results.begin(), results.end(), JobSendResult::kSent);
    char title[kTextSize], text[kTextSize];
    GetLocalizedString("UI_SHEET", "IDL_TITLE", "Orvane", title, sizeof title);
    const std::vector<FileFate>& fates = m_printProgress.Fates();
    if (!fates.empty() && !m_printProgress.WasCancelled()) {
        // What became of each sent file, then what could not be sent.
        GetLocalizedString("ERROR_MSG", "IDL_MESSAGE_JOBFATE", "What became of the files sent:", text, sizeof text);
        std::string message = text;
        const FateFormats formats = LocalizedFateFormats();
        std::size_t fate = 0;
        for (std::size_t row = 0; row < results.size() && fate < fates.size(); ++row) {
            if (results[row] != JobSendResult::kSent) continue;
            message += "\r\n" + FateLine(FindFileNamePart(paths[row].c_str(), IsAnsiLeadByte), fates[fate++], formats);
        }
        if (sent != static_cast<std::ptrdiff_t>(results.size())) {
            GetLocalizedString("ERROR_MSG", "IDL_MESSAGE_SENDFAILED",
                               "Some files could not be sent to the printer. They remain in the list; check the "
                               "printer and try again.",
                               text, sizeof text);
            message += std::string("\r\n\r\n") + text;
        }
        // "printed" is news, not an error: the error icon stays for a file not sent,
        // a warning goes with a printer that reports one.
        const bool printerError = std::any_of(fates.begin(), fates.end(),
                                              [](const FileFate& f) { return f.fate == JobFate::kPrinterError; });
        LPCSTR icon = sent != static_cast<std::ptrdiff_t>(results.size()) ? IDI_HAND
                      : printerError                                     ? IDI_EXCLAMATION
                                                                         : IDI_ASTERISK;
        skin::ShowSkinMessageBox(m_hwnd, title, message.c_str(), icon);
        return;
    }
    if (sent == static_cast<std::ptrdiff_t>(results.size())) return;
    if (m_printProgress.WasCancelled()) {
        GetLocalizedString("ERROR_MSG", "IDL_MESSAGE_CANCELLED",
                           "Printing was cancelled: %d of %d files were sent. The others remain in the list.", text,
                           sizeof text);
        const std::string message = FormatLocalized(text, {std::to_string(sent), std::to_string(results.size())});
        ShowJobMessageBox(0, title, message.c_str());
        return;
    }
    GetLocalizedString("ERROR_MSG", "IDL_MESSAGE_SENDFAILED",
                       "Some files could not be sent to the printer. They remain in the list; check the printer "
                       "and try again.",
                       text, sizeof text);
    ShowJobMessageBox(0, title, text);
}

void CMainPropertySheet::ShowJobMessageBox(int, const char* title, const char* text) {
    HWND sheet = g_pMainSheet ? g_pMainSheet->m_hwnd : nullptr;
    if (sheet && GetWindowThreadProcessId(sheet, nullptr) != GetCurrentThreadId()) {
        // A window belongs to its thread: the worker asks the sheet and waits for the answer.
        JobMessageRequest request{title, text};
        SendMessageA(sheet, kJobMessageRequest, 0, reinterpret_cast<LPARAM>(&request));
        return;
    }
    skin::ShowSkinMessageBox(sheet, title, text);
}

void CMainPropertySheet::OnHelp() {
    {
        // The control is focused again before the help window takes the activation,
        // so that the sheet gives it the focus back when it is activated again.
        access::FocusKeeper keepFocus(m_hwnd, GetDlgItem(m_hwnd, IDHELP));
        SetFocus(m_hwnd);
        DebugLog("CMainPropertySheet::OnHelp : %s", gszHelpFileName);
    }
    CallHtmlHelp(nullptr, gszHelpFileName, kHhDisplayTopic, 0);
}

bool CMainPropertySheet::OnContextMenu(HWND window, POINT screen) {
    const int id = window ? GetDlgCtrlID(window) : 0;
    DebugLog("Sheet : HWND : %d  Point (%d, %d)", static_cast<int>(reinterpret_cast<INT_PTR>(window)),
             static_cast<int>(screen.x), static_cast<int>(screen.y));
    DebugLog("gszHelpFileName : %s , ID : %d", gszHelpFileName, id);
    if (id == 0 || id == kTabControlId) return false;
    if (window != m_hwnd) ShowControlHelp(window, kSheetHelpMap);
    return true;
}

void CMainPropertySheet::OnSysCommand(WPARAM command) {
    if ((command & 0xFFF0) == SC_MINIMIZE) {
        DebugLog("OnSysCommand : SC_MINIMIZE");
        ShowWindow(m_hwnd, SW_MINIMIZE);
    }
}
