// The job sender against substitute files and spooler: what reaches the printer
// and what the user is told.
#include <gtest/gtest.h>

#include <functional>

#include "base/localized_text.h"
#include "job/job_message.h"
#include "job/job_sender.h"
#include "job/pjl_envelope.h"
#include "job/print_batch.h"
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

// Header (announcing the open file's size) + every byte of the file + trailer,
// named after the file.
TEST_F(JobSenderTest, SendsHeaderFileTrailer) {
    const std::size_t block = kJobWriteBlock;
    for (std::size_t size : {std::size_t(0), std::size_t(1), block - 1, block, block + 1, 2 * block + 100000}) {
        SCOPED_TRACE(size);
        std::string data;
        for (std::size_t i = 0; i < size; ++i) data += char(i * 7 + 3);
        world.files["C:\\in\\doc.pdf"] = data;
        spooler.sent.clear();
        spooler.docNames.clear();
        CTestPrint tp(spooler);
        EXPECT_EQ(SendFileToDevice(tp, files, "C:\\in\\doc.pdf"), JobSendResult::kSent);
        EXPECT_EQ(spooler.sent, BuildPjlHeader(PjlSettingsFrom(*CParamMngr::GetInstance()), size, "C:\\in\\doc.pdf") +
                                    data + BuildPjlTrailer());
        EXPECT_EQ(spooler.docNames, std::vector<std::string>{"QEL_doc.pdf"});
        EXPECT_TRUE(g_messages.empty());
    }
}

namespace {
struct StopAfter : JobWatch {
    explicit StopAfter(int n) : left(n) {}
    bool Cancelled() override { return left-- <= 0; }
    void FileStarted(std::uint64_t) override {}
    void FileTaken(std::uint64_t) override {}
    int left;
};
}  // namespace

// Whatever goes wrong, nothing of the job prints; the user hears of a file that
// could not be read whole, and the result tells the caller what happened.
TEST_F(JobSenderTest, FailuresSendNothing) {
    const std::size_t size = kJobWriteBlock + 10000;  // a second block: room for a failure in the middle
    world.files["C:\\in\\doc.pdf"] = std::string(size, 'd');
    const auto notBuilt = JobSendResult::kNotBuilt, refused = JobSendResult::kSpoolerRefused;
    struct Case {
        const char* name;
        std::function<void(FakeFiles&, FakeSpooler&)> arrange;
        const char* path;
        JobSendResult result;
        bool message;
        bool printerOpened;
        int cancelAfter;
    } const cases[] = {
        {"missing source", [](FakeFiles&, FakeSpooler&) {}, "C:\\in\\none.pdf", notBuilt, true, false, -1},
        {"source locked", [](FakeFiles& f, FakeSpooler&) { f.locked = {"C:\\in\\doc.pdf"}; }, "C:\\in\\doc.pdf",
         notBuilt, true, false, -1},
        {"size unknown", [](FakeFiles& f, FakeSpooler&) { f.sizeOk = false; }, "C:\\in\\doc.pdf", notBuilt, true, false, -1},
        {"read error in the middle", [](FakeFiles& f, FakeSpooler&) { f.failReadAt = kJobWriteBlock; }, "C:\\in\\doc.pdf",
         notBuilt, true, true, -1},
        {"file shorter than announced", [](FakeFiles& f, FakeSpooler&) { f.sizeSkew = 10; }, "C:\\in\\doc.pdf",
         notBuilt, true, true, -1},
        {"file longer than announced", [](FakeFiles& f, FakeSpooler&) { f.sizeSkew = -10; }, "C:\\in\\doc.pdf",
         notBuilt, true, true, -1},
        {"no current printer", [](FakeFiles&, FakeSpooler& s) { s.defaultName = ""; }, "C:\\in\\doc.pdf", refused, false,
         false, -1},
        {"printer cannot be opened", [](FakeFiles&, FakeSpooler& s) { s.failOpenFor = "Bench"; }, "C:\\in\\doc.pdf",
         refused, false, true, -1},
        {"document refused", [](FakeFiles&, FakeSpooler& s) { s.FailCall("StartDoc"); }, "C:\\in\\doc.pdf", refused,
         false, true, -1},
        {"a write fails", [](FakeFiles&, FakeSpooler& s) { s.FailCall("Write", 1); }, "C:\\in\\doc.pdf", refused, false,
         true, -1},
        {"the document is not ended", [](FakeFiles&, FakeSpooler& s) { s.FailCall("EndDoc"); }, "C:\\in\\doc.pdf",
         refused, false, true, -1},
        {"cancelled in the middle", [](FakeFiles&, FakeSpooler&) {}, "C:\\in\\doc.pdf", JobSendResult::kCancelled,
         false, true, 2},
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
        StopAfter watch(c.cancelAfter);
        EXPECT_EQ(SendFileToDevice(tp, files2, c.path, c.cancelAfter >= 0 ? &watch : nullptr), c.result);
        EXPECT_EQ(g_messages, c.message ? std::vector<int>{6} : std::vector<int>{});
        EXPECT_EQ(Sent(), c.printerOpened);
        EXPECT_TRUE(spooler2.sent.empty());
    }
}

// A cancel stops the file being sent and starts no other, and the counts stop
// where it found them; the batch's total follows the sizes of the open files.
TEST(PrintBatch, CancelStopsTheBatch) {
    std::vector<std::string> sent;
    CPrintBatch* self = nullptr;
    CPrintBatch batch({"a.pdf", "b.pdf", "c.pdf"}, {10, 20, 30},
                      [&](const std::string& path, JobWatch& watch) {
                          sent.push_back(path);
                          watch.FileStarted(path == "a.pdf" ? 15 : 20);
                          watch.FileTaken(path == "a.pdf" ? 15 : 5);
                          if (path == "b.pdf") {
                              self->Cancel();
                              watch.FileTaken(12);  // the block under way when Cancel came
                          }
                          return watch.Cancelled() ? JobSendResult::kCancelled : JobSendResult::kSent;
                      },
                      nullptr);
    self = &batch;
    batch.Start();
    batch.Wait();
    EXPECT_TRUE(batch.Finished());
    EXPECT_EQ(sent, (std::vector<std::string>{"a.pdf", "b.pdf"}));
    EXPECT_EQ(batch.Results(),
              (std::vector<JobSendResult>{JobSendResult::kSent, JobSendResult::kCancelled, JobSendResult::kCancelled}));
    const BatchProgress p = batch.Progress();
    EXPECT_EQ(p.fileIndex, 1u);
    EXPECT_TRUE(p.cancelling);
    EXPECT_EQ(p.batchSize, 65u);
    EXPECT_EQ(p.fileDone, 5u);
    EXPECT_EQ(p.batchDone, 20u);
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
