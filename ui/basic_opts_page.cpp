#include "ui/basic_opts_page.h"

#include <cderr.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "base/ansi_path.h"
#include "base/ansi_text.h"
#include "base/debug_log.h"
#include "base/localized_text.h"
#include "device/printer_check.h"
#include "device/printer_choice.h"
#include "device/printer_state_text.h"
#include "device/prt_control.h"
#include "device/supported_types.h"
#include "job/file_check.h"
#include "resources/resource_ids.h"
#include "settings/param_mngr.h"
#include "spooler/spooler_access.h"
#include "ui/skin/skin_frame.h"
#include "ui/skin/skin_palette.h"
#include "ui/skin/window_dpi.h"
#include "ui/tab_rules.h"

namespace {

// A check's own device and registry readers: a superseded check may still be
// asking while the next one starts, and the system's readers hold one open key
// or device list at a time.
struct CheckReaders {
    std::unique_ptr<DeviceIo> device = NewSystemDeviceIo();
    std::unique_ptr<RegistryReader> registry = NewSystemRegistry();
};
class CheckOwnReaders : private CheckReaders, public CPrtControl {
public:
    CheckOwnReaders() : CPrtControl(*device, *registry, SystemPrinterPlaces()) {}
};

constexpr UINT_PTR kTimerFromPage = 1006;
constexpr UINT_PTR kTimerToPage = 1007;
constexpr UINT kRangeTimerDelay = 1000;
constexpr int kBrowseBufferSize = 40960;  // characters, all of them given to the dialog
// Posted by a printer check that has finished (wParam: its number).
constexpr UINT kCheckArrived = WM_APP + 10;

enum MessageKind {
    kMsgNoSupport = 1, kMsgNoPrinterSupport = 2, kMsgNoPrinter = 3, kMsgBusyOrOff = 4,
    kMsgNoAnsiName = 5,   // a name the program's ANSI calls cannot reach
    kMsgTooManyFiles = 6  // a Browse selection larger than the name buffer
};

// Control id -> help topic; ends with a pair of zeros.
const DWORD kBasicHelpMap[] = {
    IDC_STATIC_SELECTPRINTER, HelpTopic(1021), IDC_COMBO_PRINTERLIST, HelpTopic(1021),
    IDC_STATIC_PRINTERSTATE, HelpTopic(1021),
    IDC_STATIC_SELECTFILES, HelpTopic(1022), IDC_LIST_FILE, HelpTopic(1022),
    IDC_BUTTON_REMOVE, HelpTopic(1007), IDC_BUTTON_BROWSE, HelpTopic(1017),
    IDC_STATIC_PRINTRANGE, HelpTopic(1023), IDC_RADIO_PRINTRANGE_ALL, HelpTopic(1035),
    IDC_RADIO_PRINTRANGE_PAGES, HelpTopic(1036), IDC_STATIC_PRINTRANGE_FROM, HelpTopic(1046),
    IDC_EDIT_FROMPAGE, HelpTopic(1046), IDC_STATIC_PRINTRANGE_TO, HelpTopic(1047),
    IDC_EDIT_TOPAGE, HelpTopic(1047), IDC_STATIC_COPIES, HelpTopic(1024),
    IDC_EDIT_COPIES, HelpTopic(1024), IDC_SPIN_COPIES, HelpTopic(1024),
    IDC_STATIC_COPIES_RANGE, HelpTopic(1024), IDC_STATIC_ORIENTATION, HelpTopic(1025),
    IDC_PICTURE_ORIENTATION, HelpTopic(1025), IDC_RADIO_ORIENTATION_PORTRAIT, HelpTopic(1015),
    IDC_RADIO_ORIENTATION_LANDSCAPE, HelpTopic(1016), IDC_BUTTON_DEFAULT, HelpTopic(1006),
    IDC_STATIC_BASIC_PREVIEW, HelpTopic(1051), IDC_PICTURE_BASIC_MARK, HelpTopic(1048),
    0, 0};

// Set in this order.
const OptsLabel kLabels[] = {
    {IDC_STATIC_SELECTPRINTER, "IDC_STATIC_SELECTPRINTER", "&Select Printer"},
    {IDC_STATIC_SELECTFILES, "IDC_STATIC_SELECTFILES", "Select &Files"},
    {IDC_BUTTON_REMOVE, "IDC_BUTTON_REMOVE", "&Remove"},
    {IDC_BUTTON_BROWSE, "IDC_BUTTON_BROWSE", "&Browse"},
    {IDC_STATIC_PRINTRANGE, "IDC_STATIC_PRINTRANGE", "Print Range"},
    {IDC_RADIO_PRINTRANGE_ALL, "IDC_RADIO_PRINTRANGE_ALL", "&All"},
    {IDC_RADIO_PRINTRANGE_PAGES, "IDC_RADIO_PRINTRANGE_PAGES", "Pa&ges"},
    {IDC_STATIC_PRINTRANGE_FROM, "IDC_STATIC_PRINTRANGE_FROM", "Fr&om :"},
    {IDC_STATIC_PRINTRANGE_TO, "IDC_STATIC_PRINTRANGE_TO", "&To :"},
    {IDC_STATIC_COPIES, "IDC_STATIC_COPIES", "&Copies"},
    {IDC_STATIC_ORIENTATION, "IDC_STATIC_ORIENTATION", "Orientation"},
    {IDC_RADIO_ORIENTATION_PORTRAIT, "IDC_RADIO_ORIENTATION_PORTRAIT", "Portra&it"},
    {IDC_RADIO_ORIENTATION_LANDSCAPE, "IDC_RADIO_ORIENTATION_LANDSCAPE", "&Landscape"},
    {IDC_BUTTON_DEFAULT, "IDC_BUTTON_DEFAULT", "&Default"},
};

const int kFontControls[] = {1021, 1034, IDC_STATIC_PRINTERSTATE, 1022, 1005, 1007, 1017, 1023, 1035, 1036, 1046, 1047, 1011,
                             1010, 1024, 1041, 1042, 1026, 1025, 1037, 1015, 1016, 1006, 1051};

const int kPrintRangeGroup[] = {IDC_RADIO_PRINTRANGE_ALL, IDC_RADIO_PRINTRANGE_PAGES};
const int kOrientationGroup[] = {IDC_RADIO_ORIENTATION_PORTRAIT, IDC_RADIO_ORIENTATION_LANDSCAPE};

// The sheet creates the settings before it shows any page.
CParamMngr& Params() { return *CParamMngr::GetInstance(); }

// A localized text with one count in it.
void FormatCount(char* out, std::size_t size, const char* format, int count) {
    lstrcpynA(out, FormatLocalized(format, {std::to_string(count)}).c_str(), static_cast<int>(size));
}

}  // namespace

CBasicOptsPage::CBasicOptsPage()
    : COptsPage(IDD_BASICDLG, "Basic", "UI_BASIC_TAB", kBasicHelpMap),
      m_btnDefault(IDB_BUTTON_STRIP, 2, 0),
      m_btnRemove(IDB_BUTTON_STRIP, 2, 0),
      m_btnBrowse(IDB_BUTTON_STRIP, 2, 0),
      m_listFile(IDB_LIST_HEADER, IDB_LIST_HEADER) {
    DebugLog("CBasicOptsPage");
    for (std::size_t i = 1; i < sizeof kBasicHelpMap / sizeof kBasicHelpMap[0]; i += 2)
        if (kBasicHelpMap[i]) DebugLog("0x%x", static_cast<unsigned>(kBasicHelpMap[i]));
}

CBasicOptsPage::~CBasicOptsPage() {
    // A check still running finds nothing to tell.
    if (m_checks) m_checks->Close();
}

HWND CBasicOptsPage::FileList() const { return m_hwnd ? Item(IDC_LIST_FILE) : nullptr; }

int CBasicOptsPage::GetFileCount() const {
    HWND list = FileList();
    return list ? ListView_GetItemCount(list) : 0;
}

std::string CBasicOptsPage::GetFilePath(int row) const {
    char path[kPathSize] = "";
    HWND list = FileList();
    if (list) ListView_GetItemText(list, row, 0, path, sizeof path);
    return path;
}

void CBasicOptsPage::RemoveFiles(std::vector<int> rows) {
    HWND list = FileList();
    if (!list) return;
    std::sort(rows.begin(), rows.end());
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) ListView_DeleteItem(list, *it);
}

// ---- initialisation ---------------------------------------------------------

INT_PTR CBasicOptsPage::OnInitDialog() {
    // 1.
    DebugLog("CBasicOptsPage::OnInitDialog:");
    if (!m_pTestPrint) {
        m_pOwnTestPrint.reset(new CTestPrint);
        m_pTestPrint = m_pOwnTestPrint.get();
    }
    // A check may outlive the page: it gets nothing of the page's but the window to post to.
    HWND page = m_hwnd;
    m_checks = PrinterCheckMailbox::Create(
        [page](unsigned generation) { PostMessageA(page, kCheckArrived, generation, 0); },
        [] { return std::unique_ptr<CPrtControl>(new CheckOwnReaders()); });
    // 2.
    m_btnDefault.Attach(Item(IDC_BUTTON_DEFAULT));
    m_btnRemove.Attach(Item(IDC_BUTTON_REMOVE));
    m_btnBrowse.Attach(Item(IDC_BUTTON_BROWSE));
    m_hComboPrinter = Item(IDC_COMBO_PRINTERLIST);
    m_hPictureOrientation = Item(IDC_PICTURE_ORIENTATION);
    HWND list = FileList();
    m_listFile.Attach(list);
    ListView_SetTextBkColor(list, RGB(255, 255, 255));
    ListView_SetTextColor(list, RGB(100, 100, 100));
    m_preview.Attach(Item(IDC_STATIC_BASIC_PREVIEW));
    m_editCopies.Attach(Item(IDC_EDIT_COPIES));
    m_editFrom.Attach(Item(IDC_EDIT_FROMPAGE));
    m_editTo.Attach(Item(IDC_EDIT_TOPAGE));
    // 3.
    CommandLineRequest request = m_parseCommandLine ? m_parseCommandLine() : CommandLineRequest();
    m_arrCmdLineFiles = std::move(request.files);
    m_nTooLongCmdLinePaths = request.nTooLongFiles;
    // Printer names come from the spooler's ANSI list, converted the same way.
    m_strPrinterName = WideToAnsi(request.printerName);
    // 4.-6.
    LoadLocalizedString();
    SetBasicDefaultOption();
    ExchangeData(false);
    // 7.
    GetSystemImageList("*.txt");
    // 8.
    SendMessageA(GetParent(m_hwnd), WM_APP, 0, 0);
    // 9.
    SendDlgItemMessageA(m_hwnd, IDC_SPIN_COPIES, UDM_SETRANGE32, 1, 99);
    // 10.
    DebugLog("CBasicOptsPage::OnInitDialog End");
    m_bInitialized = true;
    // 11.
    SetGuiFont(kFontControls);
    // 12.
    std::string header = PageText("IDC_LIST_FILE", "File Name");
    RECT rc;
    GetWindowRect(list, &rc);
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM | LVCF_WIDTH;
    column.fmt = LVCFMT_RIGHT;
    column.iSubItem = 0;
    column.pszText = &header[0];
    column.cx = (rc.right - rc.left) - skin::DpiPx(list, 5);
    ListView_InsertColumn(list, 0, &column);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    // 13. Files for an unusable printer go without a word: its message is on the way.
    // While the printer is being checked they wait for its outcome.
    if (m_bChecking)
        m_bCmdLineFilesWait = true;
    else if (m_nSupportedTypes > 0)
        AddCommandLineFiles();
    // 14.
    ShowWindow(Item(IDC_PICTURE_BASIC_MARK), SW_HIDE);
    return TRUE;
}

void CBasicOptsPage::LoadLocalizedString() { SetLabels(kLabels); }

void CBasicOptsPage::SetBasicDefaultOption() {
    CParamMngr& p = Params();
    p.SetCopies(1);
    p.SetOrientation(0);
    p.SetPrintRange(0);
    p.SetPageRange(1, 1);
    m_pTestPrint->SetCurrentPrinterIndex(m_pTestPrint->GetDefaultPrinterIndex());
    CheckSupportedTypes();
    ExchangeData(false);
    ClickButton(IDC_RADIO_ORIENTATION_PORTRAIT);
    ClickButton(IDC_RADIO_PRINTRANGE_ALL);
}

// ---- printer and supported languages ----------------------------------------

void CBasicOptsPage::ShowPrintButton(bool show) {
    HWND print = GetDlgItem(GetParent(m_hwnd), IDOK);
    if (!print) return;
    // A hidden default button still answers Enter unless it is disabled too.
    EnableWindow(print, show);
    ShowWindow(print, show ? SW_SHOW : SW_HIDE);
}

void CBasicOptsPage::ApplyCheck(int types, bool printerChange) {
    // A message of the previous check would speak of a printer no longer chosen.
    for (unsigned timer : {kTimerNoPrinter, kTimerNotSupported, kTimerBusyOrOff}) KillTimer(m_hwnd, timer);
    m_nSupportedTypes = types;
    const CheckDecision d =
        DecideSupportedTypes(types, printerChange ? CheckSite::kPrinterChange : CheckSite::kInitialise);
    if (d.pszLogLine) DebugLog("%s", d.pszLogLine);
    if (d.bDropRefusedFiles) {
        HWND list = FileList();
        std::vector<std::string> paths;
        for (int i = 0, n = GetFileCount(); i < n; ++i) paths.push_back(GetFilePath(i));
        for (int row : RowsToDrop(paths, [this](const std::string& path) { return IsSupportedFile(path.c_str()); }))
            ListView_DeleteItem(list, row);
    }
    if (d.nTimerId) RestartTimer(d.nTimerId, d.nTimerDelay);
    ShowPrintButton(d.bShowPrint);
    EnableWindow(Item(IDC_BUTTON_BROWSE), d.bEnableBrowse);
    if (!d.bEnablePrinterList) EnableWindow(m_hComboPrinter, FALSE);
}

void CBasicOptsPage::ShowPrinterState(const char* key, const char* english) {
    HWND line = Item(IDC_STATIC_PRINTERSTATE);
    SetWindowTextA(line, key ? PageText(key, english).c_str() : "");
    // The line is drawn on the page's background: the old text goes only when that is painted anew.
    RECT rc;
    GetWindowRect(line, &rc);
    MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&rc), 2);
    InvalidateRect(m_hwnd, &rc, TRUE);
}

void CBasicOptsPage::StartCheck(bool printerChange) {
    // A message of the previous check would speak of a printer no longer chosen.
    for (unsigned timer : {kTimerNoPrinter, kTimerNotSupported, kTimerBusyOrOff}) KillTimer(m_hwnd, timer);
    m_bChecking = true;
    m_bCheckAfterChange = printerChange;
    m_printerState = PrinterState();
    m_stateTarget = StateTarget();
    ShowPrinterState("IDC_STATIC_PRINTERSTATE_CHECKING", "Checking\x85");
    // Nothing is known of this printer until its outcome: no Print, no Browse.
    EnableWindow(GetDlgItem(GetParent(m_hwnd), IDOK), FALSE);
    EnableWindow(Item(IDC_BUTTON_BROWSE), FALSE);
    // The spooler object is this thread's: the check gets the printer's name and port.
    const int current = m_pTestPrint->GetCurrentPrinter();
    m_checks->Start(PrinterPlace{m_pTestPrint->GetPrinterName(current), m_pTestPrint->GetPortName(current)});
}

void CBasicOptsPage::OnCheckArrived() {
    for (PrinterCheckOutcome& outcome : m_checks->TakeArrived()) {
        // Every check's lines are traced where it ends; only the latest one takes effect.
        for (const std::string& line : outcome.trace) DebugLog("%s", line.c_str());
        if (!m_bChecking || !m_checks->IsCurrent(outcome.generation)) continue;
        m_bChecking = false;
        m_printerState = outcome.state;
        m_stateTarget = outcome.stateTarget;
        const ConditionWords words = WordsFor(m_printerState.condition);
        ShowPrinterState(words.key, words.english);
        ApplyCheck(outcome.nSupportedTypes, m_bCheckAfterChange);
        if (m_bCmdLineFilesWait) {
            m_bCmdLineFilesWait = false;
            if (m_nSupportedTypes > 0) AddCommandLineFiles();
        }
        std::vector<std::wstring> dropped;
        dropped.swap(m_arrDropsWaiting);
        int tooLong = 0;
        for (const std::wstring& name : dropped) OfferNamedFile(name, DropRefusal(), tooLong);
        TellPathsTooLong(tooLong);
    }
}

int CBasicOptsPage::CheckSupportedTypes() {
    EnableWindow(m_hComboPrinter, TRUE);
    SendMessageA(m_hComboPrinter, CB_RESETCONTENT, 0, 0);
    const int count = m_pTestPrint->GetPrinterCount();
    if (count == 0) {
        SendMessageA(m_hComboPrinter, CB_SETCURSEL, 0, 0);
        m_checks->Supersede();
        m_bChecking = false;
        m_printerState = PrinterState();
        m_stateTarget = StateTarget();
        ShowPrinterState(nullptr, nullptr);
        ApplyCheck(kSupportNoPrinter, false);
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        const std::string name = TrimPrinterName(m_pTestPrint->GetPrinterName(i));
        SendMessageA(m_hComboPrinter, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    if (!m_strPrinterName.empty()) SelectNamedPrinter(*m_pTestPrint, m_strPrinterName);
    SendMessageA(m_hComboPrinter, CB_SETCURSEL, static_cast<WPARAM>(m_pTestPrint->GetCurrentPrinter()), 0);
    EnableWindow(m_hComboPrinter, TRUE);
    StartCheck(false);
    return 1;
}

int CBasicOptsPage::OnSelchangeComboPrinterlist() {
    const int selected = static_cast<int>(SendMessageA(m_hComboPrinter, CB_GETCURSEL, 0, 0));
    m_pTestPrint->SetCurrentPrinterIndex(selected);
    StartCheck(true);
    return 0;
}

// ---- files ------------------------------------------------------------------

bool CBasicOptsPage::IsSupportedFile(const char* path) const {
    return CheckPrintFile(path, m_nSupportedTypes) == FileCheck::kAccepted;
}

int CBasicOptsPage::GetIconIndex(const char* path) {
    SHFILEINFOA info{};
    SHGetFileInfoA(path, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    DebugLog("CBasicOptsPage::GetIconIndex / %d", info.iIcon);
    return info.iIcon;
}

void CBasicOptsPage::GetSystemImageList(const char* samplePath) {
    HWND list = FileList();
    if (!list) return;
    if (!samplePath) {
        // The system image lists are shared: they must not go down with the list.
        ListView_SetImageList(list, nullptr, LVSIL_SMALL);
        ListView_SetImageList(list, nullptr, LVSIL_NORMAL);
        return;
    }
    SHFILEINFOA info{};
    auto small = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(
        samplePath, FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
        SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    auto large = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(
        samplePath, FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
        SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_LARGEICON));
    ListView_SetImageList(list, small, LVSIL_SMALL);
    ListView_SetImageList(list, large, LVSIL_NORMAL);
    DebugLog("CBasicOptsPage::GetSystemImageList / hSystemLargeImageList : %d",
             static_cast<int>(reinterpret_cast<INT_PTR>(large)));
}

void CBasicOptsPage::AppendFile(const char* path) {
    HWND list = FileList();
    char text[kPathSize];
    lstrcpynA(text, path, sizeof text);
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = ListView_GetItemCount(list);
    item.pszText = text;
    item.iImage = GetIconIndex(text);
    ListView_InsertItem(list, &item);
}

void CBasicOptsPage::OfferFile(const std::string& path, int refusedKind) {
    if (IsSupportedFile(path.c_str()))
        AppendFile(path.c_str());
    else
        ShowErrorMessage(refusedKind);
}

void CBasicOptsPage::OfferNamedFile(const std::wstring& name, int refusedKind, int& tooLong) {
    const AnsiPath ansi = ToAnsiPath(ResolvedPath(name));
    if (ansi.status == AnsiPathStatus::kTooLong)
        ++tooLong;
    else if (ansi.status == AnsiPathStatus::kNoAnsiName)
        ShowErrorMessage(kMsgNoAnsiName);
    else if (ansi.status == AnsiPathStatus::kMissing)
        ShowErrorMessage(refusedKind);  // as for any file the check cannot find
    else
        OfferFile(ansi.path, refusedKind);
}

void CBasicOptsPage::TellPathsTooLong(int count) {
    if (count <= 0) return;
    char title[kTextSize], format[kTextSize], text[kTextSize + 16];
    GetLocalizedString("UI_SHEET", "IDL_TITLE", "Orvane", title, sizeof title);
    GetLocalizedString("ERROR_MSG", "IDL_MESSAGE_PATHTOOLONG",
                       "%d file path(s) are longer than 259 characters and cannot be printed.", format,
                       sizeof format);
    FormatCount(text, sizeof text, format, count);
    skin::ShowSkinMessageBox(m_hwnd, title, text);
}

void CBasicOptsPage::AddCommandLineFiles() {
    int tooLong = m_nTooLongCmdLinePaths;
    for (const std::wstring& token : m_arrCmdLineFiles) OfferNamedFile(token, kMsgNoSupport, tooLong);
    TellPathsTooLong(tooLong);
}

void CBasicOptsPage::OnClickedButtonBrowse() {
    const std::wstring filter =
        AnsiToWide(BrowseFilterList(m_nSupportedTypes, PageText("IDC_FILES", "files").c_str()));

    // Unicode names: the ANSI dialog would hand over look-alikes of names the
    // code page cannot hold.
    std::vector<wchar_t> names(kBrowseBufferSize, L'\0');
    std::wmemcpy(names.data(), L"    ", 4);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = names.data();
    ofn.nMaxFile = kBrowseBufferSize;
    ofn.Flags = OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_LONGNAMES | OFN_EXPLORER |
                OFN_ENABLESIZING;
    if (!GetOpenFileNameW(&ofn)) {
        // Cancel says nothing; a selection too large for the buffer must not vanish unseen.
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) ShowErrorMessage(kMsgTooManyFiles);
        return;
    }

    int tooLong = 0;
    const wchar_t* first = names.data();
    const wchar_t* next = first + std::wcslen(first) + 1;
    if (*next == L'\0') {
        // One file: the whole path.
        OfferNamedFile(first, kMsgNoSupport, tooLong);
    } else {
        for (const wchar_t* name = next; *name; name += std::wcslen(name) + 1)
            OfferNamedFile(std::wstring(first) + L"\\" + name, kMsgNoSupport, tooLong);
    }
    TellPathsTooLong(tooLong);
}

int CBasicOptsPage::DropRefusal() const {
    // The message names what keeps the printer from taking any file.
    return m_nSupportedTypes == kSupportUnreadable  ? kMsgBusyOrOff
           : m_nSupportedTypes == kSupportNoPrinter ? kMsgNoPrinter
                                                    : kMsgNoSupport;
}

void CBasicOptsPage::OnDropFiles(HDROP drop) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    int tooLong = 0;
    for (UINT i = 0; i < count; ++i) {
        // The whole name, in Unicode: a cut or best-fit name could be another file.
        std::wstring dropped(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        dropped.resize(DragQueryFileW(drop, i, &dropped[0], static_cast<UINT>(dropped.size())));
        // Judged against the printer being checked once its outcome is known.
        if (m_bChecking)
            m_arrDropsWaiting.push_back(std::move(dropped));
        else
            OfferNamedFile(dropped, DropRefusal(), tooLong);
    }
    DragFinish(drop);
    TellPathsTooLong(tooLong);
}

void CBasicOptsPage::OnClickedButtonRemove() {
    HWND list = FileList();
    const int total = ListView_GetSelectedCount(list);
    if (total == 0) return;
    std::vector<int> rows;
    for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list, i, LVNI_SELECTED))
        rows.push_back(i);
    DebugLog("OnClickedButtonRemove / nTotal : %d / nIndex : %d", total, static_cast<int>(rows.size()));
    for (int row : rows) DebugLog("OnClickedButtonRemove / *pSelectedIndex : %d", row);
    // Highest first, so that the others keep their indices.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) ListView_DeleteItem(list, *it);
}

void CBasicOptsPage::OnInsertitemListFile() {
    HWND list = FileList();
    const int count = ListView_GetItemCount(list);
    if (count > 0) ListView_EnsureVisible(list, count - 1, FALSE);
    ListView_SetColumnWidth(list, 0, LVSCW_AUTOSIZE);
    RECT rc;
    GetWindowRect(list, &rc);
    const int width = rc.right - rc.left;
    const int columnWidth = ListView_GetColumnWidth(list, 0);
    char line[96];
    std::snprintf(line, sizeof line, "OnInsertitemListFile : nWidth : %d  nZeroWidth : %d", width, columnWidth);
    OutputDebugStringA(line);
    // Short paths: a column that fills the list; long ones keep their width and scroll.
    if (width >= columnWidth) ListView_SetColumnWidth(list, 0, width - skin::DpiPx(list, 5));
}

LRESULT CBasicOptsPage::OnCustomdrawList(NMLVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const int item = static_cast<int>(draw->nmcd.dwItemSpec);
        const UINT state = ListView_GetItemState(draw->nmcd.hdr.hwndFrom, item, LVIS_SELECTED);
        if (state & LVIS_SELECTED) {
            DebugLog("OnCustomdrawList / LVIS_SELECTED / nItem : %d", item);
            DebugLog("OnCustomdrawList / LVIS_SELECTED / rItem.state : %d", static_cast<int>(state));
            draw->clrText = skin::Ref(skin::CurrentPalette().listSelectedText);
            draw->clrTextBk = skin::Ref(skin::CurrentPalette().listSelected);
            // The list would paint its own highlight over ours.
            draw->nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
        } else {
            const skin::Palette& pal = skin::CurrentPalette();
            draw->clrText = skin::Ref(pal.listText);
            draw->clrTextBk = skin::Ref(item % 2 == 0 ? pal.listEven : pal.listOdd);
        }
        return CDRF_DODEFAULT;
    }
    }
    return CDRF_DODEFAULT;
}

// ---- data exchange ----------------------------------------------------------

bool CBasicOptsPage::ExchangeData(bool save) {
    if (!m_hwnd) return false;
    CParamMngr& p = Params();
    if (!save) {
        LoadRadioGroup(kPrintRangeGroup, 2, p.GetPrintRange());
        LoadRadioGroup(kOrientationGroup, 2, p.GetOrientation());
        LoadEditInt(IDC_EDIT_COPIES, p.GetCopies());
        LoadEditInt(IDC_EDIT_FROMPAGE, p.GetFromPage());
        LoadEditInt(IDC_EDIT_TOPAGE, p.GetToPage());
        return true;
    }
    p.PrintRangeRef() = SaveRadioGroup(kPrintRangeGroup, 2);
    p.OrientationRef() = SaveRadioGroup(kOrientationGroup, 2);
    // Copies: a number, then 1-99 (corrected on the control).
    if (!SaveEditInt(IDC_EDIT_COPIES, p.CopiesRef(), 1, 99, "1")) return false;
    // From and To: numbers within 1-9999; only a non-number beeps, nothing is corrected.
    if (!SaveEditInt(IDC_EDIT_FROMPAGE, p.FromPageRef(), 1, 9999, nullptr)) return false;
    if (!SaveEditInt(IDC_EDIT_TOPAGE, p.ToPageRef(), 1, 9999, nullptr)) return false;
    ReadEditInt(IDC_EDIT_FROMPAGE, p.FromPageRef());
    ReadEditInt(IDC_EDIT_TOPAGE, p.ToPageRef());
    return true;
}

bool CBasicOptsPage::UpdateBasicData() {
    if (!m_bInitialized) return false;
    CParamMngr& p = Params();
    const bool ok = ExchangeData(true);
    if (ok && p.GetToPage() < p.GetFromPage()) {
        LoadEditInt(IDC_EDIT_FROMPAGE, p.GetToPage());
        p.SetFromPage(p.GetToPage());
    }
    RedrawPreview();
    return ok;
}

void CBasicOptsPage::OnChangeEditFrom() {
    OnChangeRangeEdit(IDC_EDIT_FROMPAGE, kTimerFromPage, &CParamMngr::GetFromPage, &CParamMngr::SetFromPage,
                      &CParamMngr::GetToPage);
}

void CBasicOptsPage::OnChangeEditTo() {
    OnChangeRangeEdit(IDC_EDIT_TOPAGE, kTimerToPage, &CParamMngr::GetToPage, &CParamMngr::SetToPage,
                      &CParamMngr::GetFromPage);
}

void CBasicOptsPage::OnChangeRangeEdit(int editId, UINT_PTR timerId, int (CParamMngr::*get)() const,
                                       bool (CParamMngr::*set)(int), int (CParamMngr::*other)() const) {
    if (m_bInitialized) {
        CParamMngr& p = Params();
        if (!ExchangeData(true)) {
            RedrawPreview();
            // Not positive: 1. Too large: the other end of the range.
            if ((p.*get)() <= 0) {
                (p.*set)(1);
                SetDlgItemTextA(m_hwnd, editId, "1");
            } else if ((p.*get)() > 9999) {
                (p.*set)((p.*other)());
                LoadEditInt(editId, (p.*get)());
            }
        }
        RedrawPreview();
        SetFocus(Item(editId));
    }
    RestartTimer(timerId, kRangeTimerDelay);
}

void CBasicOptsPage::OnClickedRadioPrintRange() {
    ExchangeData(true);
    const int range = Params().GetPrintRange();
    if (range == 0 || range == 1) {
        SetDlgItemTextA(m_hwnd, IDC_EDIT_FROMPAGE, "1");
        SetDlgItemTextA(m_hwnd, IDC_EDIT_TOPAGE, "1");
        EnableWindow(Item(IDC_EDIT_FROMPAGE), range == 1);
        EnableWindow(Item(IDC_EDIT_TOPAGE), range == 1);
    }
    RedrawPreview();
}

void CBasicOptsPage::OnClickedRadioOrientation() {
    ExchangeData(true);
    const int orientation = Params().GetOrientation();
    if (orientation == 0 || orientation == 1)
        SetPicture(m_hPictureOrientation, orientation == 0 ? IDB_ORIENTATION_PORTRAIT : IDB_ORIENTATION_LANDSCAPE);
    RedrawPreview();
}

void CBasicOptsPage::ShowErrorMessage(int kind) {
    static const char* const kKeys[] = {nullptr,
                                        "IDL_MESSAGE_NOSUPPORT",
                                        "IDL_MESSAGE_NOPRINTERSUPPORT",
                                        "IDL_MESSAGE_NOPRINTER",
                                        "IDL_MESSAGE_BUSYOROFF",
                                        "IDL_MESSAGE_NOANSINAME",
                                        "IDL_MESSAGE_TOOMANYFILES"};
    static const char* const kTexts[] = {
        nullptr, "Not support the file format",
        "The selected printer does not support this program. Please, select the appropriate printer.",
        "Before you can print, you need to install a printer.",
        "The selected printer is being used by another program, the printer cable may be improperly connected, or "
        "the power may be off.",
        "The file name contains characters this system cannot use, and there is no short name for the file. Rename "
        "the file and try again.",
        "Too many files were selected at once. Select fewer files and try again."};
    if (kind < 1 || kind > kMsgTooManyFiles) return;
    char title[kTextSize], text[kTextSize];
    GetLocalizedString("UI_SHEET", "IDL_TITLE", "Orvane", title, sizeof title);
    GetLocalizedString("ERROR_MSG", kKeys[kind], kTexts[kind], text, sizeof text);
    skin::ShowSkinMessageBox(m_hwnd, title, text);
}

// ---- messages ---------------------------------------------------------------

bool CBasicOptsPage::OnNotify(NMHDR* header, LRESULT& result) {
    if (header->idFrom != IDC_LIST_FILE) return false;
    if (header->code == LVN_INSERTITEM) {
        OnInsertitemListFile();
        result = 0;
        return true;
    }
    if (header->code == NM_CUSTOMDRAW) {
        result = OnCustomdrawList(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
        return true;
    }
    return false;
}

void CBasicOptsPage::OnSetActive() {
    DebugLog("CBasicOptsPage : OnSetActive");
    ExchangeData(true);
}

void CBasicOptsPage::OnApply() { DebugLog("CBasicOptsPage::OnApply()"); }

bool CBasicOptsPage::OnMessage(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    result = 0;
    switch (msg) {
    case WM_DESTROY:
        GetSystemImageList(nullptr);
        // Closing never waits for a check: one still running is told nothing.
        if (m_checks) m_checks->Close();
        return false;
    case kCheckArrived:
        OnCheckArrived();
        return true;
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<NMHDR*>(lp), result);
    }
    return false;
}

bool CBasicOptsPage::OnTimer(UINT_PTR id) {
    switch (id) {
    case kTimerNoPrinter:
    case kTimerNotSupported:
    case kTimerBusyOrOff:
        KillTimer(m_hwnd, id);
        ShowErrorMessage(id == kTimerNoPrinter      ? kMsgNoPrinter
                         : id == kTimerNotSupported ? kMsgNoPrinterSupport
                                                    : kMsgBusyOrOff);
        return true;
    case kTimerFromPage:
    case kTimerToPage:
        KillTimer(m_hwnd, id);
        UpdateBasicData();
        return true;
    }
    return false;
}

void CBasicOptsPage::OnClickedButtonDefault() {
    m_strPrinterName.clear();
    SetBasicDefaultOption();
}

void CBasicOptsPage::OnChangeEditCopies() {
    if (m_bInitialized && ExchangeData(true)) RedrawPreview();
}

void CBasicOptsPage::OnKillfocusEditCopies() {
    if (m_bInitialized && !ExchangeData(true)) SetDlgItemTextA(m_hwnd, IDC_EDIT_COPIES, "1");
}

bool CBasicOptsPage::OnCommand(int id, int code) {
    using Page = CBasicOptsPage;
    static const OptsCommand<Page> kCommands[] = {
        {IDC_BUTTON_DEFAULT, BN_CLICKED, &Page::OnClickedButtonDefault},
        {IDC_BUTTON_REMOVE, BN_CLICKED, &Page::OnClickedButtonRemove},
        {IDC_EDIT_FROMPAGE, EN_CHANGE, &Page::OnChangeEditFrom},
        {IDC_EDIT_TOPAGE, EN_CHANGE, &Page::OnChangeEditTo},
        {IDC_RADIO_ORIENTATION_PORTRAIT, BN_CLICKED, &Page::OnClickedRadioOrientation},
        {IDC_RADIO_ORIENTATION_LANDSCAPE, BN_CLICKED, &Page::OnClickedRadioOrientation},
        {IDC_BUTTON_BROWSE, BN_CLICKED, &Page::OnClickedButtonBrowse},
        {IDC_RADIO_PRINTRANGE_ALL, BN_CLICKED, &Page::OnClickedRadioPrintRange},
        {IDC_RADIO_PRINTRANGE_PAGES, BN_CLICKED, &Page::OnClickedRadioPrintRange},
        {IDC_EDIT_COPIES, EN_CHANGE, &Page::OnChangeEditCopies},
        {IDC_EDIT_COPIES, EN_KILLFOCUS, &Page::OnKillfocusEditCopies},
    };
    if (id == IDC_COMBO_PRINTERLIST && code == CBN_SELCHANGE) {
        OnSelchangeComboPrinterlist();
        return true;
    }
    return DispatchCommand(this, kCommands, id, code);
}
