#include "app/usage_text.h"

#include "app/console_modes.h"

#include "base/localized_text.h"

namespace {

struct UsageEntry {
    const char* key;
    const char* english;
    bool indented;
    bool blankAfter = false;  // ends a command's paragraph
};

const UsageEntry kUsage[] = {
    {"SYNTAX_WINDOW", "Orvex [-M printer] [file ...]", false},
    {"TEXT_WINDOW", "Opens the window with the files listed and the printer chosen.", true, true},
    {"SYNTAX_PRINT", "Orvex -P [-M printer] [-o name=value ...] [-n copies] [-J] file ...", false},
    {"TEXT_PRINT", "Prints the files without the window, with the start-up options changed by the -o options:", true},
    {"TEXT_OPTIONS", "copies=1-99, page-ranges=A-B, orientation-requested=portrait|landscape, print-color-mode=color|monochrome, print-quality=draft|normal, media=A4|Letter|iso_a4_210x297mm|..., media-type=thick|labels|..., fit-to-page, scaling=50-200", true, true},
    {"SYNTAX_LIST", "Orvex -L [-C] [-J]", false},
    {"TEXT_LIST", "Lists the printers: name, port, * for the default; with -C, each printer's check and languages.", true, true},
    {"SYNTAX_CHECK", "Orvex -C [-M printer] [-J]", false},
    {"TEXT_CHECK", "Checks the printer: its device ID, where it came from and the languages it takes.", true, true},
    {"TEXT_JSON", "-J writes one JSON object per line. Exit code: 0 done, 1 some files not sent, 2 nothing sent, printer unusable or a wrong switch.", false},
    {"TEXT_HELP", "Orvex -? shows this text.", false},
};

}  // namespace

std::vector<std::string> UsageLines() {
    std::vector<std::string> lines;
    for (const UsageEntry& entry : kUsage) {
        char text[kTextSize];
        GetLocalizedString("USAGE", entry.key, entry.english, text, sizeof text);
        lines.push_back((entry.indented ? "  " : "") + std::string(text));
        if (entry.blankAfter) lines.push_back("");
    }
    return lines;
}

std::string MisplacedSwitches(const CommandLineSwitches& switches) {
    if (switches.bUsage) return "";
    if (!switches.jobOptions.empty() && !switches.bPrintWithoutWindow)
        return "-o and -n go with -P (Orvex -P [-M printer] -o name=value ... file ...); see Orvex -?";
    if (switches.bJson && !switches.bPrintWithoutWindow && !switches.bList && !switches.bCheck)
        return "-J goes with -P, -L or -C; see Orvex -?";
    return "";
}
