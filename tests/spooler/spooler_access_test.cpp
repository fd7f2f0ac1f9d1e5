// CTestPrint's logic against a substitute spooler: the printer list and its
// indices, the default printer by Windows version, XPS drivers, and the order of
// the spooler calls that make one document.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/debug_log.h"
#include "spooler/spooler_access.h"
#include "tests/job/fakes.h"

namespace {

std::vector<std::string> g_lines;
void Capture(const char* text) { g_lines.push_back(text); }

class TestPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = SetDebugSink(Capture);
        gwLogSwitch = 1;
        g_lines.clear();
        spooler.printers = {{"Office Laser", "USB001", 0}, {"Lab Printer", "IP_10.0.0.5", 0},
                            {"lab printer", "LPT1:", 0}};
    }
    void TearDown() override {
        gwLogSwitch = 0;
        SetDebugSink(previous_);
        EXPECT_EQ(world.openHandles, 0);
    }
    bool Logged(const std::string& line) {
        for (const auto& l : g_lines)
            if (l == line) return true;
        return false;
    }
    FakeWorld world;
    FakeSpooler spooler{world};
    DebugSink previous_ = nullptr;
};

}  // namespace

TEST(VersionClassTest, EveryRowOfTheTable) {
    struct Case { std::uint32_t platform, major, minor; const char* sp; int cls; } cases[] = {
        {0, 3, 10, "", kWin32s},        {1, 4, 0, " B", kWin95OSR2},   {1, 4, 0, " C", kWin95OSR2},
        {1, 4, 0, "", kWin95},          {1, 4, 0, " A", kWin95},       {1, 4, 10, " A", kWin98SE},
        {1, 4, 10, "", kWin98},         {1, 4, 90, "", kWinMe},        {1, 4, 20, "", kWin9xOther},
        {2, 3, 51, "", kWinNT3},        {2, 4, 0, "Service Pack 6", kWinNT4},
        {2, 5, 0, "", kWin2000},        {2, 5, 1, "", kWinXP},         {2, 5, 2, "", kWin2003},
        {2, 6, 2, "", kWinVista},       {2, 6, 3, "", kWinVista},      {2, 10, 0, "", kWinNT10},
        {2, 2, 0, "", kWinNTOther},     {3, 10, 0, "", kWinUnknown},
    };
    for (const Case& c : cases) {
        OsVersion v{c.platform, c.major, c.minor, 0, c.sp};
        EXPECT_EQ(ClassifyWindowsVersion(v), c.cls) << c.platform << " " << c.major << "." << c.minor;
    }
}

TEST_F(TestPrintTest, DefaultPrinterByVersionClass) {
    struct Case {
        const char* name;
        OsVersion version;
        std::string profile;
        std::string spoolerDefault;
        int defaultAttributeOn;  // index of the printer flagged default, -1 none
        int expected;
    } cases[] = {
        {"NT 6.2 spooler query, other case", {2, 6, 2, 0, ""}, ",,,", "OFFICE LASER", -1, 0},
        {"NT 10 still asks the spooler", {2, 10, 0, 0, ""}, ",,,", "Lab Printer", -1, 1},
        {"spooler names a printer not listed", {2, 6, 1, 0, ""}, ",,,", "Elsewhere", -1, -1},
        {"spooler has no default", {2, 5, 1, 0, ""}, ",,,", "", -1, -1},
        {"NT4 profile entry", {2, 4, 0, 0, ""}, "lab printer,winspool,LPT1:", "x", -1, 1},
        {"NT4 profile without comma", {2, 4, 0, 0, ""}, "Office Laser", "x", -1, -1},
        {"NT4 profile default text", {2, 4, 0, 0, ""}, ",,,", "x", -1, -1},
        {"98 attribute scan", {1, 4, 10, 0, ""}, ",,,", "x", 0, 0},
        // The flagged printer's name is looked up again: the first of two names
        // differing in case wins.
        {"98 attribute scan, name twice", {1, 4, 10, 0, ""}, ",,,", "x", 2, 1},
        {"95 attribute scan, none flagged", {1, 4, 0, 0, ""}, ",,,", "Office Laser", -1, -1},
        {"Win32s: none", {0, 3, 10, 0, ""}, "Office Laser,x,y", "Office Laser", 0, -1},
        {"NT 3 unknown minor major 2: none", {2, 2, 0, 0, ""}, ",,,", "Office Laser", 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        spooler.version = c.version;
        spooler.profileDevice = c.profile;
        spooler.defaultName = c.spoolerDefault;
        for (std::size_t i = 0; i < spooler.printers.size(); ++i)
            spooler.printers[i].attributes = int(i) == c.defaultAttributeOn ? kPrinterAttributeDefault : 0;
        CTestPrint tp(spooler);
        EXPECT_EQ(tp.GetCurrentPrinter(), c.expected);
        EXPECT_EQ(tp.GetDefaultPrinterIndex(), c.expected);
    }
    spooler.version = {2, 6, 2, 0, ""};
    g_lines.clear();
    CTestPrint tp(spooler);
    EXPECT_TRUE(Logged("[OS] dwMajorVersion : 6 / dwMinorVersion : 2"));
    EXPECT_TRUE(Logged("WIN_2K/WIN_XP/WIN_2003/LH  GetWin2kDefaultPrinter"));
    spooler.versionOk = false;  // no version: no default printer
    EXPECT_EQ(tp.GetDefaultPrinterIndex(), -1);
}

TEST_F(TestPrintTest, ListAndIndices) {
    spooler.defaultName = "Lab Printer";
    CTestPrint tp(spooler);
    EXPECT_EQ(tp.GetPrinterCount(), 3);
    EXPECT_EQ(tp.GetPrinterName(1), "Lab Printer");
    EXPECT_EQ(tp.GetPortName(2), "LPT1:");
    EXPECT_EQ(tp.GetPrinterName(3), "");
    EXPECT_EQ(tp.GetPortName(-1), "");
    EXPECT_EQ(tp.GetCurrentPrinter(), 1);

    EXPECT_TRUE(tp.SetCurrentPrinterIndex(3));  // the count itself is ignored
    EXPECT_EQ(tp.GetCurrentPrinter(), 1);
    EXPECT_TRUE(tp.SetCurrentPrinterIndex(-2));
    EXPECT_EQ(tp.GetCurrentPrinter(), 1);
    EXPECT_TRUE(tp.SetCurrentPrinterIndex(-1));
    EXPECT_EQ(tp.GetCurrentPrinter(), -1);

    EXPECT_EQ(tp.SetCurrentPrinter("LAB PRINTER"), 1);  // first of two case-variants
    EXPECT_TRUE(Logged("SetCurrentPrinter / Search model: LAB PRINTER Index: 1"));
    EXPECT_EQ(tp.SetCurrentPrinter("No Such"), 1);
    EXPECT_EQ(tp.SetCurrentPrinter(""), 1);

    spooler.enumOk = false;
    EXPECT_FALSE(tp.RefreshPrinterList());
    EXPECT_EQ(tp.GetPrinterCount(), 0);
    EXPECT_EQ(tp.GetCurrentPrinter(), -1);
    EXPECT_EQ(tp.GetPrinterName(0), "");
    EXPECT_EQ(tp.SetCurrentPrinter("Lab Printer"), -1);
}

// The user's connections to shared printers are listed too, each once, behind
// the local ones (as they were without any); one can be the default and chosen.
TEST_F(TestPrintTest, ConnectionsAreListedOnceBehindTheLocalPrinters) {
    const PrinterRecord shared{"\\\\srv\\Laser", "IP_10.1.2.9", 0};
    for (const std::vector<PrinterRecord>& connections : {std::vector<PrinterRecord>{}, {shared}, {shared, shared}}) {
        spooler.connections = connections;
        spooler.defaultName = connections.empty() ? "Lab Printer" : shared.name;
        CTestPrint tp(spooler);
        std::string listed;
        for (int i = 0; i < tp.GetPrinterCount(); ++i) listed += tp.GetPrinterName(i) + "|" + tp.GetPortName(i) + ";";
        EXPECT_EQ(listed, std::string("Office Laser|USB001;Lab Printer|IP_10.0.0.5;lab printer|LPT1:;") +
                              (connections.empty() ? "" : "\\\\srv\\Laser|IP_10.1.2.9;"));
        EXPECT_EQ(tp.GetCurrentPrinter(), connections.empty() ? 1 : 3);
        EXPECT_EQ(tp.SetCurrentPrinter("\\\\SRV\\laser"), connections.empty() ? 1 : 3);
    }
}

TEST_F(TestPrintTest, XpsDriverDetection) {
    struct Case { const char* path; bool xps; } cases[] = {
        {"C:\\Windows\\System32\\spool\\DRIVERS\\x64\\3\\mxdwdrv.dll", true},
        {"D:\\any\\folder\\MXDWDRV.DLL", true},
        {"MxDwDrv.dll", true},
        {"C:\\x\\mxdwdrv.dll.bak", false},
        {"C:\\x\\unidrv.dll", false},
        {"", false},
        {"!13", false},
    };
    CTestPrint tp(spooler);
    EXPECT_FALSE(tp.IsXPSDriver(nullptr));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        SpoolerOps::Handle h = spooler.OpenPrinterByName("Office Laser");
        spooler.driverPaths["Office Laser"] = c.path;
        EXPECT_EQ(tp.IsXPSDriver(h), c.xps);
        spooler.ClosePrinter(h);
    }
    SpoolerOps::Handle h = spooler.OpenPrinterByName("Office Laser");
    spooler.driverPaths["Office Laser"] = "!throw";
    EXPECT_FALSE(tp.IsXPSDriver(h));
    EXPECT_TRUE(Logged("GPF was occurrend in CTestPrint::IsXPSDriver"));
    spooler.ClosePrinter(h);
}

namespace {

// The document's bytes from memory; the read numbered `stopAt` (from 0) stops it.
struct MemorySource : DocumentSource {
    MemorySource(std::string b, int stop) : bytes(std::move(b)), stopAt(stop) {}
    bool Read(void* buffer, std::uint32_t size, std::uint32_t& got) override {
        if (reads++ == stopAt) return false;
        got = static_cast<std::uint32_t>(std::min<std::size_t>(size, bytes.size() - pos));
        std::memcpy(buffer, bytes.data() + pos, got);
        pos += got;
        return true;
    }
    void Taken(std::uint32_t n) override { taken += n; }
    std::string bytes;
    std::size_t pos = 0;
    int reads = 0, stopAt;
    long long taken = 0;
};

}  // namespace

// A document reaches the printer only when every spooler call succeeded and every
// byte was taken; on any other path it is aborted, never ended.
TEST_F(TestPrintTest, DocumentIsPrintedWholeOrAborted) {
    std::string job;
    for (int i = 0; i < 20; ++i) job += char('a' + i);
    spooler.defaultName = "Office Laser";
    spooler.driverPaths["Lab Printer"] = "C:\\d\\mxdwdrv.dll";
    const std::vector<std::string> open = {"OpenPrinter Office Laser", "GetDriver", "StartDoc QEL_a RAW", "StartPage"};
    auto with = [&](std::vector<std::string> tail) {
        std::vector<std::string> calls = open;
        calls.insert(calls.end(), tail.begin(), tail.end());
        return calls;
    };
    const auto printed = DocumentResult::kPrinted, failed = DocumentResult::kSpoolerFailed;
    struct Case {
        const char* name;
        int current;
        std::string failCall;
        int failAt;
        std::uint32_t takeAtMost;
        int stopAt;
        DocumentResult result;
        std::vector<std::string> calls;
    } const cases[] = {
        {"whole, in blocks", 0, "", 0, ~0u, -1, printed,
         with({"Write 8", "Write 8", "Write 4", "EndPage", "EndDoc", "ClosePrinter"})},
        {"short writes are continued", 0, "", 0, 5, -1, printed,
         with({"Write 8", "Write 3", "Write 8", "Write 3", "Write 4", "EndPage", "EndDoc", "ClosePrinter"})},
        {"a write fails", 0, "Write", 1, ~0u, -1, failed, with({"Write 8", "Write 8", "AbortDoc", "ClosePrinter"})},
        {"a write takes nothing", 0, "", 0, 0, -1, failed, with({"Write 8", "AbortDoc", "ClosePrinter"})},
        {"page not started", 0, "StartPage", 0, ~0u, -1, failed, with({"AbortDoc", "ClosePrinter"})},
        {"page not ended", 0, "EndPage", 0, ~0u, -1, failed,
         with({"Write 8", "Write 8", "Write 4", "EndPage", "AbortDoc", "ClosePrinter"})},
        {"document not ended", 0, "EndDoc", 0, ~0u, -1, failed,
         with({"Write 8", "Write 8", "Write 4", "EndPage", "EndDoc", "AbortDoc", "ClosePrinter"})},
        {"the source stops", 0, "", 0, ~0u, 2, DocumentResult::kSourceStopped,
         with({"Write 8", "Write 8", "AbortDoc", "ClosePrinter"})},
        {"document not started", 0, "StartDoc", 0, ~0u, -1, failed,
         {"OpenPrinter Office Laser", "GetDriver", "StartDoc QEL_a RAW", "ClosePrinter"}},
        {"xps", 1, "", 0, ~0u, -1, printed,
         {"OpenPrinter Lab Printer", "GetDriver", "StartDoc QEL_a XPS_PASS", "StartPage", "Write 8", "Write 8", "Write 4",
          "EndPage", "EndDoc", "ClosePrinter"}},
        {"no current printer", -1, "", 0, ~0u, -1, failed, {}},
        {"a shared printer, through its server", 3, "", 0, ~0u, -1, printed,
         {"OpenPrinter \\\\srv\\Laser", "GetDriver", "StartDoc QEL_a RAW", "StartPage", "Write 8", "Write 8",
          "Write 4", "EndPage", "EndDoc", "ClosePrinter"}},
    };
    spooler.connections = {{"\\\\srv\\Laser", "IP_10.1.2.9", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTestPrint tp(spooler, 8);
        tp.SetCurrentPrinterIndex(c.current);
        spooler.FailCall(c.failCall, c.failAt);
        spooler.takeAtMost = c.takeAtMost;
        spooler.sent.clear();
        world.calls.clear();
        MemorySource source(job, c.stopAt);
        const DocumentOutcome outcome = tp.WriteDocument("QEL_a", source);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(world.calls, c.calls);
        EXPECT_EQ(spooler.sent, c.result == printed ? job : "");
        EXPECT_EQ(outcome.accepted, source.taken);
    }
    spooler.failOpenFor = "Office Laser";
    CTestPrint tp(spooler);
    MemorySource source(job, -1);
    EXPECT_EQ(tp.WriteDocument("QEL_a", source).result, failed);
}
