// The console reports as one JSON object per line (-J), for scripts.
#pragma once
#include <string>
#include <vector>

#include "app/print_mode.h"

// -P: one object per named file ("printer", "file", "result": "sent" or "not
// sent", "reason" when not sent), then one with the counts ("sent", "named",
// "exit", "summary", and "reason" when the printer took nothing).
std::vector<std::string> JsonPrintReport(const PrintModeReport& report);

// A refusal before anything was done (a bad option): {"result":"refused","reason":...}.
std::string JsonRefusal(const std::string& reason);
