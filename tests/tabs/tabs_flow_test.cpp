// Orvex under Wine, driven from outside against the bench: the printer check
// through the CUPS queues and the snmpd agents, the file list, the options of
// both tabs and the jobs that reach the queues byte for byte.
#include <windows.h>
#include <objbase.h>
#include <oleacc.h>
#include <shlobj.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/bench/debug_output_listener.h"
#include "tests/device/printer_layout.h"
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
    kFit = 1038, kZoom = 1012, kAdvDefault = 1020, kAdvancedPreview = 1050,
};

// The rectangle of what the program drew in `window`'s client area in colours
// other than the colour at `background`, read from the screen.
RECT DrawnExtent(HWND window, POINT background, const RECT& within) {
    RECT client;
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const int w = client.right, h = client.bottom;
    const std::vector<DWORD> px = OrvexDriver::ScreenPixels({origin.x, origin.y, origin.x + w, origin.y + h});
    if (px.empty()) return RECT{w, h, 0, 0};
    const DWORD paper = px[background.y * w + background.x];
    RECT extent{w, h, 0, 0};
    for (int y = std::max<int>(within.top, 0); y < std::min<int>(within.bottom, h); ++y)
        for (int x = std::max<int>(within.left, 0); x < std::min<int>(within.right, w); ++x)
            if (px[y * w + x] != paper) {
                extent.left = std::min<LONG>(extent.left, x);
                extent.top = std::min<LONG>(extent.top, y);
                extent.right = std::max<LONG>(extent.right, x + 1);
                extent.bottom = std::max<LONG>(extent.bottom, y + 1);
            }
    return extent;
}

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

// How long a program follows each job after the send (FollowQEL, seconds; 0: not at all).
void SetFollow(DWORD seconds) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvath\\QEL", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "FollowQEL", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seconds), sizeof seconds);
    RegCloseKey(key);
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
        // No job is followed after Print unless a test asks: another suite may have
        // removed the value the bench wrote.
        SetFollow(0);
        // First queue: PDF and JPEG (the default printer); second: PDF only; third: silent.
        MapQueue(Queue(1), AgentAddress("PDFJPEG"));
        MapQueue(Queue(2), AgentAddress("PDF"));
        MapQueue(Queue(3), AgentAddress("SILENT"));
        // Other suites use the bench too: only jobs that arrive from now on are ours.
        jobs_ = bench::JobsSnapshot({Queue(1), Queue(2), Queue(3)});
        SetDefaultPrinterA(Queue(1).c_str());
    }
    void TearDown() override {
        orvex.Stop();
        // A cut job still reaches the spooler after its program ends: the next test
        // starts once every queue has let go of everything this one sent.
        EXPECT_EQ(bench::WaitQueuesIdle({Queue(1), Queue(2), Queue(3)}, 300000), "");
        jobs_.DeleteNew();
        SetDefaultPrinterA(Queue(1).c_str());
        for (int q = 1; q <= 3; ++q)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE,
                          ("SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\CUPS:" +
                           Queue(q)).c_str());
    }
    // Jobs this test made on queue `q`, oldest first.
    std::vector<std::string> NewJobs(int q = 1) const { return jobs_.New(Queue(q)); }
    bool WaitNewJobs(size_t count, int q = 1, DWORD ms = 30000) const {
        return WaitFor([&] { return NewJobs(q).size() >= count; }, ms);
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

    void ExpectTakenAndPrinted(const std::vector<std::string>& types, const std::string& shot,
                               const std::string& pdf, size_t size, unsigned seed);

    OrvexDriver orvex;
    std::string folder_, shots_;
    bench::JobsSnapshot jobs_;
};

TEST_F(TabsFlow, CommandLineFilesAreCheckedAndPrintedInListOrder) {
    const std::string a = File("a.pdf", 5000, 1), b = File("b.jpg", 3000, 2), c = File("c.png", 100, 3),
                      d = File("photo.jpeg", 900, 4);
    // -poster.pdf is no -P: the window opens, and "oster.pdf" is a file (that does not exist).
    ASSERT_TRUE(orvex.Start(a + " " + b + " " + c + " -poster.pdf " + d));
    // The refused file is told about while the tab initialises, once.
    EXPECT_EQ(orvex.DrainMessages(20000, 2500, [&](size_t, HWND) { Shot("message-file-format"); }),
              (std::vector<std::string>{kNoSupport, kNoSupport}));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_EQ(orvex.ListedFiles(), (std::vector<std::string>{a, b, d}));
    EXPECT_EQ(orvex.ComboText(orvex.Basic(), kPrinterList, orvex.ComboSelection(orvex.Basic(), kPrinterList)),
              Queue(1));
    EXPECT_TRUE(orvex.PrintButtonShown());
    EXPECT_TRUE(IsWindowEnabled(orvex.Control(orvex.Basic(), kBrowse)));
    Shot("basic-files");

    ASSERT_TRUE(orvex.Print());
    ASSERT_TRUE(WaitNewJobs(3));
    const auto jobs = NewJobs();
    ASSERT_EQ(jobs.size(), 3u);
    EXPECT_EQ(ReadWholeFile(jobs[0]), Header(kDefaultOptions, 5000, "PDF") + Bytes(5000, 1) + kTrailer);
    EXPECT_EQ(ReadWholeFile(jobs[1]), Header(kDefaultOptions, 3000, "JPEG") + Bytes(3000, 2) + kTrailer);
    EXPECT_EQ(ReadWholeFile(jobs[2]), Header(kDefaultOptions, 900, "JPEG") + Bytes(900, 4) + kTrailer);
    EXPECT_TRUE(WaitListed(0));
    EXPECT_TRUE(orvex.DrainMessages(500, 500).empty());
}

TEST_F(TabsFlow, PrinterSwitchSelectsAnotherPrinterAndDefaultReturnsToTheSystemDefault) {
    const std::string a = File("a.jpg", 500, 4), b = File("b.pdf", 600, 5);
    // The system default takes PDF only; the switch names the PDF+JPEG printer in other letters' case.
    SetDefaultPrinterA(Queue(2).c_str());
    std::string other = Queue(1);
    for (char& ch : other) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
    ASSERT_TRUE(orvex.Start("-M " + other + " " + a + " " + b));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 500).empty());
    EXPECT_EQ(orvex.ComboText(orvex.Basic(), kPrinterList, orvex.ComboSelection(orvex.Basic(), kPrinterList)),
              Queue(1));
    EXPECT_EQ(orvex.ListedFiles(), (std::vector<std::string>{a, b}));

    orvex.Click(orvex.Basic(), kDefault);
    ASSERT_TRUE(orvex.WaitChecked());
    auto selected = [&] {
        return orvex.ComboText(orvex.Basic(), kPrinterList, orvex.ComboSelection(orvex.Basic(), kPrinterList));
    };
    WaitFor([&] { return selected() == Queue(2); }, 10000);
    EXPECT_EQ(selected(), Queue(2));
    // Default keeps the files the system default takes, and drops the others without a word.
    EXPECT_EQ(orvex.ListedFiles(), std::vector<std::string>{b});
    EXPECT_TRUE(orvex.DrainMessages(1000, 300).empty());
}

// The sheet shows at once, its printer line saying "Checking…" and Print
// unavailable, and answers throughout the check, whether the default printer
// answers or not; the silent one's message follows its check.
TEST_F(TabsFlow, SilentPrinterAtStartHidesPrintAndTellsOnce) {
    const std::string a = File("a.pdf", 500, 5);
    const char* const kinds[] = {"answering", "silent"};
    DWORD checkEnded = 0;
    for (int silent = 0; silent < 2; ++silent) {
        SetDefaultPrinterA(Queue(silent ? 3 : 1).c_str());
        const DWORD started = GetTickCount();
        ASSERT_TRUE(orvex.Start(a));
        ASSERT_TRUE(orvex.WaitSheet(20000, false));
        const DWORD shown = GetTickCount() - started;
        const bool checking = orvex.Checking();
        if (checking) {
            Shot(std::string("basic-checking-") + kinds[silent]);
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(orvex.Sheet(), IDOK)));
        }
        const auto answering = orvex.LongestUnanswered([&] { return !orvex.Checking(); }, 20000);
        checkEnded = GetTickCount();
        std::printf("%s default printer: sheet shown %lu ms after start, check over %lu ms later; longest "
                    "unanswered %lu ms, %lu ms beyond an idle window's\n",
                    kinds[silent], shown, checkEnded - started - shown, answering.longest, answering.beyondIdle);
        EXPECT_LT(answering.beyondIdle, 100u) << kinds[silent];
        if (silent) {
            EXPECT_TRUE(checking) << "a silent printer's check takes its time";
        }
        if (!silent) orvex.Stop();
    }
    HWND box = orvex.WaitMessageBox(10000);
    ASSERT_TRUE(box);
    const DWORD delay = GetTickCount() - checkEnded;
    std::printf("busy message %lu ms after the check ended\n", static_cast<unsigned long>(delay));
    EXPECT_EQ(orvex.MessageText(box), kBusyOrOff);
    EXPECT_LE(delay, 2500u);
    EXPECT_EQ(orvex.PrinterStateLine(), L"");  // a silent printer tells no state
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

// Selects a printer and returns when the page has evaluated it (`checked`), or
// as soon as the page has taken the choice; how long the page took to take it (ms).
DWORD ChoosePrinter(OrvexDriver& orvex, int index, bool checked = true) {
    HWND combo = orvex.Control(orvex.Basic(), kPrinterList);
    DWORD_PTR r = 0;
    SendMessageTimeoutA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG, 5000, &r);
    const DWORD sent = GetTickCount();
    SendMessageTimeoutA(orvex.Basic(), WM_COMMAND, MAKEWPARAM(kPrinterList, CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(combo), SMTO_ABORTIFHUNG, 60000, &r);
    const DWORD taken = GetTickCount() - sent;
    if (checked) orvex.WaitChecked(30000);
    return taken;
}

TEST_F(TabsFlow, SwitchingToASilentPrinterKeepsTheListAndTellsHalfASecondLater) {
    const std::string a = File("a.pdf", 500, 6), b = File("b.jpg", 600, 7);
    ASSERT_TRUE(orvex.Start(a + " " + b));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());
    const int silent = ComboIndexOf(orvex, Queue(3));
    ASSERT_GE(silent, 0);
    // The choice is taken at once; the sheet answers while the printer stays silent.
    const DWORD taken = ChoosePrinter(orvex, silent, false);
    EXPECT_TRUE(orvex.Checking());
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(orvex.Sheet(), IDOK)));
    Shot("basic-checking-chosen");
    const auto answering = orvex.LongestUnanswered([&] { return !orvex.Checking(); }, 20000);
    std::printf("silent printer chosen: taken in %lu ms, then longest unanswered %lu ms, %lu ms beyond an idle "
                "window's\n", taken, answering.longest, answering.beyondIdle);
    EXPECT_LT(answering.beyondIdle, 100u);
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

// Each check speaks for the printer now chosen only: the busy message of a printer
// left within half a second does not follow. A printer that takes none of the
// languages gets nothing, neither through Enter in Copies (the sheet's default
// button) nor through the Print command itself.
TEST_F(TabsFlow, OnlyTheChosenPrinterSpeaksAndARefusingPrinterGetsNothing) {
    MapQueue(Queue(2), AgentAddress("NONE"));
    const std::string a = File("a.pdf", 400, 50);
    ASSERT_TRUE(orvex.Start(a));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());
    // The silent printer's check is superseded while it waits: its outcome and message never come.
    ChoosePrinter(orvex, ComboIndexOf(orvex, Queue(3)), false);
    ChoosePrinter(orvex, ComboIndexOf(orvex, Queue(2)));
    EXPECT_EQ(orvex.DrainMessages(5000, 1500), std::vector<std::string>{kNoPrinterSupport});
    EXPECT_FALSE(orvex.PrintButtonShown());
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(orvex.Sheet(), IDOK)));

    HWND copies = orvex.Control(orvex.Basic(), kCopies);
    PostMessageA(copies, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(copies, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    PostMessageA(copies, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageA(copies, WM_KEYUP, VK_RETURN, 0xC01C0001);
    orvex.Print();
    EXPECT_TRUE(orvex.DrainMessages(1500, 500).empty());
    EXPECT_FALSE(WaitNewJobs(1, 2, 2000));
    EXPECT_EQ(orvex.ListedFiles(), std::vector<std::string>{a});
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
    // A3 fills the preview's height at its own proportions: the page with its
    // shadows spans the room between the range line and the paper label but for
    // the shadows' 8 pixels, 297 wide to 420 tall. The paper before (shorter than
    // A4) did not.
    HWND preview = orvex.Control(adv, kAdvancedPreview);
    RECT client;
    ASSERT_TRUE(GetClientRect(preview, &client));
    const int room = client.bottom - 107;  // below the range line, above the label and the bands
    const RECT within{1, 20, client.right - 1, 20 + room};
    const RECT before = DrawnExtent(preview, {1, 20}, within);
    EXPECT_LT(before.bottom - before.top, room - 8);
    ASSERT_TRUE(orvex.SelectCombo(adv, kPaperSize, 15));
    Shot("advanced-a3");
    const RECT page = DrawnExtent(preview, {1, 20}, within);
    EXPECT_EQ(page.bottom - page.top, room - 8);
    EXPECT_NEAR(double(page.right - page.left + 8) / (page.bottom - page.top + 8), 297.0 / 420.0, 0.02);
}

// Edits on both tabs reach the settings the sheet created at start-up: the
// trace shows one creation and no second one.
TEST_F(TabsFlow, EditsUseTheSettingsCreatedAtStart) {
    HKEY log = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvath\\QEL", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &log, nullptr),
              ERROR_SUCCESS);
    const DWORD on = 1;
    RegSetValueExA(log, "LogQEL", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
    DebugOutputListener listener;
    ASSERT_TRUE(listener.Listening());
    const bool started = orvex.Start("") && orvex.WaitSheet();
    if (started) {
        orvex.DrainMessages(1500, 300);
        orvex.SetEditText(orvex.Basic(), kCopies, "42");
        if (orvex.ShowTab(1)) orvex.SetEditText(orvex.Advanced(), kZoom, "75");
        WaitFor([&] {  // the zoom timer's trace line
            for (const std::string& line : listener.Lines())
                if (line.find("DEF_TIMER_ID_ADVANCED_UPDATEDATA") != std::string::npos) return true;
            return false;
        }, 10000);
        orvex.Stop();
    }
    RegDeleteValueA(log, "LogQEL");
    RegCloseKey(log);
    ASSERT_TRUE(started);

    int created = 0, again = 0, edits = 0;
    for (const std::string& line : listener.Lines()) {
        if (line.find("-> CParamMngr::create") != std::string::npos) ++created;
        if (line.find("instnace already exists!") != std::string::npos) ++again;
        if (line.find("DEF_TIMER_ID_ADVANCED_UPDATEDATA") != std::string::npos) ++edits;
    }
    EXPECT_GE(edits, 1) << "the trace did not reach the test";
    EXPECT_EQ(created, 1);
    EXPECT_EQ(again, 0);
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
    EXPECT_EQ(types, (std::vector<std::string>{"PDF files (*.PDF)", "JPEG files (*.JPG;*.JPEG;*.JPE)"}));
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
    // Only a .lnk is a shortcut: a .pdf holding a link's bytes is itself the file.
    const std::string pdfLink = folder_ + "\\link.pdf";
    ASSERT_TRUE(MakeShortcut(pdfLink, c));
    ASSERT_TRUE(orvex.DropFiles(orvex.Advanced(), {pdfLink}));
    EXPECT_TRUE(WaitListed(4));
    EXPECT_EQ(orvex.ListedFiles(), (std::vector<std::string>{a, a, a, pdfLink}));
    // With a printer that cannot be asked, a drop tells why.
    ASSERT_TRUE(orvex.ShowTab(0));
    ChoosePrinter(orvex, ComboIndexOf(orvex, Queue(3)));
    EXPECT_EQ(orvex.DrainMessages(5000, 500), std::vector<std::string>{kBusyOrOff});
    ASSERT_TRUE(orvex.DropFiles(orvex.Basic(), {a}));
    EXPECT_EQ(orvex.DrainMessages(5000, 500), std::vector<std::string>{kBusyOrOff});
    EXPECT_EQ(orvex.ListedFiles().size(), 4u);
}

// A file of holes: costs no disk, and still takes seconds to send.
std::string SparseFile(const std::string& path, LONGLONG size) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = size;
    SetFilePointerEx(f, end, nullptr, FILE_BEGIN);
    SetEndOfFile(f);
    CloseHandle(f);
    return path;
}

constexpr int kProgressFile = 1060, kProgressAllBytes = 1062;
const char kCancelling[] = "Cancelling the print job...";

unsigned long long FileSizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

TEST_F(TabsFlow, ASendShowsItsProgressAndCanBeStopped) {
    const std::string big = SparseFile(folder_ + "\\big.pdf", 1LL << 30);
    ASSERT_TRUE(orvex.Start(big));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());

    // Print: within a second a box tells how far the send is and advances, and the
    // sheet answers every message within 100 ms until the box closes (beyond what
    // an idle window waits at the same moment: a busy machine makes every window wait).
    HWND box = nullptr;
    DWORD shownAfter = 0;
    std::string first, later;
    auto watch = [&](const char* shots) {
        const DWORD pressed = GetTickCount();
        box = nullptr;
        first.clear();
        later.clear();
        return [&, pressed, shots] {
            if (!box && (box = orvex.WaitWindowWith(kProgressFile, 0)) != nullptr) {
                shownAfter = GetTickCount() - pressed;
                first = orvex.Text(GetDlgItem(box, kProgressAllBytes));
                Shot(std::string(shots) + "-start");
                // A second Print that reaches the sheet (Enter, a posted command) starts nothing.
                orvex.Print();
            } else if (box && later.empty() && IsWindow(box) && orvex.Text(GetDlgItem(box, kProgressAllBytes)) != first) {
                later = orvex.Text(GetDlgItem(box, kProgressAllBytes));
                Shot(std::string(shots) + "-midway");
            }
            return box && !later.empty() && !IsWindow(box);
        };
    };
    const DWORD printed = GetTickCount();
    ASSERT_TRUE(orvex.Print());
    const auto sending = orvex.LongestUnanswered(watch("progress"), 180000);
    std::printf("longest unanswered during the 1 GiB send: %lu ms, %lu ms beyond an idle window's; box after %lu ms\n",
                sending.longest, sending.beyondIdle, shownAfter);
    EXPECT_LT(sending.beyondIdle, 100u);
    EXPECT_LE(shownAfter, 1100u);
    EXPECT_NE(first.find("All files: "), std::string::npos) << first;
    EXPECT_NE(later, first);
    ASSERT_TRUE(WaitNewJobs(1));
    std::printf("1 GiB from Print until the queue had the job: %lu ms\n", GetTickCount() - printed);
    EXPECT_TRUE(WaitListed(0));
    // Only the one send: a second would be just as long (a cut part of an earlier
    // run's cancelled job may still be arriving).
    const auto sentTwice = [&, size = FileSizeOf(NewJobs().at(0))] {
        const auto jobs = NewJobs();
        return std::count_if(jobs.begin(), jobs.end(), [&](const std::string& j) { return FileSizeOf(j) == size; }) > 1;
    };
    EXPECT_FALSE(WaitFor(sentTwice, 3000));
    ASSERT_TRUE(orvex.Running());


    // Cancel, Esc and closing the sheet abort the job at the spooler. Within 100 ms
    // the box says so, its Cancel is disabled and its counts stop; it stays until the
    // spooler lets the job go, then the row stays and one message says so (the
    // program ends instead when the sheet was closed). The sheet keeps answering
    // all the way. (Wine hands the job to CUPS only when the document ends,
    // the cut part too: the spooler takes 1 GiB in about a second, 4 GiB leaves time.)
    // Following is what users have by default; cancelling must not wait for it.
    SetFollow(120);
    const std::string huge = SparseFile(folder_ + "\\huge.pdf", 4LL << 30);
    ASSERT_TRUE(orvex.DropFiles(orvex.Basic(), {huge}));
    ASSERT_TRUE(WaitListed(1));
    const struct {
        const char* how;
        std::function<void(HWND box)> cancel;
    } ways[] = {
        {"cancel", [&](HWND box) { orvex.Press(box, IDCANCEL); }},
        {"esc", [&](HWND box) { PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0x00010001); }},
        {"close", [&](HWND) { PostMessageA(orvex.Sheet(), WM_CLOSE, 0, 0); }},
    };
    for (const auto& way : ways) {
        ASSERT_TRUE(orvex.Print()) << way.how;
        HWND message = nullptr;
        DWORD cancelledAt = 0, shownAfter = MAXDWORD;
        std::string counts, countsLater;
        box = nullptr;
        const std::string at = [&] {
            orvex.LongestUnanswered([&] { return (box = orvex.WaitWindowWith(kProgressFile, 0)) != nullptr; }, 20000);
            return box ? orvex.Text(GetDlgItem(box, kProgressAllBytes)) : "";
        }();
        ASSERT_TRUE(box) << way.how;
        ASSERT_TRUE(WaitFor([&] { return orvex.Text(GetDlgItem(box, kProgressAllBytes)) != at; }, 20000)) << way.how;
        cancelledAt = GetTickCount();
        way.cancel(box);
        const bool closing = std::string(way.how) == "close";
        const auto cancelling = orvex.LongestUnanswered(
            [&] {
                if (shownAfter == MAXDWORD && orvex.Text(GetDlgItem(box, kProgressFile)) == kCancelling &&
                    !IsWindowEnabled(GetDlgItem(box, IDCANCEL))) {
                    shownAfter = GetTickCount() - cancelledAt;
                    counts = orvex.Text(GetDlgItem(box, kProgressAllBytes));
                    orvex.WaitPainted(box, 1000);
                    Shot(std::string("progress-cancelling-") + way.how);
                } else if (shownAfter != MAXDWORD && IsWindow(box)) {
                    countsLater = orvex.Text(GetDlgItem(box, kProgressAllBytes));
                }
                return closing ? !orvex.Running() : (message = orvex.WaitMessageBox(0)) != nullptr;
            },
            60000);
        std::printf("%s: the box said cancelling after %lu ms; longest unanswered until the %s: %lu ms, "
                    "%lu ms beyond an idle window's\n",
                    way.how, shownAfter, closing ? "end" : "message", cancelling.longest, cancelling.beyondIdle);
        EXPECT_LE(shownAfter, 100u) << way.how;
        EXPECT_TRUE(countsLater.empty() || countsLater == counts) << way.how << ": " << counts << " became " << countsLater;
        EXPECT_LT(cancelling.beyondIdle, 100u) << way.how;
        if (closing) {
            EXPECT_FALSE(orvex.Running());
            continue;
        }
        EXPECT_FALSE(IsWindow(box)) << way.how;
        orvex.WaitPainted(message);
        Shot("progress-cancelled");
        EXPECT_EQ(orvex.MessageText(message),
                  "Printing was cancelled: 0 of 1 files were sent. The others remain in the list.");
        orvex.CloseMessageBox(message);
        EXPECT_EQ(orvex.ListedFiles(), std::vector<std::string>{huge});
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        WIN32_FIND_DATAA fd;
        EXPECT_EQ(FindFirstFileA((std::string(temp) + "QEL*.TMP").c_str(), &fd), INVALID_HANDLE_VALUE);
    }
    // No stopped job reaches the printer whole. (Wine's AbortPrinter does
    // nothing and its ClosePrinter ends the document, so the part written before
    // the cancel still reaches CUPS here; Windows drops it.)
    const auto whole = [&] {
        for (const std::string& job : NewJobs())
            if (FileSizeOf(job) > (4ULL << 30)) return true;
        return false;
    };
    EXPECT_FALSE(WaitFor(whole, 3000));
    DeleteFileA(big.c_str());
    DeleteFileA(huge.c_str());
}

// Orvex -P run to its end: its exit code, what it wrote to the standard output
// handed to it, and every visible top-level window it showed meanwhile.
struct PrintRun {
    DWORD exitCode = 99;
    std::vector<std::string> lines;
    std::vector<std::string> windows;
};

BOOL CALLBACK CollectVisibleWindow(HWND hwnd, LPARAM lp) {
    auto* run = reinterpret_cast<std::pair<DWORD, PrintRun*>*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == run->first && IsWindowVisible(hwnd)) {
        char title[128] = "", cls[64] = "";
        GetWindowTextA(hwnd, title, sizeof title);
        GetClassNameA(hwnd, cls, sizeof cls);
        run->second->windows.push_back(std::string(cls) + " \"" + title + "\"");
    }
    return TRUE;
}

PrintRun RunOrvexPrint(const std::string& arguments) {
    PrintRun run;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 1 << 16)) return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = writeEnd;
    std::wstring command = Utf8ToWide("\"" + WinePath(ORVEX_EXE) + "\" " + arguments);
    PROCESS_INFORMATION pi{};
    const bool started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return run;
    }
    // Watch for windows until the program ends by itself; it is stopped at the first
    // window (which would wait for a user) or after 90 s.
    std::pair<DWORD, PrintRun*> watch{pi.dwProcessId, &run};
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(pi.hProcess, 20) == WAIT_TIMEOUT) {
        EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&watch));
        if (!run.windows.empty() || GetTickCount() - start > 90000) TerminateProcess(pi.hProcess, 98);
    }
    GetExitCodeProcess(pi.hProcess, &run.exitCode);
    std::string output;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
    for (size_t pos = 0, end; (end = output.find("\r\n", pos)) != std::string::npos; pos = end + 2)
        run.lines.push_back(output.substr(pos, end - pos));
    CloseHandle(readEnd);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return run;
}

// The second queue's printer through the window (no message, Print shown, Browse
// offers `types`), then a PDF made of `size` bytes of `seed` sent to it with -P
// arrives byte for byte.
void TabsFlow::ExpectTakenAndPrinted(const std::vector<std::string>& types, const std::string& shot,
                                     const std::string& pdf, size_t size, unsigned seed) {
    ASSERT_TRUE(orvex.Start("-M " + Queue(2)));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());
    EXPECT_TRUE(orvex.PrintButtonShown());
    const int kFileTypes = 0x470;
    orvex.Press(orvex.Basic(), kBrowse);
    HWND dialog = orvex.WaitWindowWith(kFileTypes, 10000);
    ASSERT_TRUE(dialog);
    std::vector<std::string> offered;
    for (int i = 0, n = orvex.ComboCount(dialog, kFileTypes); i < n; ++i)
        offered.push_back(orvex.ComboText(dialog, kFileTypes, i));
    EXPECT_EQ(offered, types);
    Shot(shot);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    orvex.Stop();

    const size_t before = NewJobs(2).size();
    PrintRun run = RunOrvexPrint("-P -M " + Queue(2) + " " + pdf);
    EXPECT_EQ(run.exitCode, 0u);
    // What a printer says of its state is the fate tests' to check; here only where its ID came from counts.
    const std::string stateLine = "printer \"" + Queue(2) + "\" reports: ";
    if (!run.lines.empty() && run.lines.front().compare(0, stateLine.size(), stateLine) == 0)
        run.lines.erase(run.lines.begin());
    EXPECT_EQ(run.lines, (std::vector<std::string>{"sent: " + pdf, "1 of 1 files sent to \"" + Queue(2) + "\""}));
    ASSERT_TRUE(WaitNewJobs(before + 1, 2));
    EXPECT_TRUE(ReadWholeFile(NewJobs(2).back()) ==
                Header(kDefaultOptions, static_cast<long>(size), "PDF") + Bytes(size, seed) + kTrailer);
}

// Printing without the window against the bench's queues: the first takes PDF and
// JPEG and is the default; the second answers as each case says; the third is silent.
TEST_F(TabsFlow, PrintWithoutWindow) {
    const std::string a = File("a.pdf", 5000, 21), b = File("b.jpg", 3000, 22), a2 = File("a2.PDF", 4096, 23),
                      png = File("c.png", 100, 24), locked = File("locked.pdf", 10, 25),
                      missing = folder_ + "\\missing.pdf", tiff = File("scan.tiff", 600, 26),
                      greek = File("\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 plan.pdf", 300, 27);  // Ωμέγα
    const std::string link = folder_ + "\\print-shortcut.lnk";  // followed to a.pdf
    ASSERT_TRUE(MakeShortcut(link, a));
    // Open for writing elsewhere: the job sender cannot open it.
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    // The second queue's name in other letters' case.
    std::string second = Queue(2);
    for (char& ch : second)
        ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
    const std::string none = "0 of 1 files sent: ";
    struct Case {
        const char* what;
        const char* secondAgent;
        std::string arguments;
        DWORD exitCode;
        std::vector<std::string> lines;
    } cases[] = {
        // Nothing may arrive from these; the cases that send come last, so that their
        // jobs arriving means that anything sent before would have arrived too.
        {"no file", "PDFJPEG", "-P", 2, {"0 of 0 files sent: no file named"}},
        {"printer of no format", "NONE", "-P -M " + Queue(2) + " " + a, 2,
         {"not sent: " + a + " (printer unusable)", none + "printer \"" + Queue(2) + "\" takes none of the formats"}},
        {"unknown printer", "PDFJPEG", "-P -M NoSuchPrinter " + a, 2,
         {"not sent: " + a + " (printer unusable)", none + "there is no printer \"NoSuchPrinter\""}},
        {"switched-off printer", "PDFJPEG", "-P -M " + Queue(3) + " " + a, 2,
         {"not sent: " + a + " (printer unusable)",
          none + "printer \"" + Queue(3) + "\" is busy, switched off or cannot be reached"}},
        {"a mix, default printer", "PDFJPEG",
         "/p " + png + " \"" + missing + "\" " + folder_ + " " + locked + " " + a, 1,
         {"not sent: " + png + " (unsupported format)", "not sent: " + missing + " (missing)",
          "not sent: " + folder_ + " (not a file)", "not sent: " + locked + " (cannot be opened)", "sent: " + a,
          "1 of 5 files sent to \"" + Queue(1) + "\""}},
        {"all sent, printer named in other case", "PDFJPEG", "-m " + second + " " + a2 + " -p " + b + " " + link, 0,
         {"sent: " + a2, "sent: " + b, "sent: " + link, "3 of 3 files sent to \"" + Queue(2) + "\""}},
        // Named as typed, not by the short name the file is opened by; .tiff is TIFF.
        {"a name beyond the code page", "ALL", "-P -M " + Queue(2) + " \"" + greek + "\" " + tiff, 0,
         {"sent: " + greek, "sent: " + tiff, "2 of 2 files sent to \"" + Queue(2) + "\""}},
    };
    for (const Case& c : cases) {
        MapQueue(Queue(2), AgentAddress(c.secondAgent));
        const PrintRun run = RunOrvexPrint(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what;
        EXPECT_EQ(run.lines, c.lines) << c.what;
        EXPECT_TRUE(run.windows.empty()) << c.what << ": " << (run.windows.empty() ? "" : run.windows.front());
    }
    CloseHandle(lock);
    // Only the good files, in command-line order, with the start-up envelope.
    const std::vector<std::string> expected[] = {
        {Header(kDefaultOptions, 5000, "PDF") + Bytes(5000, 21) + kTrailer},
        {Header(kDefaultOptions, 4096, "PDF") + Bytes(4096, 23) + kTrailer,
         Header(kDefaultOptions, 3000, "JPEG") + Bytes(3000, 22) + kTrailer,
         Header(kDefaultOptions, 5000, "PDF") + Bytes(5000, 21) + kTrailer,
         Header(kDefaultOptions, 300, "PDF") + Bytes(300, 27) + kTrailer,
         Header(kDefaultOptions, 600, "TIFF") + Bytes(600, 26) + kTrailer},
        {},
    };
    for (int q = 1; q <= 3; ++q) {
        if (!expected[q - 1].empty()) {
            EXPECT_TRUE(WaitNewJobs(expected[q - 1].size(), q)) << Queue(q);
        }
        // A cut part of an earlier test's gigabyte send can still reach a queue late; it is not this test's.
        std::vector<std::string> jobs;
        for (const std::string& job : NewJobs(q))
            if (FileSizeOf(job) < (1ULL << 20)) jobs.push_back(job);
        ASSERT_EQ(jobs.size(), expected[q - 1].size()) << Queue(q);
        for (size_t i = 0; i < jobs.size(); ++i)
            EXPECT_TRUE(ReadWholeFile(jobs[i]) == expected[q - 1][i]) << Queue(q) << " job " << i << " differs";
    }
}

// What became of each sent file, with -P -W and through the window: the bench's
// STATE agent (snmpd serving the printer's objects from a file) and IPPSTATE
// printer change their state when the job arrives, as a printer would.
class FateFlow : public TabsFlow {
protected:
    void SetUp() override {
        TabsFlow::SetUp();
        if (IsSkipped() || Env("ORVANE_STATE_FILE").empty()) GTEST_SKIP() << "no state agent on the bench";
        SetFollow(120);
    }
    void TearDown() override {
        if (changer_.joinable()) changer_.join();
        SetFollow(0);
        WriteState("ORVANE_STATE_FILE", Env("ORVANE_STATE_READY"));
        WriteState("ORVANE_IPPSTATE_FILE", Env("ORVANE_IPPSTATE_READY"));
        TabsFlow::TearDown();
    }
    // Whole, so that the agent never reads half a file.
    static void WriteState(const char* fileVar, const std::string& text) {
        const std::string file = WinePath(Env(fileVar)), part = file + ".part";
        WriteWholeFile(part, text + "\n");
        MoveFileExA(part.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    // Once the next job reaches queue `q`, the printer's state becomes `text`.
    void OnArrival(const char* fileVar, std::string text, int q = 2) {
        if (changer_.joinable()) changer_.join();
        const size_t before = NewJobs(q).size();
        changer_ = std::thread([this, fileVar, text, before, q] {
            if (WaitNewJobs(before + 1, q, 60000)) WriteState(fileVar, text);
        });
    }
    std::thread changer_;
};

const char kStateJam[] = "hrDeviceStatus 5\nhrPrinterStatus 1\nhrPrinterDetectedErrorState 0400\nprtMarkerLifeCount 1001";
const char kStateNoPaper[] = "hrDeviceStatus 5\nhrPrinterStatus 1\nhrPrinterDetectedErrorState 4000\nprtMarkerLifeCount 1000";
const char kStatePrinted[] = "hrDeviceStatus 2\nhrPrinterStatus 3\nhrPrinterDetectedErrorState 0000\nprtMarkerLifeCount 1002";

TEST_F(FateFlow, PrintWithoutWindowWaitsForEachFilesFate) {
    const std::string a = File("fate.pdf", 3000, 61);
    const std::string ippJam = Env("ORVANE_DEVICEID_IPPSTATE").empty()
                                   ? std::string()
                                   : "device-id " + Env("ORVANE_DEVICEID_IPPSTATE") +
                                         "\nprinter-state 5\nprinter-state-reasons media-jam-error,toner-low-report";
    struct Case {
        const char* what;
        const char* agent;
        const char* fileVar;
        std::string stateBefore, stateOnArrival;
        DWORD exitCode;
        std::string outcome;
        std::string stateLine;   // what the check heard, before anything is sent; none when the printer said nothing
    } const cases[] = {
        {"a ready printer", "STATE", "ORVANE_STATE_FILE", Env("ORVANE_STATE_READY"), kStatePrinted, 0,
         a + ": printed; the printer counted 2 pages", "Ready"},
        {"a jam after the send", "STATE", "ORVANE_STATE_FILE", Env("ORVANE_STATE_READY"), kStateJam, 3,
         a + ": sent; the printer reports: paper jam", "Ready"},
        // The check already saw it and says so; the job is sent anyway and waits in the printer.
        {"out of paper before the send", "STATE", "ORVANE_STATE_FILE", kStateNoPaper, "", 3,
         a + ": sent; the printer reports: out of paper", "Out of paper (noPaper)"},
        {"an IPP printer jams", "IPPSTATE", "ORVANE_IPPSTATE_FILE", Env("ORVANE_IPPSTATE_READY"), ippJam, 3,
         a + ": sent; the printer reports: paper jam", "Ready"},
        {"a printer with no state objects", "PDFJPEG", "ORVANE_STATE_FILE", Env("ORVANE_STATE_READY"), "", 0,
         a + ": sent; the printer gave no status", ""},
    };
    size_t sent = 0;
    for (const Case& c : cases) {
        if (c.stateOnArrival.empty() && std::string(c.agent) == "IPPSTATE") continue;
        MapQueue(Queue(2), AgentAddress(c.agent));
        WriteState(c.fileVar, c.stateBefore);
        if (!c.stateOnArrival.empty()) OnArrival(c.fileVar, c.stateOnArrival);
        const PrintRun run = RunOrvexPrint("-P -W -M " + Queue(2) + " " + a);
        ++sent;
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what;
        std::vector<std::string> lines{"sent: " + a, c.outcome, "1 of 1 files sent to \"" + Queue(2) + "\""};
        if (!c.stateLine.empty()) lines.insert(lines.begin(), "printer \"" + Queue(2) + "\" reports: " + c.stateLine);
        EXPECT_EQ(run.lines, lines) << c.what;
        if (changer_.joinable()) changer_.join();
        // A printer that reports an error ends the wait before its job is in: the
        // next case's change of state must wait for the next job, not for this one.
        ASSERT_TRUE(WaitNewJobs(sent, 2)) << c.what;
        WriteState(c.fileVar, std::string(c.fileVar) == std::string("ORVANE_STATE_FILE") ? Env("ORVANE_STATE_READY")
                                                                                         : Env("ORVANE_IPPSTATE_READY"));
    }
    // Every job byte for byte as the printer took it.
    for (const std::string& job : NewJobs(2))
        EXPECT_TRUE(ReadWholeFile(job) == Header(kDefaultOptions, 3000, "PDF") + Bytes(3000, 61) + kTrailer);
}

TEST_F(FateFlow, TheSheetTellsEachFilesFate) {
    const std::string a = File("fate-a.pdf", 2000, 71);
    const std::string ready = Env("ORVANE_STATE_READY");
    struct Case {
        const char* what;
        const char* agent;
        std::string stateBefore, stateOnArrival;
        std::string message;
        std::string question;   // what Print asks first; its default answer sends
        LPCSTR icon;            // the outcome's: information, or a warning for a printer's error
    } const cases[] = {
        {"a ready printer", "STATE", ready, kStatePrinted, "fate-a.pdf: printed; the printer counted 2 pages", "",
         IDI_ASTERISK},
        {"a jam after the send", "STATE", ready, kStateJam, "fate-a.pdf: sent; the printer reports: paper jam", "",
         IDI_EXCLAMATION},
        {"out of paper before Print", "STATE", kStateNoPaper, "", "fate-a.pdf: sent; the printer reports: out of paper",
         "The printer reports: Out of paper (noPaper). It keeps the job until this is cleared. Print anyway?",
         IDI_EXCLAMATION},
        {"a printer with no state objects", "PDFJPEG", ready, "", "fate-a.pdf: sent; the printer gave no status", "",
         IDI_ASTERISK},
        // Cancel while the printer prints stops the waiting only: no fate, and the job arrives whole.
        {"Cancel while the printer prints", "STATE", ready,
         "hrDeviceStatus 2\nhrPrinterStatus 4\nhrPrinterDetectedErrorState 0000\nprtMarkerLifeCount 1001", "", "",
         nullptr},
    };
    for (const Case& c : cases) {
        MapQueue(Queue(1), AgentAddress(c.agent));
        WriteState("ORVANE_STATE_FILE", c.stateBefore);
        ASSERT_TRUE(orvex.Start(a)) << c.what;
        ASSERT_TRUE(orvex.WaitSheet()) << c.what;
        EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty()) << c.what;
        const size_t before = NewJobs(1).size();
        if (!c.stateOnArrival.empty()) OnArrival("ORVANE_STATE_FILE", c.stateOnArrival, 1);
        ASSERT_TRUE(orvex.Print()) << c.what;
        if (c.message.empty()) {
            HWND box = nullptr;
            ASSERT_TRUE(WaitFor([&] {
                box = orvex.WaitWindowWith(kProgressFile, 0);
                return box && orvex.Text(GetDlgItem(box, kProgressFile)) == "Sent. Waiting for the printer to finish...";
            }, 30000));
            orvex.Press(box, IDCANCEL);
            EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, 10000));
            EXPECT_TRUE(WaitListed(0));
        }
        bool iconShown = c.icon == nullptr;
        const auto messages = orvex.DrainMessages(c.message.empty() ? 2000 : 60000, 2000, [&](size_t i, HWND box) {
            Shot(std::string("fate-") + c.agent + (c.question.empty() ? "-" : "-asked-") + std::to_string(i));
            iconShown = orvex.ShowsSystemIcon(box, c.icon) && !orvex.ShowsSystemIcon(box, IDI_HAND);
        });
        EXPECT_TRUE(iconShown) << c.what;
        std::vector<std::string> expected{"What became of the files sent:\r\n" + c.message};
        if (c.message.empty()) expected.clear();
        if (!c.question.empty()) expected.insert(expected.begin(), c.question);
        EXPECT_EQ(messages, expected) << c.what;
        ASSERT_TRUE(WaitNewJobs(before + 1, 1)) << c.what;
        EXPECT_TRUE(ReadWholeFile(NewJobs(1).back()) == Header(kDefaultOptions, 2000, "PDF") + Bytes(2000, 71) + kTrailer)
            << c.what;
        if (changer_.joinable()) changer_.join();
        orvex.Stop();
    }
}

// Job options with -P: refused command lines send nothing and name the option;
// a two-file batch with options arrives with the header the tabs give those
// choices (the worked example's lines), and the next run is back at the defaults.
TEST_F(TabsFlow, PrintWithoutWindowTakesJobOptions) {
    MapQueue(Queue(2), AgentAddress("PDFJPEG"));
    const std::string a = File("options-a.pdf", 4000, 51), b = File("options-b.jpg", 1500, 52);
    const struct {
        std::string arguments;
        std::vector<std::string> lines;
    } refused[] = {
        {"-P -M " + Queue(2) + " -o page-ranges=5-3 " + a,
         {"bad value in \"page-ranges=5-3\": page-ranges takes one range of pages A-B (1 <= A <= B <= 9999) or one "
          "page A"}},
        {"-P -n 0 " + a, {"bad value in \"copies=0\": copies takes a whole number from 1 to 99 (also as -n N)"}},
        {"-P -J -o Sides=two-sided-long-edge " + a,
         {"{\"result\":\"refused\",\"reason\":\"unknown option \\\"Sides=two-sided-long-edge\\\"; -o takes name=value "
          "with the names copies, page-ranges, orientation-requested (or portrait, landscape), print-color-mode, "
          "print-quality, media, media-type, fit-to-page, print-scaling, scaling\"}"}},
        {"-o copies=2 " + a, {"-o and -n go with -P (Orvex -P [-M printer] -o name=value ... file ...); see Orvex -?"}},
    };
    for (const auto& r : refused) {
        const PrintRun run = RunOrvexPrint(r.arguments);
        EXPECT_EQ(run.exitCode, 2u) << r.arguments;
        EXPECT_EQ(run.lines, r.lines) << r.arguments;
        EXPECT_TRUE(run.windows.empty()) << r.arguments;
    }

    const PrintRun run = RunOrvexPrint("-P -M " + Queue(2) +
                                       " -n 2 -o page-ranges=3-5 -o media=iso_a4_210x297mm -o Print-Color-Mode=monochrome"
                                       " -oorientation-requested=4 -o media-type=labels -o print-quality=draft"
                                       " -o scaling=150 " + a + " " + b);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.lines, (std::vector<std::string>{"sent: " + a, "sent: " + b,
                                                  "2 of 2 files sent to \"" + Queue(2) + "\""}));
    const PrintRun plain = RunOrvexPrint("-P -J -M " + Queue(2) + " " + b);
    EXPECT_EQ(plain.exitCode, 0u);
    std::string jsonName;  // the path as a JSON string: each backslash doubled
    for (char c : b) jsonName += c == '\\' ? std::string("\\\\") : std::string(1, c);
    EXPECT_EQ(plain.lines,
              (std::vector<std::string>{
                  "{\"printer\":\"" + Queue(2) + "\",\"file\":\"" + jsonName + "\",\"result\":\"sent\"}",
                  "{\"printer\":\"" + Queue(2) + "\",\"sent\":1,\"named\":1,\"exit\":0,\"summary\":\"1 of 1 files sent to \\\"" +
                      Queue(2) + "\\\"\"}"}));

    const std::string options =
        "@PJL SET COLORMODE=MONO\r\n@PJL SET PRINTQUALITY=DRAFT\r\n@PJL SET JOBATTR=\"@ZOOM=150\"\r\n"
        "@PJL SET COPIES=2\r\n@PJL SET ORIENTATION=LANDSCAPE\r\n@PJL SET JOBATTR=\"@FSTP=3\"\r\n"
        "@PJL SET JOBATTR=\"@LSTP=5\"\r\n@PJL SET PAPER=A4\r\n@PJL SET PAPERTYPE=LABEL\r\n";
    const std::vector<std::string> expected = {
        Header(options, 4000, "PDF") + Bytes(4000, 51) + kTrailer,
        Header(options, 1500, "JPEG") + Bytes(1500, 52) + kTrailer,
        Header(kDefaultOptions, 1500, "JPEG") + Bytes(1500, 52) + kTrailer,
    };
    ASSERT_TRUE(WaitNewJobs(expected.size(), 2));
    const auto jobs = NewJobs(2);
    ASSERT_EQ(jobs.size(), expected.size());
    for (size_t i = 0; i < jobs.size(); ++i) EXPECT_TRUE(ReadWholeFile(jobs[i]) == expected[i]) << "job " << i;
    EXPECT_TRUE(NewJobs(1).empty());
}

// The printer list and the check alone: the default printer answers the private
// object, the second is an IPP-only printer, the third is silent.
TEST_F(TabsFlow, PrinterListAndCheck) {
    MapQueue(Queue(2), AgentAddress("IPPONLY"));
    const std::string q1 = Queue(1), q2 = Queue(2), q3 = Queue(3);
    const std::string answering = AgentAddress("PDFJPEG");
    const PrintRun check = RunOrvexPrint("-C");
    EXPECT_EQ(check.exitCode, 0u);
    EXPECT_EQ(check.lines, (std::vector<std::string>{
                               "printer: " + q1 + " (CUPS:" + q1 + ")", "device ID: " + Env("ORVANE_DEVICEID_PDFJPEG"),
                               "from: SNMP 1.3.6.1.4.1.47261.11.5.1.1.1.26.0 at " + answering + " (Standard TCP/IP port)",
                               "languages: PDF, JPEG"}));
    const PrintRun silent = RunOrvexPrint("/c -M " + q3);
    EXPECT_EQ(silent.exitCode, 2u);
    EXPECT_EQ(silent.lines, (std::vector<std::string>{"printer: " + q3 + " (CUPS:" + q3 + ")", "device ID: none",
                                                      "from: nowhere",
                                                      "languages: busy, switched off or cannot be reached"}));
    const PrintRun ipp = RunOrvexPrint("-C -J -M " + q2);
    EXPECT_EQ(ipp.exitCode, 0u);
    EXPECT_EQ(ipp.lines, (std::vector<std::string>{
                             "{\"printer\":\"" + q2 + "\",\"port\":\"CUPS:" + q2 +
                             "\",\"default\":false,\"result\":\"ok\",\"languages\":[\"PDF\",\"JPEG\"],\"device_id\":\"" +
                             Env("ORVANE_DEVICEID_IPPONLY") + "\",\"source\":\"IPP printer-device-id at " +
                             AgentAddress("IPPONLY") + "\"}"}));
    EXPECT_EQ(RunOrvexPrint("-C -M NoSuchPrinter").lines,
              (std::vector<std::string>{"there is no printer \"NoSuchPrinter\""}));

    // The list: every printer of the prefix, the bench's three among them.
    const PrintRun list = RunOrvexPrint("-L");
    EXPECT_EQ(list.exitCode, 0u);
    const PrintRun checked = RunOrvexPrint("-L -C");
    EXPECT_EQ(checked.exitCode, 0u);
    const auto has = [](const PrintRun& run, const std::string& line) {
        return std::find(run.lines.begin(), run.lines.end(), line) != run.lines.end();
    };
    EXPECT_TRUE(has(list, "* " + q1 + " (CUPS:" + q1 + ")")) << ::testing::PrintToString(list.lines);
    EXPECT_TRUE(has(list, "  " + q3 + " (CUPS:" + q3 + ")")) << ::testing::PrintToString(list.lines);
    EXPECT_TRUE(has(checked, "* " + q1 + " (CUPS:" + q1 + "): PDF, JPEG")) << ::testing::PrintToString(checked.lines);
    EXPECT_TRUE(has(checked, "  " + q2 + " (CUPS:" + q2 + "): PDF, JPEG")) << ::testing::PrintToString(checked.lines);
    EXPECT_TRUE(has(checked, "  " + q3 + " (CUPS:" + q3 + "): busy, switched off or cannot be reached"))
        << ::testing::PrintToString(checked.lines);
    EXPECT_EQ(list.lines.size(), checked.lines.size());
    for (const PrintRun* run : {&check, &silent, &ipp, &list, &checked}) EXPECT_TRUE(run->windows.empty());
}

// Printers that publish their device ID only by a standard means (the bench's
// agents of the standard objects, ippeveprinter, an IPP printer at /ipp that
// lists formats only), or in a form the standard allows (the long key, the
// private object behind its length, IPP or SNMP answering after 1.3 s): Print appears,
// Browse offers exactly their languages, and a PDF sent with -P reaches the
// queue byte for byte.
TEST_F(TabsFlow, PrintersOfStandardSourcesOnly) {
    const std::string pdf = File("standard.pdf", 2048, 40);
    const struct {
        const char* agent;
        std::vector<std::string> types;
    } cases[] = {
        {"PWG", {"PDF files (*.PDF)", "TIFF files (*.TIF;*.TIFF)"}},
        {"OTHER", {"PDF files (*.PDF)"}},
        {"OTHERLEN", {"PDF files (*.PDF)"}},
        {"IPPEVE", {"PDF files (*.PDF)", "JPEG files (*.JPG;*.JPEG;*.JPE)"}},
        {"IPPFORMATS", {"PDF files (*.PDF)", "PNG files (*.PNG)", "BMP files (*.BMP)"}},
        {"CMDSET", {"PDF files (*.PDF)", "JPEG files (*.JPG;*.JPEG;*.JPE)"}},
        {"PRIVLEN", {"PDF files (*.PDF)", "PNG files (*.PNG)"}},
        {"IPPSLOW", {"PDF files (*.PDF)", "JPEG files (*.JPG;*.JPEG;*.JPE)"}},
        {"SLOW", {"PDF files (*.PDF)", "JPEG files (*.JPG;*.JPEG;*.JPE)"}},   // answers 1.3 s late
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.agent);
        MapQueue(Queue(2), AgentAddress(c.agent));
        ExpectTakenAndPrinted(c.types, std::string("standard-") + c.agent, pdf, 2048, 40);
    }
}

// A printer whose port Windows set up by itself: the port name on the printer's
// record, and Wine's spooler told to hand that port's jobs to the same queue.
class PortOfItsOwn {
public:
    PortOfItsOwn(const std::string& queue, const std::string& port) : queue_(queue), port_(port) {
        SetPort(port);
        HKEY h = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, kSpooler, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr);
        const std::string command = "|lp -d " + queue + " -o raw";
        RegSetValueExA(h, port.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>(command.size() + 1));
        RegCloseKey(h);
    }
    ~PortOfItsOwn() {
        SetPort("CUPS:" + queue_);
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kSpooler, port_.c_str());
    }

private:
    static constexpr const char* kSpooler = "Software\\Wine\\Printing\\Spooler";
    void SetPort(const std::string& port) {
        const std::string key = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + queue_;
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), "Port", REG_SZ, port.c_str(),
                        static_cast<DWORD>(port.size() + 1));
    }
    std::string queue_, port_;
};

// Printers as Windows 10 and 11 set them up, each with the real printer the
// layout names: a WSD port whose device's PnP-X address is an SNMP agent, IPP
// ports whose URI is ippeveprinter (http) or ippeveprinter behind TLS (ipps).
// Print appears, Browse offers their languages, and a PDF sent with -P reaches
// the queue byte for byte. A print server's printer cannot exist under Wine:
// naming one ends at once.
TEST_F(TabsFlow, PrintersWindowsSetUpByItself) {
    if (Env("ORVANE_IPP_TLS").empty()) GTEST_SKIP() << "bench IPP printers not configured";
    const std::string pdf = File("own-port.pdf", 3072, 41);
    const std::string tls = Env("ORVANE_IPP_TLS").substr(0, Env("ORVANE_IPP_TLS").rfind(':'));
    const std::vector<std::string> pdfJpeg = {"PDF files (*.PDF)", "JPEG files (*.JPG;*.JPEG;*.JPE)"};
    const struct {
        const char* what;
        std::string port;
        bool wsdDevice;
    } cases[] = {
        {"WSD port", "WSD-6a1f4c3e-2b7d-4f0e-9a35-0c1d2e3f4a5b", true},
        {"IPP port, http", "http://" + AgentAddress("IPPEVE") + ":631/ipp/print", false},
        {"IPP port, ipps", "ipps://" + tls + "/ipp/print", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PortOfItsOwn port(Queue(2), c.port);
        // For the IPP ports, a WSD printer of another port: it must not be taken for this one.
        printer_layout::WsdDevice device(c.wsdDevice ? Queue(2) : "Not this printer", "Bench Model",
                                         c.wsdDevice ? c.port : "WSD-00000000-0000-0000-0000-0000000000f0", 4,
                                         {AgentAddress("PDFJPEG")}, {});
        ASSERT_TRUE(device.imported());
        ExpectTakenAndPrinted(pdfJpeg, std::string("own-port-") + (c.wsdDevice ? "wsd" : c.port.substr(0, c.port.find(':'))),
                              pdf, 3072, 41);
    }
    const DWORD start = GetTickCount();
    const PrintRun server = RunOrvexPrint("-P -M \\\\orvt-server\\Laser " + pdf);
    EXPECT_EQ(server.exitCode, 2u);
    EXPECT_EQ(server.lines, (std::vector<std::string>{"not sent: " + pdf + " (printer unusable)",
                                                      "0 of 1 files sent: there is no printer \"\\\\orvt-server\\Laser\""}));
    EXPECT_LT(GetTickCount() - start, 10000u);
}

// The name by which ANSI calls reach a file whose Unicode name the code page cannot hold.
std::string ShortAnsiName(const std::string& utf8Path) {
    wchar_t shortName[MAX_PATH] = L"";
    GetShortPathNameW(Utf8ToWide(utf8Path).c_str(), shortName, MAX_PATH);
    char ansi[MAX_PATH] = "";
    WideCharToMultiByte(CP_ACP, 0, shortName, -1, ansi, MAX_PATH, nullptr, nullptr);
    return ansi;
}

// Greek letters have no place in the ANSI code page: the file arrives by its short
// name, from a Unicode command line and from a drop, and its exact bytes reach the
// printer. A missing name is told as any missing file, and map.tifw is no MAP~1.TIF; paths over 259
// characters are told about once, with their number.
TEST_F(TabsFlow, NamesBeyondTheAnsiCodePageAndOverlongPaths) {
    MapQueue(Queue(1), AgentAddress("ALL"));
    const std::string omega = folder_ + "\\\xCE\xA9\xCE\xBC\xCE\xB5\xCE\xB3\xCE\xB1.pdf";  // Ωμεγα.pdf
    FILE* f = _wfopen(Utf8ToWide(omega).c_str(), L"wb");
    ASSERT_TRUE(f);
    const std::string bytes = Bytes(700, 60);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    const std::string missing = folder_ + "\\\xCE\xA8-missing.pdf";  // Ψ-missing.pdf
    const std::string overlong = folder_ + "\\" + std::string(260, 'x') + ".pdf";
    const std::string greek = folder_ + "\\\xCE\xA6\xCE\xAC\xCE\xBA";  // Φάκ
    const std::string world = greek + "\\map.tifw", inGreek = greek + "\\a.pdf";
    CreateDirectoryW(Utf8ToWide(greek).c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(world, "1.0\r\n") && WriteWholeFile(inGreek, bytes));
    const std::string listedName = ShortAnsiName(omega);
    ASSERT_FALSE(listedName.empty());

    ASSERT_TRUE(orvex.Start("\"" + omega + "\" \"" + missing + "\" \"" + overlong + "\" \"" + overlong + "2\" \"" +
                            world + "\" \"" + inGreek + "\""));
    const auto shot = [&](size_t i, HWND) {
        orvex.Settle(300);
        Shot("message-name-" + std::to_string(i));
    };
    EXPECT_EQ(orvex.DrainMessages(20000, 2000, shot),
              (std::vector<std::string>{kNoSupport, kNoSupport,
                                        "2 file path(s) are longer than 259 characters and cannot be printed."}));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_EQ(orvex.ListedFiles(), (std::vector<std::string>{listedName, ShortAnsiName(inGreek)}));
    ASSERT_TRUE(orvex.DropFiles(orvex.Basic(), {omega, overlong}));
    EXPECT_EQ(orvex.DrainMessages(5000, 800),
              std::vector<std::string>{"1 file path(s) are longer than 259 characters and cannot be printed."});
    EXPECT_EQ(orvex.ListedFiles(), (std::vector<std::string>{listedName, ShortAnsiName(inGreek), listedName}));
    Shot("basic-short-names");

    ASSERT_TRUE(orvex.Print());
    ASSERT_TRUE(WaitNewJobs(3));
    for (const std::string& job : NewJobs())
        EXPECT_EQ(ReadWholeFile(job), Header(kDefaultOptions, 700, "PDF") + bytes + kTrailer);
}

// Run (alone) by tabs_utf8_code_page under a locale whose ANSI code page is UTF-8, as
// with Windows' "use Unicode UTF-8" option: ASCII and Greek names alike are exact,
// listed and sent whole, and -P names them as given.
TEST_F(TabsFlow, NamesUnderTheUtf8CodePage) {
    ASSERT_EQ(GetACP(), 65001u) << "the locale did not give the UTF-8 code page";
    const std::string a = File("a.pdf", 400, 70), omega = File("\xCE\xA9\xCE\xBC\xCE\xAD.pdf", 500, 71);  // Ωμέ
    ASSERT_TRUE(orvex.Start(a + " \"" + omega + "\"") && orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());
    EXPECT_EQ(orvex.ListedFiles(), (std::vector<std::string>{a, omega}));
    orvex.Stop();
    const PrintRun run = RunOrvexPrint("-P " + a + " \"" + omega + "\"");
    EXPECT_EQ(run.lines,
              (std::vector<std::string>{"sent: " + a, "sent: " + omega, "2 of 2 files sent to \"" + Queue(1) + "\""}));
    ASSERT_TRUE(WaitNewJobs(2));
    EXPECT_EQ(ReadWholeFile(NewJobs().at(1)), Header(kDefaultOptions, 500, "PDF") + Bytes(500, 71) + kTrailer);
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

// Keys only: Copies through its group caption's access key, the other tab through
// the tab order, the paper through the Size label's access key, Print through its
// own; the job carries both.
TEST_F(TabsFlow, KeyboardOnlyRunPrintsWithTheChosenOptions) {
    const std::string a = File("keys.pdf", 1500, 60);
    ASSERT_TRUE(orvex.Start(a));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());
    HWND copies = orvex.Control(orvex.Basic(), kCopies);
    orvex.Keys({VK_MENU, 'C'});
    ASSERT_TRUE(WaitFor([&] { return orvex.Focused() == copies; }, 5000));
    orvex.Keys({'2'});  // the access key selected the old text: typing replaces it
    EXPECT_EQ(orvex.WaitText(copies, "2"), "2");
    // Back through the tab order to the tabs, then the next one with the arrow key.
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(orvex.Sheet(), PSM_GETTABCONTROL, 0, 0));
    for (int i = 0; i < 20 && orvex.Focused() != tabs; ++i) {
        HWND before = orvex.Focused();
        orvex.Keys({VK_SHIFT, VK_TAB});
        WaitFor([&] { return orvex.Focused() != before; }, 3000);
    }
    ASSERT_EQ(orvex.Focused(), tabs);
    orvex.Keys({VK_RIGHT});
    ASSERT_TRUE(WaitFor([&] { return orvex.Advanced() && IsWindowVisible(orvex.Advanced()); }, 10000));
    HWND adv = orvex.Advanced();
    orvex.Keys({VK_MENU, 'S'});
    ASSERT_TRUE(WaitFor([&] { return orvex.Focused() == orvex.Control(adv, kPaperSize); }, 5000));
    for (int i = 0; i < 4; ++i) orvex.Keys({VK_DOWN});
    ASSERT_TRUE(WaitFor([&] { return orvex.ComboSelection(adv, kPaperSize) == 4; }, 5000));
    Shot("keyboard-only");
    orvex.Keys({VK_MENU, 'P'});
    ASSERT_TRUE(WaitNewJobs(1));
    const std::string options =
        "@PJL SET COLORMODE=COLOR\r\n@PJL SET PRINTQUALITY=NORMAL\r\n@PJL SET JOBATTR=\"@ZOOM=100\"\r\n"
        "@PJL SET COPIES=2\r\n@PJL SET ORIENTATION=PORTRAIT\r\n@PJL SET JOBATTR=\"@FSTP=0\"\r\n"
        "@PJL SET JOBATTR=\"@LSTP=0\"\r\n@PJL SET PAPER=A4\r\n@PJL SET PAPERTYPE=OFF\r\n";
    EXPECT_EQ(ReadWholeFile(NewJobs().at(0)), Header(options, 1500, "PDF") + Bytes(1500, 60) + kTrailer);
    EXPECT_TRUE(WaitListed(0));
    // After Print the keyboard focus is on a control again, not on the sheet.
    EXPECT_TRUE(WaitFor([&] { HWND f = orvex.Focused(); return f && f != orvex.Sheet(); }, 5000));
}

// What a screen reader reads of a control (MSAA, as the program answers it).
struct Accessible {
    std::string name, shortcut;
    long state = 0;
};

Accessible ReadAccessible(HWND hwnd) {
    Accessible a;
    IAccessible* acc = nullptr;
    if (FAILED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&acc))) || !acc)
        return a;
    auto narrow = [](BSTR text) {
        char out[512] = "";
        if (text) WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr);
        SysFreeString(text);
        return std::string(out);
    };
    VARIANT self, state;
    VariantInit(&state);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr, shortcut = nullptr;
    if (SUCCEEDED(acc->get_accName(self, &name))) a.name = narrow(name);
    if (SUCCEEDED(acc->get_accKeyboardShortcut(self, &shortcut))) a.shortcut = narrow(shortcut);
    if (SUCCEEDED(acc->get_accState(self, &state)) && state.vt == VT_I4) a.state = state.lVal;
    acc->Release();
    return a;
}

// Every control a keyboard user reaches on both tabs, with the name it is read out
// by (its own label, never a group's caption or a neighbour's text) and its access
// key; the preview reads out its summary and follows a change; pictures are hidden.
TEST_F(TabsFlow, EveryControlHasANameOfItsOwnAndItsAccessKey) {
    ASSERT_TRUE(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) >= 0);
    ASSERT_TRUE(orvex.Start(""));
    ASSERT_TRUE(orvex.WaitSheet());
    EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());
    ASSERT_TRUE(orvex.ShowTab(1));
    ASSERT_TRUE(orvex.ShowTab(0));
    enum Where { kSheet, kBasicTab, kAdvancedTab };
    const struct {
        Where where;
        int id;
        const char *name, *shortcut;
    } controls[] = {
        {kSheet, IDOK, "Print", "Alt+P"},           {kSheet, IDCANCEL, "Cancel", "Alt+N"},
        {kSheet, IDHELP, "Help", "Alt+H"},
        {kBasicTab, kPrinterList, "Select Printer", "Alt+S"}, {kBasicTab, kFileList, "Select Files", "Alt+F"},
        {kBasicTab, kRemove, "Remove", "Alt+R"},     {kBasicTab, kBrowse, "Browse", "Alt+B"},
        {kBasicTab, kRangeAll, "All", "Alt+A"},      {kBasicTab, kRangePages, "Pages", "Alt+G"},
        {kBasicTab, kFrom, "From :", "Alt+O"},       {kBasicTab, kTo, "To :", "Alt+T"},
        {kBasicTab, kCopies, "Copies", "Alt+C"},     {kBasicTab, kPortrait, "Portrait", "Alt+I"},
        {kBasicTab, kLandscape, "Landscape", "Alt+L"}, {kBasicTab, kDefault, "Default", "Alt+D"},
        {kAdvancedTab, kPaperSize, "Size", "Alt+S"}, {kAdvancedTab, kPaperType, "Type", "Alt+T"},
        {kAdvancedTab, kDraft, "Draft", "Alt+D"},    {kAdvancedTab, kNormal, "Normal", "Alt+O"},
        {kAdvancedTab, kAuto, "Auto", "Alt+A"},      {kAdvancedTab, kBlackWhite, "Black & White", ""},
        {kAdvancedTab, kFit, "Fit to page", "Alt+F"}, {kAdvancedTab, kZoom, "Custom :", "Alt+U"},
        {kAdvancedTab, kAdvDefault, "Default", "Alt+E"},
    };
    const HWND windows[] = {orvex.Sheet(), orvex.Basic(), orvex.Advanced()};
    for (const auto& c : controls) {
        HWND hwnd = orvex.Control(windows[c.where], c.id);
        SCOPED_TRACE(std::string(c.name) + " (" + std::to_string(c.id) + ")");
        ASSERT_TRUE(hwnd);
        const Accessible a = ReadAccessible(hwnd);
        EXPECT_EQ(a.name, c.name);
        EXPECT_EQ(_stricmp(a.shortcut.c_str(), c.shortcut), 0) << a.shortcut;
    }
    // Nothing a keyboard user reaches is missing from the table.
    for (Where page : {kBasicTab, kAdvancedTab}) {
        for (HWND child = GetWindow(windows[page], GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char cls[64] = "";
            GetClassNameA(child, cls, sizeof cls);
            const LONG style = GetWindowLongA(child, GWL_STYLE);
            const bool groupBox = lstrcmpiA(cls, "Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX;
            const bool reachable = (lstrcmpiA(cls, "Button") == 0 && !groupBox) || lstrcmpiA(cls, "Edit") == 0 ||
                                   lstrcmpiA(cls, "ComboBox") == 0 || lstrcmpiA(cls, "SysListView32") == 0;
            if (!reachable || !(style & WS_VISIBLE)) continue;
            bool listed = false;
            for (const auto& c : controls) listed = listed || (c.where == page && c.id == GetDlgCtrlID(child));
            EXPECT_TRUE(listed) << "control " << GetDlgCtrlID(child) << " is not in the table";
        }
    }
    // The option pictures decorate only.
    for (HWND picture : {orvex.Control(orvex.Basic(), 1037), orvex.Control(orvex.Advanced(), 1043),
                         orvex.Control(orvex.Advanced(), 1044)})
        EXPECT_TRUE(ReadAccessible(picture).state & STATE_SYSTEM_INVISIBLE);
    // The preview reads out what it shows, and follows the settings.
    EXPECT_EQ(ReadAccessible(orvex.Control(orvex.Basic(), 1051)).name,
              "All / Original / Copies : 1 / Resolution : Normal / Color : Auto");
    ASSERT_TRUE(orvex.ShowTab(1));
    HWND preview = orvex.Control(orvex.Advanced(), kAdvancedPreview);
    orvex.ClickRadio(orvex.Advanced(), kBlackWhite);
    orvex.ClickRadio(orvex.Advanced(), kDraft);
    orvex.Settle();
    std::string name;
    WaitFor([&] { return (name = ReadAccessible(preview).name).find("Draft") != std::string::npos; }, 5000);
    EXPECT_EQ(name, "All / Original / Copies : 1 / Resolution : Draft / Color : Black & White");
    CoUninitialize();
}

// A high-contrast colour scheme for the time of a run; the old colours are put
// back after it. The two schemes share no colour, and no blend of one scheme's
// text into its background equals one of the other's (the first's all have blue
// in them, the second's none), so a text smoothed into its background changes
// from one to the other as every pixel drawn in the system colours does.
struct Scheme {
    COLORREF face, text, highlight, highlightText, gray, shadow;
};
const Scheme kNavyScheme{RGB(0, 0, 128), RGB(255, 255, 255), RGB(26, 235, 255), RGB(0, 0, 128),
                         RGB(63, 242, 63), RGB(128, 128, 160)};
const Scheme kBlackScheme{RGB(0, 0, 0), RGB(255, 255, 0), RGB(0, 255, 0), RGB(0, 0, 0), RGB(255, 128, 0),
                          RGB(128, 128, 0)};

class SchemeInUse {
public:
    explicit SchemeInUse(const Scheme& s) {
        for (int i = 0; i < kCount; ++i) old_[i] = GetSysColor(i);
        const COLORREF colours[] = {s.face, s.text, s.face, s.text, s.highlight, s.highlightText, s.gray,
                                    s.text, s.text, s.shadow, s.text, s.text};
        SetSysColors(static_cast<int>(sizeof kIds / sizeof kIds[0]), kIds, colours);
    }
    ~SchemeInUse() {
        int ids[kCount];
        for (int i = 0; i < kCount; ++i) ids[i] = i;
        SetSysColors(kCount, ids, old_);
    }
    // The scheme's colours as pixels (0x00RRGGBB), and their inverses: the system
    // draws focus rectangles and carets by inverting.
    static std::vector<DWORD> Pixels() {
        std::vector<DWORD> out;
        for (int id : kIds) {
            const COLORREF c = GetSysColor(id);
            const DWORD pixel = static_cast<DWORD>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
            out.push_back(pixel);
            out.push_back(~pixel & 0xFFFFFF);
        }
        return out;
    }

private:
    static const int kCount = COLOR_MENUBAR + 1;
    static constexpr int kIds[] = {COLOR_WINDOW,    COLOR_WINDOWTEXT, COLOR_BTNFACE,  COLOR_BTNTEXT,
                                   COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, COLOR_GRAYTEXT, COLOR_3DHILIGHT,
                                   COLOR_3DLIGHT,   COLOR_3DSHADOW,   COLOR_3DDKSHADOW, COLOR_WINDOWFRAME};
    COLORREF old_[kCount];
};

// The pixels of a window (frame included) as the screen shows them, with the
// system colours of the moment and rectangles (window coordinates) to leave out.
struct Drawn {
    int w = 0, h = 0;
    std::vector<DWORD> px;
    std::vector<DWORD> system;
    std::vector<RECT> skip;
};

Drawn Grab(HWND window, const std::vector<HWND>& pictures) {
    Drawn d;
    RECT wr;
    GetWindowRect(window, &wr);
    d.w = wr.right - wr.left;
    d.h = wr.bottom - wr.top;
    d.px = OrvexDriver::ScreenPixels(wr);
    d.system = SchemeInUse::Pixels();
    for (HWND p : pictures) {
        RECT r{};
        if (p) GetWindowRect(p, &r);
        OffsetRect(&r, -wr.left, -wr.top);
        d.skip.push_back(r);
    }
    return d;
}

// Pixels that did not follow the system colours from one scheme to the other:
// each must be a colour of the scheme in both runs, or be none in both and change
// with the scheme (text smoothed into its background); a colour that stays, or
// one that is the scheme's in one run only, is the program's own.
long NotFollowing(const Drawn& a, const Drawn& b) {
    if (a.w != b.w || a.h != b.h) return -1;
    long count = 0;
    for (int y = 0; y < a.h; ++y)
        for (int x = 0; x < a.w; ++x) {
            if ((x < 4 || x >= a.w - 4) && (y < 4 || y >= a.h - 4)) continue;  // the region's cut corners
            const POINT at{x, y};
            bool skipped = false;
            for (const RECT& r : a.skip) skipped = skipped || PtInRect(&r, at);
            if (skipped) continue;
            const DWORD ca = a.px[y * a.w + x], cb = b.px[y * a.w + x];
            const bool systemA = std::find(a.system.begin(), a.system.end(), ca) != a.system.end();
            const bool systemB = std::find(b.system.begin(), b.system.end(), cb) != b.system.end();
            if ((systemA && systemB) || (!systemA && !systemB && ca != cb)) continue;
            if (++count <= 5)
                std::printf("pixel (%d, %d): %06lx, then %06lx\n", x, y, static_cast<unsigned long>(ca),
                            static_cast<unsigned long>(cb));
        }
    return count;
}

// Wine never reports high contrast on: the program's test switch stands in for
// the system's answer. The sheet (both tabs), its frame and the message box are
// drawn twice, under two schemes; pixel for pixel, everything follows the
// system colours (the option pictures aside).
TEST_F(TabsFlow, HighContrastDrawsWithTheSystemColoursOnly) {
    std::vector<Drawn> runs[2];
    const Scheme* schemes[] = {&kNavyScheme, &kBlackScheme};
    for (int run = 0; run < 2; ++run) {
        SchemeInUse scheme(*schemes[run]);
        ASSERT_TRUE(orvex.Start("", {"ORVANE_TEST_HIGH_CONTRAST=1"}));
        ASSERT_TRUE(orvex.WaitSheet());
        EXPECT_TRUE(orvex.DrainMessages(1500, 300).empty());
        orvex.Settle();
        const std::string name = run == 0 ? "high-contrast-navy" : "high-contrast-black";
        Shot(name + "-basic");
        runs[run].push_back(Grab(orvex.Sheet(), {orvex.Control(orvex.Basic(), 1037)}));
        orvex.Settle();
        ASSERT_TRUE(orvex.ShowTab(1));
        orvex.Settle();
        Shot(name + "-advanced");
        runs[run].push_back(
            Grab(orvex.Sheet(), {orvex.Control(orvex.Advanced(), 1043), orvex.Control(orvex.Advanced(), 1044)}));
        ASSERT_TRUE(orvex.ShowTab(0));
        orvex.Print();  // no file: the message box
        HWND box = orvex.WaitMessageBox(10000);
        ASSERT_TRUE(box);
        orvex.WaitPainted(box);
        Shot(name + "-message");
        runs[run].push_back(Grab(box, {GetDlgItem(box, 232)}));
        orvex.CloseMessageBox(box);
        orvex.Stop();
    }
    const char* what[] = {"basic tab", "advanced tab", "message box"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(NotFollowing(runs[0][i], runs[1][i]), 0) << what[i];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--sync-printers") {
        // Loading the spooler lists the CUPS queues again; then the default is set back.
        DWORD needed = 0, count = 0;
        EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
        return SetDefaultPrinterA(argv[2]) ? 0 : 1;
    }
    // The no-printer and UTF-8 cases need runs of their own (no_printer.sh, tabs_utf8_code_page); every other
    // case needs the printers. A --gtest_filter given still wins.
    ::testing::GTEST_FLAG(filter) = Env("ORVANE_TABS_NO_CUPS") == "1" ? "TabsFlow.NoPrinterAtAll"
                                                                      : "-TabsFlow.NoPrinterAtAll:*Utf8*";
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
