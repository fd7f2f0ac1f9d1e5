// What the user is told of a printer's state: the word under the printer on the
// Basic tab, the line of printing without the window, and whether Print asks
// first. The words come from the language files; the English ones are the
// defaults and -P's.
#pragma once
#include <string>

#include "device/printer_state.h"

struct ConditionWords {
    const char* key = nullptr;      // in section UI_BASIC_TAB; none for a printer that said nothing
    const char* english = nullptr;
};

ConditionWords WordsFor(PrinterCondition condition);

// What the printer reports, as one text: the condition's word (`word`, in the
// user's language), followed by the printer's own report in parentheses when
// there is one and it is not just the word again. A printer that stops a job for
// a reason without a word of its own (an input tray missing) is told by its
// report alone. Empty when the printer said nothing.
std::string DescribeState(const PrinterState& state, const std::string& word);

// Print asks before sending when the printer says it would keep the job.
inline bool AsksBeforePrint(const PrinterState& state) { return state.stopsJob; }
