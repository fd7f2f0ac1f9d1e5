// What a network printer says of its own state: the condition the Basic tab
// shows under the printer, whether that condition keeps a job from printing,
// and the page counter. The check asks for it in the same batch as the device
// ID (its own SNMP requests, never beside a device-ID object, so an agent that
// lacks a state object cannot cost the ID; for IPP, the same
// Get-Printer-Attributes request), and the follow-up after a send asks again.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

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
    kInputTrayMissing,
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

// The SNMP objects of the Host Resources and Printer MIBs a state is made of,
// each as the agent gave it: its BER tag (0 when the agent did not answer it)
// and its content bytes.
struct SnmpStateValue {
    int tag = 0;
    std::vector<std::uint8_t> content;
};

struct SnmpStateObjects {
    SnmpStateValue deviceStatus;    // hrDeviceStatus
    SnmpStateValue printerStatus;   // hrPrinterStatus
    SnmpStateValue errorState;      // hrPrinterDetectedErrorState, a BITS octet string
    SnmpStateValue lifeCount;       // prtMarkerLifeCount
};

// Their identifiers, instance 1 (the first device, the first marker).
extern const char kHrDeviceStatusOid[];
extern const char kHrPrinterStatusOid[];
extern const char kHrPrinterDetectedErrorStateOid[];
extern const char kPrtMarkerLifeCountOid[];

// The state of an agent's answers; kUnknown when it answered none of them.
PrinterState DecodeSnmpPrinterState(const SnmpStateObjects& objects);

// IPP's printer-state (3 idle, 4 processing, 5 stopped; 0 when absent),
// printer-state-reasons and printer-state-message.
struct IppStateAttributes {
    int state = 0;
    std::vector<std::string> reasons;
    std::string message;
};

PrinterState DecodeIppPrinterState(const IppStateAttributes& attributes);

// The condition's name for the trace ("paper jam"); empty for kUnknown.
const char* PrinterConditionName(PrinterCondition condition);
