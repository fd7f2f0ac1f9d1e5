#include "device/printer_state_text.h"

ConditionWords WordsFor(PrinterCondition condition) {
    switch (condition) {
    case PrinterCondition::kReady: return {"IDL_STATE_READY", "Ready"};
    case PrinterCondition::kPrinting: return {"IDL_STATE_PRINTING", "Printing"};
    case PrinterCondition::kOutOfPaper: return {"IDL_STATE_OUTOFPAPER", "Out of paper"};
    case PrinterCondition::kPaperJam: return {"IDL_STATE_PAPERJAM", "Paper jam"};
    case PrinterCondition::kDoorOpen: return {"IDL_STATE_DOOROPEN", "Door open"};
    case PrinterCondition::kTonerEmpty: return {"IDL_STATE_TONEREMPTY", "Toner empty"};
    case PrinterCondition::kTonerLow: return {"IDL_STATE_TONERLOW", "Toner low"};
    case PrinterCondition::kOffline: return {"IDL_STATE_OFFLINE", "Offline"};
    case PrinterCondition::kInputTrayMissing:  // no word of its own: the question tells the report
    case PrinterCondition::kUnknown: break;
    }
    return {};
}

std::string DescribeState(const PrinterState& state, const std::string& word) {
    const std::string& reported = state.reported;
    if (word.empty()) return reported;
    if (reported.empty() || reported == word) return word;
    return word + " (" + reported + ")";
}
