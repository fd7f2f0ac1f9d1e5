// The job sender against substitute files and spooler: what reaches the printer,
// what the user is told, and that no temporary file stays behind.
#include <gtest/gtest.h>

#include <functional>

#include "base/localized_text.h"
#include "job/job_message.h"
#include "job/job_sender.h"
#include "job/pjl_envelope.h"
#include "settings/param_mngr.h"
#include "spooler/spooler_access.h"
#include "tests/job/fakes.h"

namespace {

std::vector<int> g_messages;
void RecordMessage(int kind, const char*, const char*) { g_messages.push_back(kind); }

class JobSenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        gszLocalFileName[0] = '\0';
        CParamMngr::release();
        CParamMngr::create()->ApplyStartupDefaults();
        previous_ = SetJobMessageBox(RecordMessage);
        g_messages.clear();
        spooler.printers = {{"Bench", "CUPS:Bench", 0}};
        spooler.defaultName = "Bench";
    }
    void TearDown() override {
        SetJobMessageBox(previous_);
        CParamMngr::release();
        EXPECT_EQ(world.openHandles, 0);
    }
    int TempFilesLeft() const {
        int n = 0;
        for (const auto& f : world.files) n += f.first.rfind("T:\\QEL", 0) == 0;
        return n;
    }
    bool Sent() const {
        for (const auto& c : world.calls)
            if (c.rfind("OpenPrinter", 0) == 0) return true;
        return false;
    }
    FakeWorld world;
    FakeSpooler spooler{world};
    FakeFiles files{world};
    JobMessageBox previous_ = nullptr;
};

}  // namespace

// Header + every byte of the file + trailer, in one write, named after the file.
TEST_F(JobSenderTest, SendsHeaderFileTrailer) {
    const std::size_t block = kJobCopyBlock;
    struct Case { std::size_t size; int reads; } cases[] = {{0, 1}, {1, 1}, {block - 1, 1}, {block, 2},
                                                           {block + 1, 2}, {3 * block, 4}, {2 * block + 100000, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::string data;
        for (std::size_t i = 0; i < c.size; ++i) data += char(i * 7 + 3);
        world.files["C:\\in\\doc.pdf"] = data;
        spooler.sent.clear();
        spooler.docNames.clear();
        files.reads = 0;
        CTestPrint tp(spooler);
        EXPECT_EQ(SendFileToDevice(tp, files, "C:\\in\\doc.pdf"), JobSendResult::kSent);
        std::string expected =
            BuildPjlHeader(PjlSettingsFrom(*CParamMngr::GetInstance()), 0, "C:\\in\\doc.pdf") + data + BuildPjlTrailer();
        // The fake files have no directory entries: FILESIZE is 0 here; the real
        // size is proven under Wine.
        EXPECT_EQ(spooler.sent, expected);
        EXPECT_EQ(spooler.docNames, std::vector<std::string>{"QEL_doc.pdf"});
        EXPECT_EQ(files.reads, c.reads);
        EXPECT_EQ(TempFilesLeft(), 0);
        EXPECT_TRUE(g_messages.empty());
    }
}

TEST_F(JobSenderTest, FailuresTellTheUserAndSendNothing) {
    // A second block makes room for a read that fails in the middle.
    const std::size_t size = kJobCopyBlock + 10000;
    world.files["C:\\in\\doc.pdf"] = std::string(size, 'd');
    const std::size_t header =
        BuildPjlHeader(PjlSettingsFrom(*CParamMngr::GetInstance()), 0, "C:\\in\\doc.pdf").size();
    struct Case {
        const char* name;
        std::function<void(FakeFiles&, FakeSpooler&)> arrange;
        const char* path;
        JobSendResult result;
        bool message;
        bool sent;
    } cases[] = {
        {"missing source", [](FakeFiles&, FakeSpooler&) {}, "C:\\in\\none.pdf", JobSendResult::kNotBuilt, true, false},
        {"source locked", [](FakeFiles& f, FakeSpooler&) { f.locked = {"C:\\in\\doc.pdf"}; }, "C:\\in\\doc.pdf",
         JobSendResult::kNotBuilt, true, false},
        {"no temporary name", [](FakeFiles& f, FakeSpooler&) { f.tempNameOk = false; }, "C:\\in\\doc.pdf", JobSendResult::kNotBuilt,
         true, false},
        {"temporary file cannot be created", [](FakeFiles& f, FakeSpooler&) { f.createTempOk = false; },
         "C:\\in\\doc.pdf", JobSendResult::kNotBuilt, true, false},
        {"disk full in the header", [](FakeFiles& f, FakeSpooler&) { f.diskRoom = 10; }, "C:\\in\\doc.pdf", JobSendResult::kNotBuilt,
         true, false},
        {"disk full in the data", [](FakeFiles& f, FakeSpooler&) { f.diskRoom = 5000; }, "C:\\in\\doc.pdf", JobSendResult::kNotBuilt,
         true, false},
        {"disk full at the trailer", [&](FakeFiles& f, FakeSpooler&) { f.diskRoom = header + size + 4; },
         "C:\\in\\doc.pdf", JobSendResult::kNotBuilt, true, false},
        {"read error in the middle", [](FakeFiles& f, FakeSpooler&) { f.failReadAt = kJobCopyBlock; }, "C:\\in\\doc.pdf",
         JobSendResult::kNotBuilt, true, false},
        {"job file cannot be read back", [](FakeFiles&, FakeSpooler& s) { s.failJobReadAt = kJobWriteBlock; },
         "C:\\in\\doc.pdf", JobSendResult::kSpoolerRefused, false, true},
        {"no current printer", [](FakeFiles&, FakeSpooler& s) { s.defaultName = ""; }, "C:\\in\\doc.pdf", JobSendResult::kSpoolerRefused,
         false, false},
        {"printer cannot be opened", [](FakeFiles&, FakeSpooler& s) { s.failOpenFor = "Bench"; }, "C:\\in\\doc.pdf",
         JobSendResult::kSpoolerRefused, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSpooler spooler2(world);
        FakeFiles files2(world);
        spooler2.printers = spooler.printers;
        spooler2.defaultName = "Bench";
        c.arrange(files2, spooler2);
        g_messages.clear();
        world.calls.clear();
        CTestPrint tp(spooler2);
        EXPECT_EQ(SendFileToDevice(tp, files2, c.path), c.result);
        EXPECT_EQ(g_messages, c.message ? std::vector<int>{6} : std::vector<int>{});
        EXPECT_EQ(Sent(), c.sent);
        EXPECT_TRUE(spooler2.sent.empty());
        EXPECT_EQ(TempFilesLeft(), 0);
    }
}

TEST_F(JobSenderTest, MessagesComeFromTheLanguageFile) {
    static std::string title, text;
    SetJobMessageBox([](int, const char* t, const char* x) {
        title = t;
        text = x;
    });
    EXPECT_TRUE(ShowJobMessage(kJobMessageNoFiles));
    EXPECT_EQ(title, "Orvane");
    EXPECT_EQ(text, "There is no file to print. Select the file(s) properly and try again.");
    EXPECT_TRUE(ShowJobMessage(kJobMessageInvalidFile));
    EXPECT_EQ(text, "The system cannot open the file or access is denied.");
}
