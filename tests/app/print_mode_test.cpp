#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/json_report.h"
#include "app/print_mode.h"

namespace {

using Lines = std::vector<std::string>;
constexpr AnsiPathStatus kNoAnsi = AnsiPathStatus::kNoAnsiName;

// What the bench cannot stage: a spooler that refuses, no printer or no default
// printer, names too long. File verdicts and spooler answers are set per case.
struct FakeSystem : PrintModeEdge {
    int printers = 2;
    std::string current = "Default";
    std::map<std::string, AnsiPathStatus> names;  // default: usable as given
    std::map<std::string, FileCheck> checks;      // default: accepted
    std::map<std::string, JobSendResult> sends;   // default: sent
    std::vector<std::string> sent;
    bool printerAsked = false;
    std::vector<FileFate> fates;   // -W: what following the sent files gives
    int beforeSends = 0;
    int beforeFirstSend = 0;   // -W reads the printer before the first send
    PrinterState state;

    int PrinterCount() override {
        printerAsked = true;
        return printers;
    }
    bool ChoosePrinter(const std::string& name) override { return name.empty(); }
    std::string CurrentPrinterName() override { return current; }
    int ReadSupportedTypes() override { return 3; }
    PrinterState CheckedPrinterState() override { return state; }
    AnsiPath Locate(const std::string& name) override {
        auto it = names.find(name);
        return it == names.end() ? AnsiPath{AnsiPathStatus::kUsable, name} : AnsiPath{it->second, ""};
    }
    FileCheck CheckFile(const std::string& path, int t) override {
        EXPECT_GT(t, 0) << "a file checked against an unusable printer";
        auto it = checks.find(path);
        return it == checks.end() ? FileCheck::kAccepted : it->second;
    }
    JobSendResult SendFile(const std::string& path) override {
        auto it = sends.find(path);
        const JobSendResult r = it == sends.end() ? JobSendResult::kSent : it->second;
        if (sent.empty()) beforeFirstSend = beforeSends;
        sent.push_back(path);
        return r;
    }
    void BeforeSends() override { ++beforeSends; }
    std::vector<FileFate> FollowSent() override { return fates; }
};

FileFate Fate(JobFate fate, PrinterCondition condition = PrinterCondition::kUnknown, long long pages = -1) {
    FileFate f;
    f.fate = fate;
    f.condition = condition;
    f.pages = pages;
    f.pagesExact = true;
    return f;
}

}  // namespace

TEST(PrintMode, FilesPrinterAndExitCode) {
    struct Case {
        const char* what;
        std::vector<std::string> files;
        std::string printer;
        void (*setup)(FakeSystem&);
        int exitCode;
        Lines lines;
        std::vector<std::string> sent;
        std::size_t tooLongFiles = 0;
        bool tooLongPrinter = false;
        bool wait = false;   // -W
    } cases[] = {
        {"a mix", {"a.pdf", "c.doc", "d.pdf", "dir", "e.pdf", "f.pdf"}, "",
         [](FakeSystem& s) {
             s.checks = {{"c.doc", FileCheck::kUnsupported}, {"d.pdf", FileCheck::kMissing},
                         {"dir", FileCheck::kNotAFile}};
             s.sends = {{"e.pdf", JobSendResult::kSpoolerRefused}, {"f.pdf", JobSendResult::kNotBuilt}};
         },
         1,
         {"sent: a.pdf", "not sent: c.doc (unsupported format)", "not sent: d.pdf (missing)",
          "not sent: dir (not a file)", "not sent: e.pdf (refused by the spooler)",
          "not sent: f.pdf (cannot be opened)", "1 of 6 files sent to \"Default\""},
         {"a.pdf", "e.pdf", "f.pdf"}},
        // Ctrl+C during b.pdf: it counts as not sent, and nothing more is started.
        {"cancelled", {"a.pdf", "b.pdf", "c.pdf"}, "",
         [](FakeSystem& s) { s.sends = {{"b.pdf", JobSendResult::kCancelled}}; }, 1,
         {"sent: a.pdf", "not sent: b.pdf (cancelled)", "not sent: c.pdf (cancelled)", "1 of 3 files sent to \"Default\""},
         {"a.pdf", "b.pdf"}},
        // Why a name reached no file, under the name as given.
        {"names without a file", {"\xCE\xA8.pdf", "link.lnk"}, "",
         [](FakeSystem& s) { s.names = {{"\xCE\xA8.pdf", AnsiPathStatus::kMissing}, {"link.lnk", kNoAnsi}}; },
         2, {"not sent: \xCE\xA8.pdf (missing)", "not sent: link.lnk (a name the ANSI code page cannot hold)",
             "0 of 2 files sent to \"Default\""}, {}},
        {"nothing the printer takes", {"c.doc"}, "",
         [](FakeSystem& s) { s.checks["c.doc"] = FileCheck::kUnsupported; }, 2,
         {"not sent: c.doc (unsupported format)", "0 of 1 files sent to \"Default\""}, {}},
        {"no file named", {}, "", [](FakeSystem&) {}, 2, {"0 of 0 files sent: no file named"}, {}},
        {"no printer installed", {"a.pdf"}, "", [](FakeSystem& s) { s.printers = 0; }, 2,
         {"not sent: a.pdf (printer unusable)", "0 of 1 files sent: no printer is installed"}, {}},
        {"no default printer", {"a.pdf"}, "", [](FakeSystem& s) { s.current.clear(); }, 2,
         {"not sent: a.pdf (printer unusable)", "0 of 1 files sent: there is no default printer"}, {}},
        // Names the command line dropped for their length were named, and not sent.
        {"a file name too long", {"a.pdf"}, "", [](FakeSystem&) {}, 1,
         {"sent: a.pdf", "not sent: a file name longer than 259 characters", "1 of 2 files sent to \"Default\""},
         {"a.pdf"}, 1},
        {"only file names too long", {}, "", [](FakeSystem&) {}, 2,
         {"not sent: a file name longer than 259 characters", "0 of 1 files sent to \"Default\""}, {}, 1},
        // A script hears what the printer reports and is never asked: the files go all the same.
        {"out of paper", {"a.pdf"}, "",
         [](FakeSystem& s) { s.state = {PrinterCondition::kOutOfPaper, true, false, "media-empty", -1}; }, 0,
         {"printer \"Default\" reports: Out of paper (media-empty)", "sent: a.pdf", "1 of 1 files sent to \"Default\""},
         {"a.pdf"}},
        {"printer name too long", {"a.pdf"}, "", [](FakeSystem&) {}, 2,
         {"not sent: a.pdf (printer unusable)", "0 of 1 files sent: the printer's name is longer than 259 characters"},
         {}, 0, true},
        // -W: one outcome line per sent file; 3 when all were sent and the printer reported an error.
        {"-W, printed", {"a.pdf", "b.pdf"}, "",
         [](FakeSystem& s) { s.fates = {Fate(JobFate::kPrinted, {}, 2), Fate(JobFate::kNoStatus)}; }, 0,
         {"sent: a.pdf", "sent: b.pdf", "a.pdf: printed; the printer counted 2 pages",
          "b.pdf: sent; the printer gave no status", "2 of 2 files sent to \"Default\""},
         {"a.pdf", "b.pdf"}, 0, false, true},
        {"-W, a jam", {"a.pdf"}, "", [](FakeSystem& s) { s.fates = {Fate(JobFate::kPrinterError, PrinterCondition::kPaperJam)}; },
         3, {"sent: a.pdf", "a.pdf: sent; the printer reports: paper jam", "1 of 1 files sent to \"Default\""},
         {"a.pdf"}, 0, false, true},
        {"-W, a jam and a file not sent", {"a.pdf", "c.doc"}, "",
         [](FakeSystem& s) {
             s.checks["c.doc"] = FileCheck::kUnsupported;
             s.fates = {Fate(JobFate::kPrinterError, PrinterCondition::kOutOfPaper)};
         },
         1, {"sent: a.pdf", "not sent: c.doc (unsupported format)", "a.pdf: sent; the printer reports: out of paper",
             "1 of 2 files sent to \"Default\""},
         {"a.pdf"}, 0, false, true},
        // Without -W nothing is followed, whatever following would say.
        {"a jam unasked", {"a.pdf"}, "", [](FakeSystem& s) { s.fates = {Fate(JobFate::kPrinterError)}; }, 0,
         {"sent: a.pdf", "1 of 1 files sent to \"Default\""}, {"a.pdf"}},
    };
    for (const Case& c : cases) {
        FakeSystem system;
        c.setup(system);
        CommandLineSwitches switches;
        switches.bWaitForFate = c.wait;
        switches.nTooLongFiles = c.tooLongFiles;
        switches.bTooLongPrinterName = c.tooLongPrinter;
        const PrintModeReport report = RunPrintMode(c.files, c.printer, switches, system);
        EXPECT_EQ(report.nExitCode, c.exitCode) << c.what;
        EXPECT_EQ(report.lines, c.lines) << c.what;
        EXPECT_EQ(system.sent, c.sent) << c.what;
        EXPECT_EQ(system.printerAsked, c.files.size() + c.tooLongFiles > 0) << c.what;
        EXPECT_EQ(system.beforeSends, c.wait ? 1 : 0) << c.what;
        EXPECT_EQ(system.beforeFirstSend, system.beforeSends) << c.what;
    }
}

// -J carries -W's outcome beside each sent file; a file not sent has none.
TEST(PrintMode, JsonLinesCarryEachFilesFate) {
    FakeSystem system;
    system.checks["c.doc"] = FileCheck::kUnsupported;
    FileFate jam;
    jam.fate = JobFate::kPrinterError;
    jam.condition = PrinterCondition::kPaperJam;
    system.fates = {Fate(JobFate::kPrinted, {}, 2), jam};
    CommandLineSwitches switches;
    switches.bWaitForFate = true;
    const std::vector<std::string> json =
        JsonPrintReport(RunPrintMode({"a.pdf", "c.doc", "b.pdf"}, "", switches, system));
    ASSERT_EQ(json.size(), 4u);
    EXPECT_EQ(json[0], R"({"printer":"Default","file":"a.pdf","result":"sent","outcome":"printed","pages":2,"pagesExact":true})");
    EXPECT_EQ(json[1], R"({"printer":"Default","file":"c.doc","result":"not sent","reason":"unsupported format"})");
    EXPECT_EQ(json[2], R"({"printer":"Default","file":"b.pdf","result":"sent","outcome":"printer error","condition":"paper jam"})");
}
