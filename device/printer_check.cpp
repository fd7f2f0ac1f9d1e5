#include "device/printer_check.h"

#include <atomic>
#include <thread>
#include <utility>

#include "base/debug_log.h"
#include "device/prt_control.h"
#include "device/supported_types.h"

namespace {
std::atomic<int> g_running{0};
}

PrinterCheckOutcome CheckPrinter(CPrtControl& control, const PrinterPlace& printer) {
    PrinterCheckOutcome outcome;
    HeldTrace trace;
    std::string deviceID;
    const int read = control.GetPrinterDeviceID(printer, deviceID);
    outcome.nSupportedTypes = SupportedTypesFromDeviceID(read, deviceID);
    outcome.state = control.GetPrinterState();
    outcome.stateTarget = control.GetStateTarget();
    outcome.trace = trace.Take();
    return outcome;
}

std::shared_ptr<PrinterCheckMailbox> PrinterCheckMailbox::Create(Notify notify, MakeControl makeControl) {
    return std::shared_ptr<PrinterCheckMailbox>(new PrinterCheckMailbox(std::move(notify), std::move(makeControl)));
}

unsigned PrinterCheckMailbox::Start(const PrinterPlace& printer) {
    unsigned generation;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        generation = ++m_latest;
    }
    // The control is made here, on the window's thread, from what outlives the window.
    std::shared_ptr<CPrtControl> control(m_makeControl());
    ++g_running;
    std::thread([self = shared_from_this(), control, printer, generation] {
        PrinterCheckOutcome outcome = CheckPrinter(*control, printer);
        outcome.generation = generation;
        self->Arrive(std::move(outcome));
        --g_running;
    }).detach();
    return generation;
}

void PrinterCheckMailbox::Supersede() {
    std::lock_guard<std::mutex> hold(m_lock);
    ++m_latest;
}

void PrinterCheckMailbox::Arrive(PrinterCheckOutcome outcome) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_closed) return;
    const unsigned generation = outcome.generation;
    m_arrived.push_back(std::move(outcome));
    // Under the lock: once Close has returned, no notice reaches the window.
    m_notify(generation);
}

bool PrinterCheckMailbox::IsCurrent(unsigned generation) const {
    std::lock_guard<std::mutex> hold(m_lock);
    return generation == m_latest;
}

std::vector<PrinterCheckOutcome> PrinterCheckMailbox::TakeArrived() {
    std::vector<PrinterCheckOutcome> arrived;
    std::lock_guard<std::mutex> hold(m_lock);
    arrived.swap(m_arrived);
    return arrived;
}

void PrinterCheckMailbox::Close() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_closed = true;
    m_arrived.clear();
}

int PrinterCheckMailbox::Running() { return g_running; }
