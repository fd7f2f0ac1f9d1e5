// What a network printer says of its own state: the condition the Basic tab
// shows under the printer, whether that condition keeps a job from printing,
// and the page counter. The check asks for it in the same batch as the device
// ID (its own SNMP requests, never beside a device-ID object, so an agent that
// lacks a state object cannot cost the ID; for IPP, the same
// Get-Printer-Attributes request), and the follow-up after a send asks again.
#pragma once
#include <string>

enum class PrinterCondition {
    kUnknown,      // the printer gave no state: no line is shown
    kReady,
    kPrinting,
    kOutOfPaper,
    kPaperJam,
    kDoorOpen,
    kTonerEmpty,
    kTonerLow,
    kOffline,
};

struct PrinterState {
    PrinterCondition condition = PrinterCondition::kUnknown;
    // The condition keeps a job in the printer until it is cleared: no paper,
    // a jam, a door open, offline, no toner, an input tray missing.
    bool stopsJob = false;
    // The printer is neither printing nor holding a job.
    bool idle = false;
    // What the printer reports, for the trace and the question before Print
    // (the error bits or printer-state-reasons it gave, printer-state-message).
    std::string reported;
    // prtMarkerLifeCount, or -1 when the printer has none.
    long long pageCount = -1;
};
