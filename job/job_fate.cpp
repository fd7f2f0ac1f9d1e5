#include "job/job_fate.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "base/debug_log.h"
#include "base/localized_text.h"
#include "spooler/spooler_access.h"

namespace {

// Polling no faster than this spares the spooler and the printer.
constexpr int kPollMs = 1000;
// A printer that answers idle this long after its last job left the queue has
// printed it, even when it was never seen busy (a short job between two polls).
constexpr long long kSettleMs = 10000;

// The condition the spooler's bits name for a job it holds; kUnknown for an
// error it does not name. False when the job is not held.
bool SpoolerTrouble(std::uint32_t status, PrinterCondition* condition) {
    if (status & kJobStatusPaperOut) {
        *condition = PrinterCondition::kOutOfPaper;
    } else if (status & kJobStatusOffline) {
        *condition = PrinterCondition::kOffline;
    } else if (status & (kJobStatusError | kJobStatusBlocked | kJobStatusUserIntervention)) {
        *condition = PrinterCondition::kUnknown;
    } else {
        return false;
    }
    return true;
}

}  // namespace

CJobFollower::CJobFollower(JobFateEdge& edge, bool askPrinter, int boundSeconds)
    : m_edge(edge), m_bStateKnown(askPrinter), m_nBoundMs(std::max(0, boundSeconds) * 1000LL) {}

void CJobFollower::Before(std::uint32_t jobsInQueue) {
    m_bOthersBefore = jobsInQueue > 0;
    if (m_bStateKnown) m_before = m_edge.PrinterNow();
    m_bStateKnown = m_before.condition != PrinterCondition::kUnknown || m_before.pageCount >= 0;
    DebugLog("[Follow] before the send: %s, page counter %lld, %u jobs queued", PrinterConditionName(m_before.condition),
             m_before.pageCount, static_cast<unsigned>(jobsInQueue));
}

std::vector<FileFate> CJobFollower::Follow(const std::vector<std::uint32_t>& jobIds) {
    std::vector<FileFate> fates(jobIds.size());
    const long long end = m_edge.NowMs() + m_nBoundMs;
    // Another job queued or printing before ours: the counter is not ours alone.
    bool others = m_bOthersBefore || (m_bStateKnown && !m_before.idle);
    auto all = [&fates](JobFate fate, PrinterCondition condition, const std::string& reported) {
        for (FileFate& f : fates) {
            f.fate = fate;
            f.condition = condition;
            f.reported = reported;
        }
        return fates;
    };

    // The spooler's queue, until every job of ours has left it.
    std::vector<std::uint32_t> queued;
    for (std::uint32_t id : jobIds)
        if (id != 0) queued.push_back(id);
    bool held = false;
    PrinterCondition heldFor = PrinterCondition::kUnknown;
    std::string heldText;
    for (;;) {
        held = false;
        for (auto it = queued.begin(); it != queued.end();) {
            SpoolerJobStatus status;
            if (!m_edge.JobStatus(*it, status)) {
                DebugLog("[Follow] job %u has left the queue", static_cast<unsigned>(*it));
                it = queued.erase(it);
                continue;
            }
            if (status.jobsInQueue > queued.size()) others = true;
            PrinterCondition condition;
            if (!held && SpoolerTrouble(status.status, &condition)) {
                held = true;
                heldFor = condition;
                char text[32];
                std::snprintf(text, sizeof text, "job status 0x%X", static_cast<unsigned>(status.status));
                heldText = text;
            }
            ++it;
        }
        if (queued.empty()) break;
        if (m_bStateKnown) {
            const PrinterState now = m_edge.PrinterNow();
            if (now.stopsJob) {
                DebugLog("[Follow] the printer reports %s (%s)", PrinterConditionName(now.condition), now.reported.c_str());
                return all(JobFate::kPrinterError, now.condition, now.reported);
            }
        }
        if (m_edge.NowMs() >= end || !m_edge.Pause(kPollMs)) {
            DebugLog("[Follow] %u jobs still queued at the end", static_cast<unsigned>(queued.size()));
            return held ? all(JobFate::kPrinterError, heldFor, heldText) : all(JobFate::kNoStatus, {}, "");
        }
    }

    // The printer, until it is idle again.
    if (!m_bStateKnown) return all(JobFate::kNoStatus, {}, "");
    const long long left = m_edge.NowMs();
    bool busy = false;
    for (;;) {
        const PrinterState now = m_edge.PrinterNow();
        DebugLog("[Follow] the printer: %s (%s), page counter %lld", PrinterConditionName(now.condition),
                 now.reported.c_str(), now.pageCount);
        if (now.stopsJob) return all(JobFate::kPrinterError, now.condition, now.reported);
        const bool moved = m_before.pageCount >= 0 && now.pageCount > m_before.pageCount;
        if (now.condition != PrinterCondition::kUnknown && !now.idle) busy = true;
        if (now.idle && (busy || moved || m_edge.NowMs() - left >= kSettleMs)) {
            all(JobFate::kPrinted, {}, "");
            if (m_before.pageCount >= 0 && now.pageCount >= m_before.pageCount) {
                for (FileFate& f : fates) {
                    f.pages = now.pageCount - m_before.pageCount;
                    // Several jobs, or another job in the queue or in the printer:
                    // the counter moved for them together.
                    f.pagesExact = fates.size() == 1 && !others;
                }
            }
            return fates;
        }
        if (m_edge.NowMs() >= end || !m_edge.Pause(kPollMs)) return all(JobFate::kNoStatus, {}, "");
    }
}

CSpoolerJobFateEdge::CSpoolerJobFateEdge(CTestPrint& printers, StateTarget target, const std::atomic<bool>& stop)
    : m_printers(printers), m_target(std::move(target)), m_stop(&stop) {}

bool CSpoolerJobFateEdge::JobStatus(std::uint32_t jobId, SpoolerJobStatus& status) {
    return m_printers.GetJobStatus(jobId, status);
}

PrinterState CSpoolerJobFateEdge::PrinterNow() { return AskPrinterState(m_target); }

long long CSpoolerJobFateEdge::NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool CSpoolerJobFateEdge::Pause(int ms) {
    for (const long long end = NowMs() + ms; !*m_stop && NowMs() < end;)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return !*m_stop;
}

std::string FateLine(const std::string& file, const FileFate& fate, const FateFormats& formats) {
    switch (fate.fate) {
    case JobFate::kPrinted:
        if (fate.pages < 0) return FormatLocalized(formats.printed.c_str(), {file});
        return FormatLocalized((fate.pagesExact ? formats.printedPages : formats.printedAtMost).c_str(),
                               {file, std::to_string(fate.pages)});
    case JobFate::kPrinterError: {
        const auto index = static_cast<std::size_t>(fate.condition);
        const std::string& name = index < formats.conditions.size() && fate.condition != PrinterCondition::kUnknown &&
                                          !formats.conditions[index].empty()
                                      ? formats.conditions[index]
                                      : formats.unnamedError;
        return FormatLocalized(formats.error.c_str(), {file, name});
    }
    case JobFate::kNoStatus: break;
    }
    return FormatLocalized(formats.noStatus.c_str(), {file});
}
