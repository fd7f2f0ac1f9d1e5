#include "device/printer_state.h"

#include <cstddef>

const char kHrDeviceStatusOid[] = "1.3.6.1.2.1.25.3.2.1.5.1";
const char kHrPrinterStatusOid[] = "1.3.6.1.2.1.25.3.5.1.1.1";
const char kHrPrinterDetectedErrorStateOid[] = "1.3.6.1.2.1.25.3.5.1.2.1";
const char kPrtMarkerLifeCountOid[] = "1.3.6.1.2.1.43.10.2.1.4.1.1";

namespace {

// hrDeviceStatus and hrPrinterStatus values.
constexpr long long kDeviceRunning = 2, kDeviceDown = 5;
constexpr long long kPrinterOther = 1, kPrinterIdle = 3, kPrinterPrinting = 4, kPrinterWarmup = 5;

// A condition a printer reports, and how it ranks against the others: the
// first of a printer's conditions in this order is the one shown. `stops`:
// the printer keeps a job until it is cleared.
struct Trouble {
    PrinterCondition condition;
    bool stops;
};
constexpr Trouble kTroubles[] = {
    {PrinterCondition::kPaperJam, true},   {PrinterCondition::kDoorOpen, true},
    {PrinterCondition::kOutOfPaper, true}, {PrinterCondition::kTonerEmpty, true},
    {PrinterCondition::kInputTrayMissing, true}, {PrinterCondition::kOffline, true},
    {PrinterCondition::kTonerLow, false},
};

int Rank(PrinterCondition condition) {
    for (std::size_t i = 0; i < sizeof(kTroubles) / sizeof(kTroubles[0]); ++i)
        if (kTroubles[i].condition == condition) return static_cast<int>(i);
    return -1;
}

// Keeps the worse of the condition already found and `condition`.
void Worse(PrinterCondition condition, PrinterCondition* found) {
    const int rank = Rank(condition);
    if (rank < 0) return;
    const int current = Rank(*found);
    if (current < 0 || rank < current) *found = condition;
}

bool Stops(PrinterCondition condition) {
    const int rank = Rank(condition);
    return rank >= 0 && kTroubles[rank].stops;
}

// hrPrinterDetectedErrorState, by bit number. The Host Resources MIB numbers
// the bits from the most significant bit of the first octet (bit 0) on: bit n
// is octet n / 8, mask 0x80 >> n % 8. A bit without a condition is traced only.
struct ErrorBit {
    const char* name;
    PrinterCondition condition;
};
constexpr ErrorBit kErrorBits[] = {
    {"lowPaper", PrinterCondition::kUnknown},
    {"noPaper", PrinterCondition::kOutOfPaper},
    {"lowToner", PrinterCondition::kTonerLow},
    {"noToner", PrinterCondition::kTonerEmpty},
    {"doorOpen", PrinterCondition::kDoorOpen},
    {"jammed", PrinterCondition::kPaperJam},
    {"offline", PrinterCondition::kOffline},
    {"serviceRequested", PrinterCondition::kUnknown},
    {"inputTrayMissing", PrinterCondition::kInputTrayMissing},
    {"outputTrayMissing", PrinterCondition::kUnknown},
    {"markerSupplyMissing", PrinterCondition::kUnknown},
    {"outputNearFull", PrinterCondition::kUnknown},
    {"outputFull", PrinterCondition::kUnknown},
    {"inputTrayEmpty", PrinterCondition::kUnknown},
    {"overduePreventMaint", PrinterCondition::kUnknown},
};

// INTEGER (signed) and Counter32 / Gauge32 (unsigned) contents; false for any
// other type, for a value the agent did not give, and for more than 8 octets.
bool ReadNumber(const SnmpStateValue& value, long long* number) {
    const bool isSigned = value.tag == 0x02;
    if (!isSigned && value.tag != 0x41 && value.tag != 0x42) return false;
    if (value.content.empty() || value.content.size() > 9) return false;
    std::size_t at = 0;
    // An unsigned value may carry a leading zero octet to keep its top bit clear.
    if (!isSigned && value.content.size() == 9) {
        if (value.content[0] != 0) return false;
        at = 1;
    }
    if (value.content.size() - at > 8) return false;
    unsigned long long bits = isSigned && (value.content[at] & 0x80) ? ~0ull : 0ull;
    for (; at < value.content.size(); ++at) bits = bits << 8 | value.content[at];
    *number = static_cast<long long>(bits);
    return isSigned || *number >= 0;
}

void Append(std::string* list, const std::string& item, const char* separator = ", ") {
    if (!list->empty()) *list += separator;
    *list += item;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// printer-state-reasons keywords (RFC 8011 and the PWG's registry) that name a condition.
struct Reason {
    const char* keyword;
    PrinterCondition condition;
};
constexpr Reason kReasons[] = {
    {"media-jam", PrinterCondition::kPaperJam},
    {"door-open", PrinterCondition::kDoorOpen},
    {"cover-open", PrinterCondition::kDoorOpen},
    {"interlock-open", PrinterCondition::kDoorOpen},
    {"media-empty", PrinterCondition::kOutOfPaper},
    {"media-needed", PrinterCondition::kOutOfPaper},
    {"toner-empty", PrinterCondition::kTonerEmpty},
    {"marker-supply-empty", PrinterCondition::kTonerEmpty},
    {"input-tray-missing", PrinterCondition::kInputTrayMissing},
    {"offline", PrinterCondition::kOffline},
    {"shutdown", PrinterCondition::kOffline},
    {"paused", PrinterCondition::kOffline},
    {"toner-low", PrinterCondition::kTonerLow},
    {"marker-supply-low", PrinterCondition::kTonerLow},
};

}  // namespace

PrinterState DecodeSnmpPrinterState(const SnmpStateObjects& objects) {
    PrinterState state;
    long long device = 0, printer = 0, count = 0;
    const bool hasDevice = ReadNumber(objects.deviceStatus, &device);
    const bool hasPrinter = ReadNumber(objects.printerStatus, &printer);
    const bool hasBits = objects.errorState.tag == 0x04;
    if (ReadNumber(objects.lifeCount, &count) && count >= 0) state.pageCount = count;
    if (!hasDevice && !hasPrinter && !hasBits) return state;

    PrinterCondition trouble = PrinterCondition::kUnknown;
    if (hasBits) {
        const std::vector<std::uint8_t>& octets = objects.errorState.content;
        for (std::size_t bit = 0; bit < octets.size() * 8; ++bit) {
            if (!(octets[bit / 8] & (0x80 >> bit % 8))) continue;
            if (bit < sizeof(kErrorBits) / sizeof(kErrorBits[0])) {
                Append(&state.reported, kErrorBits[bit].name);
                Worse(kErrorBits[bit].condition, &trouble);
            } else {
                Append(&state.reported, "bit " + std::to_string(bit));
            }
        }
    }
    // down(5) with no error bit: unavailable or off-line, and no job prints.
    // down(5) while warming up is a printer coming on-line: it will print.
    if (hasDevice && device == kDeviceDown && !(hasPrinter && printer == kPrinterWarmup))
        Worse(PrinterCondition::kOffline, &trouble);

    state.stopsJob = Stops(trouble);
    const bool busy = hasPrinter && (printer == kPrinterPrinting || printer == kPrinterWarmup);
    // Idle, or standby: running(2) with other(1).
    const bool quiet = hasPrinter ? printer == kPrinterIdle || (printer == kPrinterOther && device == kDeviceRunning)
                                  : hasDevice && device == kDeviceRunning;
    if (state.stopsJob) {
        state.condition = trouble;
    } else if (busy) {
        state.condition = PrinterCondition::kPrinting;
    } else if (trouble != PrinterCondition::kUnknown) {
        state.condition = trouble;
    } else if (quiet) {
        state.condition = PrinterCondition::kReady;
    }
    state.idle = quiet && !state.stopsJob;
    return state;
}

PrinterState DecodeIppPrinterState(const IppStateAttributes& attributes) {
    PrinterState state;
    PrinterCondition trouble = PrinterCondition::kUnknown;   // of the reasons at error severity
    PrinterCondition warning = PrinterCondition::kUnknown;   // of the reasons at warning severity
    for (const std::string& given : attributes.reasons) {
        std::string reason = Lower(given);
        if (reason.empty() || reason == "none") continue;
        Append(&state.reported, given);
        // A keyword without a suffix is an error (RFC 8011 5.4.12); a report
        // only informs.
        if (EndsWith(reason, "-report")) continue;
        bool error = true;
        if (EndsWith(reason, "-warning")) {
            reason.resize(reason.size() - 8);
            error = false;
        } else if (EndsWith(reason, "-error")) {
            reason.resize(reason.size() - 6);
        }
        for (const Reason& known : kReasons)
            if (reason == known.keyword) Worse(known.condition, error ? &trouble : &warning);
    }
    if (!attributes.message.empty()) Append(&state.reported, attributes.message, "; ");
    if (attributes.state == 0 && trouble == PrinterCondition::kUnknown && warning == PrinterCondition::kUnknown)
        return state;

    constexpr int kIdle = 3, kProcessing = 4, kStopped = 5;
    // A stopped printer that names no reason still keeps every job.
    if (attributes.state == kStopped) Worse(PrinterCondition::kOffline, &trouble);
    state.stopsJob = Stops(trouble);
    if (state.stopsJob) {
        state.condition = trouble;
    } else if (attributes.state == kProcessing) {
        state.condition = PrinterCondition::kPrinting;
    } else if (trouble != PrinterCondition::kUnknown || warning != PrinterCondition::kUnknown) {
        // A condition at warning severity is shown, but the printer goes on.
        state.condition = trouble != PrinterCondition::kUnknown ? trouble : warning;
    } else if (attributes.state == kIdle) {
        state.condition = PrinterCondition::kReady;
    }
    state.idle = attributes.state == kIdle && !state.stopsJob;
    return state;
}

const char* PrinterConditionName(PrinterCondition condition) {
    switch (condition) {
        case PrinterCondition::kUnknown: return "";
        case PrinterCondition::kReady: return "ready";
        case PrinterCondition::kPrinting: return "printing";
        case PrinterCondition::kOutOfPaper: return "out of paper";
        case PrinterCondition::kPaperJam: return "paper jam";
        case PrinterCondition::kDoorOpen: return "door open";
        case PrinterCondition::kTonerEmpty: return "toner empty";
        case PrinterCondition::kTonerLow: return "toner low";
        case PrinterCondition::kOffline: return "offline";
        case PrinterCondition::kInputTrayMissing: return "input tray missing";
    }
    return "";
}
