// What became of the jobs once the spooler took them: each is followed in the
// spooler's queue until it leaves, then the printer's own state until the
// printer is idle again, reports an error, or the bound passes. The page
// counter is read before the first send and once the printer is idle.
// Following never touches a job: giving it up (the sheet closed) leaves every
// job to print.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "device/lookup/printer_state_query.h"
#include "device/printer_state.h"
#include "spooler/spooler_ops.h"

class CTestPrint;

// How long a printer is followed after the send, by default; a registry value
// beside the others changes it, 0 turns following off.
constexpr int kDefaultFollowSeconds = 120;

enum class JobFate {
    kPrinted,        // the printer went idle again without an error
    kPrinterError,   // sent; the printer (or the spooler for it) reports a condition that keeps it
    kNoStatus,       // sent; the printer gave no state within the bound
};

struct FileFate {
    JobFate fate = JobFate::kNoStatus;
    PrinterCondition condition = PrinterCondition::kUnknown;   // for kPrinterError; kUnknown: an error it did not name
    std::string reported;   // what the printer or the spooler said, for the trace
    long long pages = -1;   // how far the page counter moved, -1 when unknown
    bool pagesExact = false;   // only this job can have moved it
};

// What following asks of the system. Times are in milliseconds from any start.
class JobFateEdge {
public:
    virtual ~JobFateEdge() = default;
    // The job in the printer's queue; false once it has left it.
    virtual bool JobStatus(std::uint32_t jobId, SpoolerJobStatus& status) = 0;
    // The printer's state now, asked afresh (kUnknown when it does not say).
    virtual PrinterState PrinterNow() = 0;
    virtual long long NowMs() = 0;
    // Waits `ms`; false when following is to be given up.
    virtual bool Pause(int ms) = 0;
};

class CJobFollower {
public:
    // `askPrinter`: the check heard the printer's state, so it is asked again;
    // a printer that said nothing costs no question.
    CJobFollower(JobFateEdge& edge, bool askPrinter, int boundSeconds = kDefaultFollowSeconds);

    // Before the first file is sent: the printer's state and page counter, and
    // whether the queue held other jobs. A printer that says nothing here is
    // not asked again.
    void Before(std::uint32_t jobsInQueue);
    // One entry per sent job, in the order sent (0: an identifier the spooler
    // did not give); one fate per entry.
    std::vector<FileFate> Follow(const std::vector<std::uint32_t>& jobIds);

private:
    JobFateEdge& m_edge;
    bool m_bStateKnown;
    long long m_nBoundMs;
    PrinterState m_before;
    bool m_bOthersBefore = false;   // the queue held jobs not ours before the send
};

// The queue of the spooler's current printer, and the printer the check
// asked; `stop` gives following up within a twentieth of a second.
class CSpoolerJobFateEdge final : public JobFateEdge {
public:
    CSpoolerJobFateEdge(CTestPrint& printers, StateTarget target, const std::atomic<bool>& stop);
    void StopWith(const std::atomic<bool>& stop) { m_stop = &stop; }
    bool JobStatus(std::uint32_t jobId, SpoolerJobStatus& status) override;
    PrinterState PrinterNow() override;
    long long NowMs() override;
    bool Pause(int ms) override;

private:
    CTestPrint& m_printers;
    StateTarget m_target;
    const std::atomic<bool>* m_stop;
};

// One line per followed file: "report.pdf: printed; the printer counted 3
// pages". `formats` are [UI_SHEET] IDL_FATE_* as the language file gives them.
struct FateFormats {
    std::string printed = "%s: printed";
    std::string printedPages = "%s: printed; the printer counted %d pages";
    std::string printedAtMost = "%s: printed; the printer counted at most %d pages, other jobs' included";
    std::string error = "%s: sent; the printer reports: %s";
    std::string noStatus = "%s: sent; the printer gave no status";
    std::string unnamedError = "an error";
    // The conditions' names, by PrinterCondition; empty ones fall back to unnamedError.
    std::vector<std::string> conditions = {"", "ready", "printing", "out of paper", "paper jam",
                                           "door open", "toner empty", "toner low", "offline",
                                           "input tray missing"};
};
std::string FateLine(const std::string& file, const FileFate& fate, const FateFormats& formats);

#if defined(_WIN32)
// The registry value "FollowQEL" (REG_DWORD, seconds; 0 = no following) under
// the key of "LogQEL"; kDefaultFollowSeconds when it is absent.
int ReadFollowSeconds();
#endif
