// CTestPrint's logic against a substitute spooler: the printer list and its
// indices, the default printer by Windows version, XPS drivers, and the order of
// the spooler calls that make one document.
#include <gtest/gtest.h>

#include <algorithm>

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

TEST_F(TestPrintTest, OneDocumentInOrder) {
    world.files["T:\\job.tmp"] = std::string(5000, 'j');
    spooler.defaultName = "Office Laser";
    spooler.driverPaths["Lab Printer"] = "C:\\d\\mxdwdrv.dll";
    struct Case {
        const char* name;
        int current;
        std::string failOpen;
        bool startDoc, startPage;
        std::vector<std::string> calls;
        long long result;
    } cases[] = {
        {"raw", 0, "", true, true,
         {"OpenPrinter Office Laser", "GetDriver", "StartDoc QEL_a.pdf RAW", "StartPage", "Write 5000", "EndPage",
          "EndDoc", "ClosePrinter"}, 5000},
        {"xps", 1, "", true, true,
         {"OpenPrinter Lab Printer", "GetDriver", "StartDoc QEL_a.pdf XPS_PASS", "StartPage", "Write 5000",
          "EndPage", "EndDoc", "ClosePrinter"}, 5000},
        {"no current printer", -1, "", true, true, {}, 0},
        {"printer cannot be opened", 0, "Office Laser", true, true, {"OpenPrinter Office Laser"}, 0},
        {"document refused", 0, "", false, true,
         {"OpenPrinter Office Laser", "GetDriver", "StartDoc QEL_a.pdf RAW", "ClosePrinter"}, 0},
        {"page refused", 0, "", true, false,
         {"OpenPrinter Office Laser", "GetDriver", "StartDoc QEL_a.pdf RAW", "StartPage", "EndDoc", "ClosePrinter"},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTestPrint tp(spooler);
        ASSERT_TRUE(tp.OpenDataFile(OpenFake(world, "T:\\job.tmp")));
        tp.SetCurrentPrinterIndex(c.current);
        spooler.failOpenFor = c.failOpen;
        spooler.startDocOk = c.startDoc;
        spooler.startPageOk = c.startPage;
        world.calls.clear();
        EXPECT_EQ(tp.WriteDocument("QEL_a.pdf"), c.result);
        EXPECT_EQ(world.calls, c.calls);
    }
    spooler.failOpenFor.clear();
    spooler.startDocOk = spooler.startPageOk = true;
    spooler.sent.clear();
    spooler.acceptLimit = 1234;  // the spooler takes less than it was given
    CTestPrint tp(spooler);
    ASSERT_TRUE(tp.OpenDataFile(OpenFake(world, "T:\\job.tmp")));
    EXPECT_EQ(tp.WriteDocument("QEL_a.pdf"), 1234);
    EXPECT_TRUE(Logged("WriteDocument / ret : WritePrinter : 0"));
    tp.CloseDataFile();
    world.calls.clear();
    EXPECT_EQ(tp.WriteDocument("QEL_a.pdf"), 0);  // nothing mapped, nothing opened
    EXPECT_TRUE(world.calls.empty());
}

// The job goes out block by block, still as one document, arrives whole, and
// its file (deleted on close) is gone once the spooler holds the last byte.
TEST_F(TestPrintTest, JobGoesInBlocksAsOneDocument) {
    std::string job;
    for (int i = 0; i < 30; ++i) job += char('a' + i % 26);
    spooler.defaultName = "Office Laser";
    struct Case {
        const char* name;
        std::uint32_t block;
        std::vector<std::string> writes;
    } cases[] = {
        {"fits one block", 64, {"Write 30"}},
        {"in blocks", 8, {"Write 8", "Write 8", "Write 8", "Write 6"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        world.files["T:\\big.tmp"] = job;
        spooler.sent.clear();
        CTestPrint tp(spooler, c.block);
        ASSERT_TRUE(tp.OpenDataFile(OpenFake(world, "T:\\big.tmp", true)));
        world.calls.clear();
        EXPECT_EQ(tp.WriteDocument("QEL_big"), 30);
        EXPECT_EQ(spooler.sent, job);
        EXPECT_EQ(world.files.count("T:\\big.tmp"), 0u);
        std::vector<std::string> writes;
        int docs = 0;
        for (const auto& call : world.calls) {
            if (call.rfind("Write", 0) == 0) writes.push_back(call);
            if (call.rfind("StartDoc", 0) == 0) ++docs;
        }
        EXPECT_EQ(writes, c.writes);
        EXPECT_EQ(docs, 1);
    }
    // A short write in the middle stops the job: nothing after a gap.
    world.files["T:\\big.tmp"] = job;
    spooler.sent.clear();
    spooler.acceptLimit = 12;
    CTestPrint tp(spooler, 8);
    ASSERT_TRUE(tp.OpenDataFile(OpenFake(world, "T:\\big.tmp")));
    EXPECT_EQ(tp.WriteDocument("QEL_big"), 12);
    EXPECT_EQ(spooler.sent, job.substr(0, 12));
    // A job file that cannot be read to its end is dropped, not ended as a document.
    spooler.acceptLimit = ~0ull;
    spooler.failJobReadAt = 16;
    ASSERT_TRUE(tp.OpenDataFile(OpenFake(world, "T:\\big.tmp")));
    world.calls.clear();
    EXPECT_EQ(tp.WriteDocument("QEL_big"), 0);
    EXPECT_EQ(world.calls.back(), "ClosePrinter");
    EXPECT_EQ(world.calls[world.calls.size() - 2], "AbortDoc");
    EXPECT_EQ(std::count(world.calls.begin(), world.calls.end(), "EndDoc"), 0);
    // An empty or missing job file is refused, and its handle closed all the same.
    world.files["T:\\empty.tmp"] = "";
    EXPECT_FALSE(tp.OpenDataFile(OpenFake(world, "T:\\empty.tmp")));
    EXPECT_FALSE(tp.OpenDataFile(OpenFake(world, "T:\\missing.tmp")));
    EXPECT_FALSE(tp.OpenDataFile(nullptr));
    world.calls.clear();
    EXPECT_EQ(tp.WriteDocument("QEL_big"), 0);
    EXPECT_TRUE(world.calls.empty());
}
