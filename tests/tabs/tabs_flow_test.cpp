// Orvex under Wine, driven from outside against the bench: the printer check
// through the CUPS queues and the snmpd agents, the file list, the options of
// both tabs and the jobs that reach the queues byte for byte.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/tabs/orvex_driver.h"

namespace {

const char kNoSupport[] = "Not support the file format";
const char kNoPrinterSupport[] =
    "The selected printer does not support this program. Please, select the appropriate printer.";
const char kNoPrinter[] = "Before you can print, you need to install a printer.";
const char kBusyOrOff[] =
    "The selected printer is being used by another program, the printer cable may be improperly connected, or the "
    "power may be off.";

// Controls of the two pages.
enum {
    kPrinterList = 1034, kFileList = 1005, kRemove = 1007, kBrowse = 1017, kRangeAll = 1035, kRangePages = 1036,
    kFrom = 1010, kTo = 1011, kCopies = 1041, kPortrait = 1015, kLandscape = 1016, kDefault = 1006,
    kPaperSize = 1014, kPaperType = 1015, kDraft = 1045, kNormal = 1010, kAuto = 1009, kBlackWhite = 1011,
    kFit = 1038, kZoom = 1012, kAdvDefault = 1020,
};

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string AgentAddress(const char* agent) {
    std::string a = Env((std::string("ORVANE_AGENT_") + agent).c_str());
    return a.substr(0, a.rfind(':'));
}

std::string Queue(int n) { return Env(("ORVANE_QUEUE_" + std::to_string(n)).c_str()); }

// The Standard TCP/IP Port monitor's key of a CUPS queue's port names the agent to ask.
void MapQueue(const std::string& queue, const std::string& address) {
    const std::string key =
        "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\CUPS:" + queue;
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(h, "IPAddress", 0, REG_SZ, reinterpret_cast<const BYTE*>(address.c_str()),
                   static_cast<DWORD>(address.size() + 1));
    RegCloseKey(h);
}

std::string Header(const std::string& options, long size, const char* language) {
    return "\x1b%-12345X@PJL\r\n" + options + "@PJL SET JOBATTR=\"@FILESIZE=" + std::to_string(size) +
           "\"\r\n@PJL ENTER LANGUAGE=" + language + "\r\n";
}

// The options of a job with the start-up defaults.
const std::string kDefaultOptions =
    "@PJL SET COLORMODE=COLOR\r\n@PJL SET PRINTQUALITY=NORMAL\r\n@PJL SET JOBATTR=\"@ZOOM=100\"\r\n"
    "@PJL SET COPIES=1\r\n@PJL SET ORIENTATION=PORTRAIT\r\n@PJL SET JOBATTR=\"@FSTP=0\"\r\n"
    "@PJL SET JOBATTR=\"@LSTP=0\"\r\n@PJL SET PAPER=AUTO\r\n@PJL SET PAPERTYPE=OFF\r\n";
const std::string kTrailer = "\x1b%-12345X";

std::string Bytes(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed * 17 + (i >> 7)) & 0xFF);
    return s;
}

class TabsFlow : public ::testing::Test {
protected:
    void SetUp() override {
        if (Env("ORVANE_JOBS_DIR").empty()) GTEST_SKIP() << "the bench is not up";
        folder_ = WinePath(TABS_WORK_DIR) + "\\files";
        shots_ = WinePath(TABS_WORK_DIR) + "\\shots";
        CreateDirectoryA(WinePath(TABS_WORK_DIR).c_str(), nullptr);
        CreateDirectoryA(folder_.c_str(), nullptr);
        CreateDirectoryA(shots_.c_str(), nullptr);
        // First queue: PDF and JPEG (the default printer); second: PDF only; third: silent.
        MapQueue(Queue(1), AgentAddress("PDFJPEG"));
        MapQueue(Queue(2), AgentAddress("PDF"));
        MapQueue(Queue(3), AgentAddress("SILENT"));
        // Other suites use the bench too: only jobs that arrive from now on are ours.
        jobsBefore_ = CapturedJobs(Queue(1)).size();
        SetDefaultPrinterA(Queue(1).c_str());
    }
    void TearDown() override {
        orvex.Stop();
        SetDefaultPrinterA(Queue(1).c_str());
        for (int q = 1; q <= 3; ++q)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE,
                          ("SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\CUPS:" +
                           Queue(q)).c_str());
    }
    bool WaitNewJobs(size_t count) { return WaitJobs(Queue(1), jobsBefore_ + count, 30000); }
    std::vector<std::string> NewJobs() const {
        auto jobs = CapturedJobs(Queue(1));
        jobs.erase(jobs.begin(), jobs.begin() + static_cast<std::ptrdiff_t>(std::min(jobsBefore_, jobs.size())));
        return jobs;
    }

    std::string File(const std::string& name, size_t size, unsigned seed) {
        const std::string path = folder_ + "\\" + name;
        WriteWholeFile(path, Bytes(size, seed));
        return path;
    }
    void Shot(const std::string& name) { orvex.Screenshot(shots_ + "\\" + name + ".bmp"); }
    bool WaitListed(size_t count, DWORD ms = 10000) {
        const DWORD start = GetTickCount();
        while (orvex.ListedFiles().size() != count) {
            if (GetTickCount() - start > ms) return false;
            Sleep(50);
        }
        return true;
    }

    OrvexDriver orvex;
    std::string folder_, shots_;
    size_t jobsBefore_ = 0;
};

TEST_F(TabsFlow, CommandLineFilesAreCheckedAndPrintedInListOrder) {
    const std::string a = File("a.pdf", 5000, 1), b = File("b.jpg", 3000, 2), c = File("c.png", 100, 3);
    ASSERT_TRUE(orvex.Start(a + " " + b + " " + c));
    // The refused file is told about while the tab initialises, once.
    EXPECT_EQ(orvex.DrainMessages(20000, 2500, [&](size_t, HWND) { Shot("message-file-format"); }),
              std::vector<std::string>{kNoSupport});
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_EQ(orvex.ListedFiles(), (std::vector<std::string>{a, b}));
    EXPECT_EQ(orvex.ComboSelection(orvex.Basic(), kPrinterList), 0);
    EXPECT_TRUE(orvex.PrintButtonShown());
    EXPECT_TRUE(IsWindowEnabled(orvex.Control(orvex.Basic(), kBrowse)));
    Shot("basic-files");

    ASSERT_TRUE(orvex.Print());
    ASSERT_TRUE(WaitNewJobs(2));
    const auto jobs = NewJobs();
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(ReadWholeFile(jobs[0]), Header(kDefaultOptions, 5000, "PDF") + Bytes(5000, 1) + kTrailer);
    EXPECT_EQ(ReadWholeFile(jobs[1]), Header(kDefaultOptions, 3000, "JPEG") + Bytes(3000, 2) + kTrailer);
    EXPECT_TRUE(WaitListed(0));
    EXPECT_TRUE(orvex.DrainMessages(500, 500).empty());
}

TEST_F(TabsFlow, PrinterSwitchSelectsAnotherPrinterAndDefaultReturnsToTheSystemDefault) {
    const std::string a = File("a.pdf", 500, 4);
    // Another printer, named in other letters' case.
    std::string other = Queue(2);
    for (char& ch : other) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
    ASSERT_TRUE(orvex.Start(a + " -M " + other));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 500).empty());
    EXPECT_EQ(orvex.ComboText(orvex.Basic(), kPrinterList, orvex.ComboSelection(orvex.Basic(), kPrinterList)),
              Queue(2));
    EXPECT_EQ(orvex.ListedFiles(), std::vector<std::string>{a});

    orvex.Click(orvex.Basic(), kDefault);
    auto selected = [&] {
        return orvex.ComboText(orvex.Basic(), kPrinterList, orvex.ComboSelection(orvex.Basic(), kPrinterList));
    };
    WaitFor([&] { return selected() == Queue(1); }, 10000);
    EXPECT_EQ(selected(), Queue(1));
    EXPECT_EQ(orvex.ListedFiles(), std::vector<std::string>{a});  // Default keeps the files
}

TEST_F(TabsFlow, SilentPrinterAtStartHidesPrintAndTellsOnce) {
    const std::string a = File("a.pdf", 500, 5);
    SetDefaultPrinterA(Queue(3).c_str());
    ASSERT_TRUE(orvex.Start(a));
    HWND sheet = orvex.WaitSheet();
    ASSERT_TRUE(sheet);
    const DWORD shown = GetTickCount();
    HWND box = orvex.WaitMessageBox(10000);
    ASSERT_TRUE(box);
    const DWORD delay = GetTickCount() - shown;
    std::printf("busy message %lu ms after the sheet appeared\n", static_cast<unsigned long>(delay));
    EXPECT_EQ(orvex.MessageText(box), kBusyOrOff);
    EXPECT_LE(delay, 2500u);
    EXPECT_FALSE(orvex.PrintButtonShown());
    EXPECT_FALSE(IsWindowEnabled(orvex.Control(orvex.Basic(), kBrowse)));
    EXPECT_TRUE(IsWindowEnabled(orvex.Control(orvex.Basic(), kPrinterList)));
    // The command-line files of an unusable printer are dropped without a word.
    EXPECT_TRUE(orvex.ListedFiles().empty());
    Shot("basic-message-busy");
    orvex.CloseMessageBox(box);
    EXPECT_TRUE(orvex.DrainMessages(1500, 500).empty());
}

int ComboIndexOf(OrvexDriver& orvex, const std::string& name) {
    for (int i = 0, n = orvex.ComboCount(orvex.Basic(), kPrinterList); i < n; ++i)
        if (orvex.ComboText(orvex.Basic(), kPrinterList, i) == name) return i;
    return -1;
}

// Selects a printer and returns when the page has evaluated it.
void ChoosePrinter(OrvexDriver& orvex, int index) {
    HWND combo = orvex.Control(orvex.Basic(), kPrinterList);
    DWORD_PTR r = 0;
    SendMessageTimeoutA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG, 5000, &r);
    SendMessageTimeoutA(orvex.Basic(), WM_COMMAND, MAKEWPARAM(kPrinterList, CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(combo), SMTO_ABORTIFHUNG, 60000, &r);
}

TEST_F(TabsFlow, SwitchingToASilentPrinterKeepsTheListAndTellsHalfASecondLater) {
    const std::string a = File("a.pdf", 500, 6), b = File("b.jpg", 600, 7);
    ASSERT_TRUE(orvex.Start(a + " " + b));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());
    const int silent = ComboIndexOf(orvex, Queue(3));
    ASSERT_GE(silent, 0);
    ChoosePrinter(orvex, silent);
    const DWORD evaluated = GetTickCount();
    EXPECT_FALSE(orvex.PrintButtonShown());
    HWND box = orvex.WaitMessageBox(5000);
    ASSERT_TRUE(box);
    const DWORD delay = GetTickCount() - evaluated;
    std::printf("busy message %lu ms after the selection change\n", static_cast<unsigned long>(delay));
    EXPECT_GE(delay, 350u);
    EXPECT_LE(delay, 1500u);
    EXPECT_EQ(orvex.MessageText(box), kBusyOrOff);
    EXPECT_EQ(orvex.ListedFiles(), (std::vector<std::string>{a, b}));
    orvex.CloseMessageBox(box);
}

TEST_F(TabsFlow, PrinterNamingNoSupportedLanguageIsRefused) {
    MapQueue(Queue(3), AgentAddress("NONE"));
    SetDefaultPrinterA(Queue(3).c_str());
    ASSERT_TRUE(orvex.Start(""));
    ASSERT_TRUE(orvex.WaitSheet());
    HWND box = orvex.WaitMessageBox(10000);
    ASSERT_TRUE(box);
    EXPECT_EQ(orvex.MessageText(box), kNoPrinterSupport);
    EXPECT_FALSE(orvex.PrintButtonShown());
    Shot("basic-message-not-supported");
    orvex.CloseMessageBox(box);
}

TEST_F(TabsFlow, SwitchingToAPdfOnlyPrinterSilentlyDropsTheJpegRows) {
    const std::string a = File("a.pdf", 500, 8), b = File("b.jpg", 600, 9), c = File("c.PDF", 700, 10);
    ASSERT_TRUE(orvex.Start(a + " " + b + " " + c));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());
    ASSERT_EQ(orvex.ListedFiles(), (std::vector<std::string>{a, b, c}));
    ChoosePrinter(orvex, ComboIndexOf(orvex, Queue(2)));
    EXPECT_EQ(orvex.ListedFiles(), (std::vector<std::string>{a, c}));
    EXPECT_TRUE(orvex.PrintButtonShown());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());
    // A printer taking everything again does not bring them back.
    ChoosePrinter(orvex, ComboIndexOf(orvex, Queue(1)));
    EXPECT_EQ(orvex.ListedFiles(), (std::vector<std::string>{a, c}));
}

TEST_F(TabsFlow, WorkedExampleTwoThroughTheControls) {
    const std::string photo = File("photo.JPG", 2048, 11);
    ASSERT_TRUE(orvex.Start(photo));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());

    ASSERT_TRUE(orvex.ShowTab(1));
    HWND adv = orvex.Advanced();
    ASSERT_TRUE(adv);
    orvex.ClickRadio(adv, kBlackWhite);
    orvex.ClickRadio(adv, kDraft);
    orvex.ClickRadio(adv, kFit);
    ASSERT_TRUE(orvex.SelectCombo(adv, kPaperSize, 4));
    ASSERT_TRUE(orvex.SelectCombo(adv, kPaperType, 2));
    EXPECT_EQ(orvex.ComboText(adv, kPaperSize, orvex.ComboSelection(adv, kPaperSize)).rfind("A4", 0), 0u);
    EXPECT_EQ(orvex.ComboText(adv, kPaperType, orvex.ComboSelection(adv, kPaperType)), "Thick");
    EXPECT_FALSE(IsWindowEnabled(orvex.Control(adv, kZoom)));
    Shot("advanced-example-2");

    ASSERT_TRUE(orvex.ShowTab(0));
    HWND basic = orvex.Basic();
    orvex.SetEditText(basic, kCopies, "3");
    orvex.ClickRadio(basic, kLandscape);
    orvex.ClickRadio(basic, kRangePages);
    orvex.SetEditText(basic, kFrom, "2");
    orvex.SetEditText(basic, kTo, "5");
    // The range timers may correct them a moment later; they must not.
    WaitFor([&] { return orvex.Text(orvex.Control(basic, kFrom)) != "2" || orvex.Text(orvex.Control(basic, kTo)) != "5"; },
            1500);
    EXPECT_EQ(orvex.Text(orvex.Control(basic, kFrom)), "2");
    EXPECT_EQ(orvex.Text(orvex.Control(basic, kTo)), "5");
    orvex.Settle();
    Shot("basic-example-2");

    ASSERT_TRUE(orvex.Print());
    ASSERT_TRUE(WaitNewJobs(1));
    const std::string options =
        "@PJL SET COLORMODE=MONO\r\n@PJL SET PRINTQUALITY=DRAFT\r\n@PJL SET JOBATTR=\"@ZOOM=0\"\r\n"
        "@PJL SET COPIES=3\r\n@PJL SET ORIENTATION=LANDSCAPE\r\n@PJL SET JOBATTR=\"@FSTP=2\"\r\n"
        "@PJL SET JOBATTR=\"@LSTP=5\"\r\n@PJL SET PAPER=A4\r\n@PJL SET PAPERTYPE=THICK\r\n";
    EXPECT_EQ(ReadWholeFile(NewJobs().at(0)), Header(options, 2048, "JPEG") + Bytes(2048, 11) + kTrailer);
    EXPECT_TRUE(WaitListed(0));
}

TEST_F(TabsFlow, NumbersAreCorrected) {
    ASSERT_TRUE(orvex.Start(""));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());
    HWND basic = orvex.Basic();
    struct Case {
        const char* typed;
        const char* shown;
    } const copies[] = {{"0", "1"}, {"150", "1"}, {"42", "42"}, {"99", "99"}};
    for (const Case& c : copies) {
        SCOPED_TRACE(c.typed);
        orvex.SetEditText(basic, kCopies, c.typed);
        EXPECT_EQ(orvex.Text(orvex.Control(basic, kCopies)), c.shown);
    }
    // The range edits open with Pages, both at 1.
    orvex.ClickRadio(basic, kRangePages);
    EXPECT_TRUE(IsWindowEnabled(orvex.Control(basic, kFrom)));
    EXPECT_EQ(orvex.Text(orvex.Control(basic, kFrom)), "1");
    orvex.SetEditText(basic, kFrom, "4");
    orvex.SetEditText(basic, kTo, "12000");  // above 9999 at the fifth digit: To becomes From
    EXPECT_EQ(orvex.Text(orvex.Control(basic, kTo)), "4");
    orvex.SetEditText(basic, kTo, "9");
    orvex.SetEditText(basic, kFrom, "8");
    orvex.SetEditText(basic, kTo, "3");
    EXPECT_EQ(orvex.Text(orvex.Control(basic, kFrom)), "8");  // not yet
    EXPECT_EQ(orvex.WaitText(orvex.Control(basic, kFrom), "3"), "3");
    EXPECT_EQ(orvex.WaitText(orvex.Control(basic, kTo), "3"), "3");
    orvex.Settle();
    Shot("basic-numbers");
    // All disables them again at 1 - 1.
    orvex.ClickRadio(basic, kRangeAll);
    EXPECT_FALSE(IsWindowEnabled(orvex.Control(basic, kFrom)));
    EXPECT_EQ(orvex.Text(orvex.Control(basic, kTo)), "1");

    ASSERT_TRUE(orvex.ShowTab(1));
    HWND adv = orvex.Advanced();
    orvex.SetEditText(adv, kZoom, "300");
    // "50" from the exchange, then "100" from the next timer pass.
    EXPECT_EQ(orvex.WaitText(orvex.Control(adv, kZoom), "100"), "100");
    orvex.SetEditText(adv, kZoom, "75");
    // The next timer pass may change it; it must not.
    WaitFor([&] { return orvex.Text(orvex.Control(adv, kZoom)) != "75"; }, 1500);
    EXPECT_EQ(orvex.Text(orvex.Control(adv, kZoom)), "75");
    // The ampersand of Black & White is shown, not taken as a mnemonic.
    EXPECT_EQ(orvex.Text(orvex.Control(adv, kBlackWhite)), "Black && White");
    // A3 fills the preview's height (a picture to look at).
    ASSERT_TRUE(orvex.SelectCombo(adv, kPaperSize, 15));
    Shot("advanced-a3");
}

TEST_F(TabsFlow, FilesThatDidNotReachThePrinterStayListed) {
    const std::string a = File("a.pdf", 800, 12), gone = File("gone.pdf", 900, 13), b = File("b.jpg", 700, 14);
    ASSERT_TRUE(orvex.Start(a + " " + gone + " " + b));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());
    ASSERT_EQ(orvex.ListedFiles().size(), 3u);
    DeleteFileA(gone.c_str());
    ASSERT_TRUE(orvex.Print());
    // The file that cannot be opened is told about, then once that files stayed behind.
    const auto messages =
        orvex.DrainMessages(20000, 3000, [&](size_t i, HWND) { Shot("message-print-" + std::to_string(i)); });
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "The system cannot open the file or access is denied.");
    EXPECT_EQ(messages[1],
              "Some files could not be sent to the printer. They remain in the list; check the printer and try again.");
    ASSERT_TRUE(WaitNewJobs(2));
    EXPECT_EQ(orvex.ListedFiles(), std::vector<std::string>{gone});
}

TEST_F(TabsFlow, RemoveDeletesTheSelectedRowsOnly) {
    std::vector<std::string> files;
    for (int i = 0; i < 5; ++i) files.push_back(File("r" + std::to_string(i) + ".pdf", 100 + i, 20 + i));
    // The same file twice is listed twice.
    ASSERT_TRUE(orvex.Start(files[0] + " " + files[1] + " " + files[2] + " " + files[3] + " " + files[4] + " " +
                            files[0]));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());
    ASSERT_EQ(orvex.ListedFiles().size(), 6u);
    orvex.SelectRows({1, 3, 5});
    orvex.Click(orvex.Basic(), kRemove);
    EXPECT_EQ(orvex.ListedFiles(), (std::vector<std::string>{files[0], files[2], files[4]}));
    orvex.SelectRows({});
    orvex.Click(orvex.Basic(), kRemove);  // nothing selected: nothing happens
    EXPECT_EQ(orvex.ListedFiles().size(), 3u);
}

// The open dialog's file name: a combo box (cmb13) in newer dialogs, an edit (edt1) in older ones.
HWND FileNameControl(HWND dialog) {
    HWND name = GetDlgItem(dialog, 0x47C);
    return name ? name : GetDlgItem(dialog, 0x480);
}

void TypeFileName(HWND dialog, const std::string& text) {
    SendMessageA(FileNameControl(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string FileNameOf(HWND dialog) {
    char text[MAX_PATH] = "";
    SendMessageTimeoutA(FileNameControl(dialog), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

TEST_F(TabsFlow, BrowseOffersTheSupportedLanguagesAndChecksTheChoice) {
    const std::string a = File("a.pdf", 300, 30), b = File("b.jpg", 300, 31), c = File("c.png", 300, 32);
    ASSERT_TRUE(orvex.Start(""));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());

    const int kFileTypes = 0x470;  // cmb1 of the open dialog
    orvex.Press(orvex.Basic(), kBrowse);
    HWND dialog = orvex.WaitWindowWith(kFileTypes, 10000);
    ASSERT_TRUE(dialog);
    std::vector<std::string> types;
    for (int i = 0, n = orvex.ComboCount(dialog, kFileTypes); i < n; ++i) types.push_back(orvex.ComboText(dialog, kFileTypes, i));
    EXPECT_EQ(types, (std::vector<std::string>{"PDF files (*.PDF)", "JPEG files (*.JPG)"}));
    Shot("browse-dialog");
    // Into the files' folder, then two of its files: the supported one is listed, the other refused.
    TypeFileName(dialog, folder_);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    // Opening a folder stays in the dialog, which then shows that folder.
    WaitFor([&] { return !IsWindow(dialog) || FileNameOf(dialog) != folder_; }, 10000);
    ASSERT_TRUE(IsWindow(dialog));
    TypeFileName(dialog, "\"b.jpg\" \"c.png\"");
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    EXPECT_EQ(orvex.DrainMessages(10000, 1000), std::vector<std::string>{kNoSupport});
    EXPECT_EQ(orvex.ListedFiles(), std::vector<std::string>{b});

    // One file: its whole path.
    orvex.Press(orvex.Basic(), kBrowse);
    dialog = orvex.WaitWindowWith(kFileTypes, 10000);
    ASSERT_TRUE(dialog);
    TypeFileName(dialog, a);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    EXPECT_TRUE(WaitListed(2));
    EXPECT_EQ(orvex.ListedFiles(), (std::vector<std::string>{b, a}));
}

bool MakeShortcut(const std::string& link, const std::string& target) {
    CoInitialize(nullptr);
    IShellLinkA* shell = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shell))))
        return false;
    shell->SetPath(target.c_str());
    IPersistFile* file = nullptr;
    bool ok = SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    if (ok) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
        ok = SUCCEEDED(file->Save(wide, TRUE));
        file->Release();
    }
    shell->Release();
    return ok;
}

TEST_F(TabsFlow, DroppedFilesAreCheckedOnEitherTab) {
    const std::string a = File("a.pdf", 300, 40), c = File("c.png", 300, 41);
    ASSERT_TRUE(orvex.Start(""));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());
    ASSERT_TRUE(orvex.DropFiles(orvex.Basic(), {a, c}));
    EXPECT_EQ(orvex.DrainMessages(5000, 800), std::vector<std::string>{kNoSupport});
    EXPECT_EQ(orvex.ListedFiles(), std::vector<std::string>{a});
    // The Advanced tab hands its drops to the Basic tab.
    ASSERT_TRUE(orvex.ShowTab(1));
    ASSERT_TRUE(orvex.DropFiles(orvex.Advanced(), {a}));
    EXPECT_TRUE(WaitListed(2));
    // A shortcut is replaced by its target, which is then checked.
    const std::string link = folder_ + "\\a-shortcut.lnk";
    ASSERT_TRUE(MakeShortcut(link, a));
    ASSERT_TRUE(orvex.DropFiles(orvex.Advanced(), {link}));
    EXPECT_TRUE(WaitListed(3));
    EXPECT_EQ(orvex.ListedFiles(), (std::vector<std::string>{a, a, a}));
    // With a printer that cannot be asked, a drop tells why.
    ASSERT_TRUE(orvex.ShowTab(0));
    ChoosePrinter(orvex, ComboIndexOf(orvex, Queue(3)));
    EXPECT_EQ(orvex.DrainMessages(5000, 500), std::vector<std::string>{kBusyOrOff});
    ASSERT_TRUE(orvex.DropFiles(orvex.Basic(), {a}));
    EXPECT_EQ(orvex.DrainMessages(5000, 500), std::vector<std::string>{kBusyOrOff});
    EXPECT_EQ(orvex.ListedFiles().size(), 3u);
}

// Run (alone) by no_printer.sh with a CUPS server that does not exist: Wine's spooler then
// lists no printer at all (and drops the queues from the prefix until the next
// process that reaches CUPS).
TEST_F(TabsFlow, NoPrinterAtAll) {
    ASSERT_TRUE(orvex.Start(""));
    ASSERT_TRUE(orvex.WaitSheet());
    const DWORD shown = GetTickCount();
    HWND box = orvex.WaitMessageBox(10000);
    ASSERT_TRUE(box);
    std::printf("no-printer message %lu ms after the sheet appeared\n",
                static_cast<unsigned long>(GetTickCount() - shown));
    EXPECT_EQ(orvex.MessageText(box), kNoPrinter);
    EXPECT_EQ(orvex.ComboCount(orvex.Basic(), kPrinterList), 0);
    EXPECT_FALSE(IsWindowEnabled(orvex.Control(orvex.Basic(), kPrinterList)));
    EXPECT_FALSE(IsWindowEnabled(orvex.Control(orvex.Basic(), kBrowse)));
    EXPECT_FALSE(orvex.PrintButtonShown());
    Shot("basic-message-no-printer");
    orvex.CloseMessageBox(box);
    EXPECT_TRUE(orvex.DrainMessages(1000, 300).empty());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--sync-printers") {
        // Loading the spooler lists the CUPS queues again; then the default is set back.
        DWORD needed = 0, count = 0;
        EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
        return SetDefaultPrinterA(argv[2]) ? 0 : 1;
    }
    // The no-printer case needs a run of its own (no_printer.sh); every other
    // case needs the printers. A --gtest_filter given still wins.
    ::testing::GTEST_FLAG(filter) = Env("ORVANE_TABS_NO_CUPS") == "1" ? "TabsFlow.NoPrinterAtAll"
                                                                      : "-TabsFlow.NoPrinterAtAll";
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
