// The printer's check on a thread of its own: the device ID and the state can
// take seconds to come (a switched-off network printer answers nothing), and
// the window that asked must keep answering meanwhile.
//
// Every check gets the next number. The window takes the outcome of the latest
// check only; an older one is superseded and its outcome dropped, apart from
// its trace lines. A check that outlives its window (the sheet closed while it
// waited) finds the mailbox closed and drops everything: it holds nothing of
// the window's.
#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/lookup/places.h"
#include "device/lookup/printer_state_query.h"
#include "device/printer_state.h"

class CPrtControl;

struct PrinterCheckOutcome {
    unsigned generation = 0;
    int nSupportedTypes = -1;
    PrinterState state;
    StateTarget stateTarget;         // where to ask the printer again after a send
    std::vector<std::string> trace;  // the check's trace lines, for the window's thread to write
};

class PrinterCheckMailbox : public std::enable_shared_from_this<PrinterCheckMailbox> {
public:
    // `notify` tells the window that outcome `generation` has arrived (a posted
    // message); it is called on the checking thread, never after Close.
    using Notify = std::function<void(unsigned generation)>;
    // Makes the CPrtControl a check uses: one per check, as its lookup keeps state.
    using MakeControl = std::function<std::unique_ptr<CPrtControl>()>;

    static std::shared_ptr<PrinterCheckMailbox> Create(Notify notify, MakeControl makeControl);

    // Starts the check of `printer` (name and port, read from the spooler's list
    // on the window's thread) and returns its number. Every earlier check is superseded.
    unsigned Start(const PrinterPlace& printer);
    // Supersedes every running check without starting one (no printer to ask).
    void Supersede();
    // Every outcome that arrived, in arrival order.
    std::vector<PrinterCheckOutcome> TakeArrived();
    // No later check has been started or superseded it.
    bool IsCurrent(unsigned generation) const;
    // The window is going: nothing is notified any more.
    void Close();

    // Checks still running in the process (the entry leaves without waiting for them).
    static int Running();

private:
    PrinterCheckMailbox(Notify notify, MakeControl makeControl)
        : m_notify(std::move(notify)), m_makeControl(std::move(makeControl)) {}
    void Arrive(PrinterCheckOutcome outcome);

    Notify m_notify;
    MakeControl m_makeControl;
    mutable std::mutex m_lock;
    unsigned m_latest = 0;           // the number of the newest check
    bool m_closed = false;
    std::vector<PrinterCheckOutcome> m_arrived;
};

// One check: the supported-language set (-1 when the ID cannot be read) and the
// state the printer reported, with the check's trace lines.
PrinterCheckOutcome CheckPrinter(CPrtControl& control, const PrinterPlace& printer);
