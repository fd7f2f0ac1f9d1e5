// Print keeps the files that did not reach the printer: the sender must tell a
// job the spooler took whole from one it refused or cut short.
#include <gtest/gtest.h>

#include "base/localized_text.h"
#include "job/job_message.h"
#include "job/job_sender.h"
#include "settings/param_mngr.h"
#include "spooler/spooler_access.h"
#include "tests/job/fakes.h"

namespace {

std::vector<int> g_messages;
void RecordMessage(int kind, const char*, const char*) { g_messages.push_back(kind); }

TEST(JobSendResult, SpoolerOutcomeDecidesWhetherTheFileWasSent) {
    gszLocalFileName[0] = '\0';
    CParamMngr::release();
    CParamMngr::create()->ApplyStartupDefaults();
    JobMessageBox previous = SetJobMessageBox(RecordMessage);

    struct Case {
        const char* name;
        const char* path;
        bool startDocOk;
        std::uint64_t acceptLimit;
        const char* printerRefusing;
        JobSendResult result;
        std::vector<int> messages;
    } const cases[] = {
        {"taken whole", "C:\\in\\a.pdf", true, ~0ull, "", JobSendResult::kSent, {}},
        {"document refused", "C:\\in\\a.pdf", false, ~0ull, "", JobSendResult::kSpoolerRefused, {}},
        {"taken in part", "C:\\in\\a.pdf", true, 100, "", JobSendResult::kSpoolerRefused, {}},
        {"nothing taken", "C:\\in\\a.pdf", true, 0, "", JobSendResult::kSpoolerRefused, {}},
        {"printer cannot be opened", "C:\\in\\a.pdf", true, ~0ull, "Bench", JobSendResult::kSpoolerRefused, {}},
        {"source missing", "C:\\in\\missing.pdf", true, ~0ull, "", JobSendResult::kNotBuilt, {kJobMessageInvalidFile}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWorld world;
        world.files["C:\\in\\a.pdf"] = std::string(5000, 'p');
        FakeSpooler spooler{world};
        spooler.printers = {{"Bench", "CUPS:Bench", 0}};
        spooler.defaultName = "Bench";
        spooler.startDocOk = c.startDocOk;
        spooler.acceptLimit = c.acceptLimit;
        spooler.failOpenFor = c.printerRefusing;
        FakeFiles files{world};
        CTestPrint tp(spooler);
        g_messages.clear();
        EXPECT_EQ(SendFileToDevice(tp, files, c.path), c.result);
        EXPECT_EQ(g_messages, c.messages);
    }
    SetJobMessageBox(previous);
    CParamMngr::release();
}

}  // namespace
