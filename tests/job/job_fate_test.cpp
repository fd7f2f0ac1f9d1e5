// What a user is told of each sent file, from what the spooler's queue and the
// printer say while the jobs are followed. The clock is the double's: a poll
// advances it by the pause asked for, so no case waits.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "job/job_fate.h"
#include "spooler/spooler_access.h"
#include "tests/job/fakes.h"

namespace {

PrinterState State(PrinterCondition condition, bool stops, bool idle, long long pages) {
    PrinterState s;
    s.condition = condition;
    s.stopsJob = stops;
    s.idle = idle;
    s.pageCount = pages;
    return s;
}
const PrinterState kIdle = State(PrinterCondition::kReady, false, true, 100);
const PrinterState kBusy = State(PrinterCondition::kPrinting, false, false, 101);
PrinterState IdleAt(long long pages) { return State(PrinterCondition::kReady, false, true, pages); }
const PrinterState kJam = State(PrinterCondition::kPaperJam, true, false, 101);
const PrinterState kSilent;

// Each job's status at every poll until it leaves the queue; the printer's
// answers in turn (the last repeats).
struct Script final : JobFateEdge {
    std::map<std::uint32_t, std::vector<SpoolerJobStatus>> queue;
    std::vector<PrinterState> printer;
    long long now = 0;
    int pausesLeft = 1000;   // then following is given up
    int printerAsked = 0;

    bool JobStatus(std::uint32_t id, SpoolerJobStatus& status) override {
        std::vector<SpoolerJobStatus>& polls = queue[id];
        if (polls.empty()) return false;
        status = polls.front();
        polls.erase(polls.begin());
        return true;
    }
    PrinterState PrinterNow() override {
        const PrinterState& s = printer[std::min<std::size_t>(printerAsked, printer.size() - 1)];
        ++printerAsked;
        return s;
    }
    long long NowMs() override { return now; }
    bool Pause(int ms) override {
        now += ms;
        return --pausesLeft >= 0;
    }
};

SpoolerJobStatus Queued(std::uint32_t status = 0, std::uint32_t jobs = 1) { return {status, jobs}; }

}  // namespace

TEST(JobFate, WhatTheUserIsToldPerFile) {
    struct Case {
        const char* what;
        bool askPrinter;
        std::vector<std::uint32_t> jobs;
        std::map<std::uint32_t, std::vector<SpoolerJobStatus>> queue;
        std::vector<PrinterState> printer;   // the first answer is the one before the send
        std::vector<std::string> lines;
        int pauses = 1000;
    } const cases[] = {
        {"a ready printer prints and counts", true, {7}, {{7, {Queued(), Queued()}}}, {kIdle, kBusy, IdleAt(103)},
         {"a.pdf: printed; the printer counted 3 pages"}},
        {"a jam after the send", true, {7}, {{7, {Queued()}}}, {kIdle, kBusy, kJam},
         {"a.pdf: sent; the printer reports: paper jam"}},
        {"a jam while the spooler still holds the job", true, {7}, {{7, {Queued(), Queued()}}}, {kIdle, kJam},
         {"a.pdf: sent; the printer reports: paper jam"}},
        {"a printer without state is not asked", false, {7}, {{7, {Queued()}}}, {kIdle},
         {"a.pdf: sent; the printer gave no status"}},
        // Only the spooler says it: Wine's never does (its jobs leave at once for CUPS).
        {"the spooler holds the job for paper until the bound", false, {7},
         {{7, std::vector<SpoolerJobStatus>(200, Queued(0x40))}}, {kSilent},
         {"a.pdf: sent; the printer reports: out of paper"}},
        {"the spooler holds the job for an error it does not name", false, {7},
         {{7, std::vector<SpoolerJobStatus>(200, Queued(0x402))}}, {kSilent},
         {"a.pdf: sent; the printer reports: an error"}},
        {"two files share the counter", true, {7, 8}, {{7, {Queued(0, 2)}}, {8, {Queued(0, 2)}}},
         {kIdle, kBusy, IdleAt(105)},
         {"a.pdf: printed; the printer counted at most 5 pages, other jobs' included",
          "b.pdf: printed; the printer counted at most 5 pages, other jobs' included"}},
        {"another job in the queue", true, {7}, {{7, {Queued(0, 2)}}}, {kIdle, kBusy, IdleAt(104)},
         {"a.pdf: printed; the printer counted at most 4 pages, other jobs' included"}},
        {"the printer was busy before the send", true, {7}, {{7, {}}}, {kBusy, kBusy, IdleAt(104)},
         {"a.pdf: printed; the printer counted at most 3 pages, other jobs' included"}},
        // Never seen busy, counter unmoved: idle for a while after the job left counts as done.
        {"a short job between two polls", true, {7}, {{7, {}}}, {kIdle},
         {"a.pdf: printed; the printer counted 0 pages"}},
        {"a printer without a counter", true, {7}, {{7, {}}}, {IdleAt(-1), kBusy, IdleAt(-1)}, {"a.pdf: printed"}},
        {"still printing at the bound", true, {7}, {{7, {}}}, {kIdle, kBusy},
         {"a.pdf: sent; the printer gave no status"}},
        {"the printer falls silent", true, {7}, {{7, {}}}, {kIdle, kSilent},
         {"a.pdf: sent; the printer gave no status"}},
        {"the sheet closed while waiting", true, {7}, {{7, std::vector<SpoolerJobStatus>(200, Queued())}}, {kIdle},
         {"a.pdf: sent; the printer gave no status"}, 2},
    };
    const std::string names[] = {"a.pdf", "b.pdf"};
    for (const Case& c : cases) {
        Script script;
        script.queue = c.queue;
        script.printer = c.printer;
        script.pausesLeft = c.pauses;
        CJobFollower follower(script, c.askPrinter, 120);
        follower.Before(0);
        const std::vector<FileFate> fates = follower.Follow(c.jobs);
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < fates.size(); ++i) lines.push_back(FateLine(names[i], fates[i], FateFormats()));
        EXPECT_EQ(c.lines, lines) << c.what;
        if (!c.askPrinter) {
            EXPECT_EQ(0, script.printerAsked) << c.what;
        }
        // Polling no faster than once a second, and never past the bound.
        EXPECT_LE(script.now, 121000) << c.what;
    }
}

// The spooler's own word, which Wine never gives (its jobs leave for CUPS at
// once): the job the spooler numbered is the one asked for, in the queue of the
// printer it went to, and a job it holds for paper is reported so.
TEST(JobFate, TheSpoolersJobStatusThroughItsDouble) {
    FakeWorld world;
    FakeSpooler spooler(world);
    spooler.printers = {{"Office", "IP_10.0.0.5", 0}, {"Lab", "USB001", 0}};
    CTestPrint printers(spooler);
    printers.SetCurrentPrinterIndex(1);
    struct Once final : DocumentSource {
        bool done = false;
        bool Read(void* buffer, std::uint32_t, std::uint32_t& got) override {
            got = done ? 0 : 1;
            if (!done) *static_cast<char*>(buffer) = 'x';
            done = true;
            return true;
        }
        void Taken(std::uint32_t) override {}
    };
    Once first, second;
    printers.WriteDocument("QEL_a.pdf", first);
    printers.WriteDocument("QEL_b.pdf", second);
    ASSERT_EQ(2u, printers.LastJobId());
    spooler.queue[2] = {{kJobStatusPaperOut, 1}};
    std::atomic<bool> stop{false};
    CSpoolerJobFateEdge edge(printers, StateTarget(), stop);
    CJobFollower follower(edge, false, 0);   // no bound: one look, no wait
    follower.Before(0);
    const std::vector<FileFate> fates = follower.Follow({printers.LastJobId()});
    ASSERT_EQ(1u, fates.size());
    EXPECT_EQ("b.pdf: sent; the printer reports: out of paper", FateLine("b.pdf", fates[0], FateFormats()));
    EXPECT_EQ(std::vector<std::string>{"Lab 2"}, spooler.queuesAsked);
}
