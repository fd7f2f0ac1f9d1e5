#include "app/job_options.h"

#include <iterator>
#include <optional>
#include <utility>

#include "settings/param_mngr.h"

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// A whole decimal number of at most nine digits, nothing else.
std::optional<int> WholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// PWG self-describing names and the short names people type, by paper-catalogue
// index. The catalogue's own display and PJL names are matched besides.
struct NamedIndex {
    const char* name;
    int index;
};
const NamedIndex kPaperNames[] = {
    {"na_letter_8.5x11in", 1},        {"na_legal_8.5x14in", 2},    {"na_executive_7.25x10.5in", 3},
    {"iso_a4_210x297mm", 4},          {"iso_a5_148x210mm", 5},     {"iso_b5_176x250mm", 6},
    {"na_foolscap_8.5x13in", 7},      {"na_number-10_4.125x9.5in", 8}, {"iso_dl_110x220mm", 9},
    {"iso_c5_162x229mm", 10},         {"iso_c6_114x162mm", 11},    {"jis_b5_182x257mm", 12},
    {"na_monarch_3.875x7.5in", 13},   {"iso_a6_105x148mm", 14},    {"iso_a3_297x420mm", 15},
    {"jis_b4_257x364mm", 16},
    {"env10", 8},  {"com10", 8},  {"envdl", 9},  {"envc5", 10}, {"envc6", 11},
    {"b5-jis", 12}, {"jis-b5", 12}, {"envmonarch", 13}, {"b4-jis", 16}, {"jis-b4", 16},
    {"auto", 0},
};
// PWG media-type keywords by media-type-catalogue index ("Default" has none).
const NamedIndex kMediaTypeNames[] = {
    {"stationery", 1}, {"stationery-heavyweight", 2}, {"stationery-lightweight", 3}, {"stationery-bond", 4},
    {"stationery-colored", 5}, {"cardstock", 6}, {"labels", 7}, {"transparency", 8}, {"envelope", 9},
    {"stationery-preprinted", 10},
};

// The catalogue index whose display name or PJL name is `wanted` (lower case),
// else one of `aliases`; -1 when none. The catalogue is walked as the Advanced
// tab walks it, through the setter, and the current entry is put back.
int FindInCatalogue(CParamMngr& settings, const std::string& wanted, bool paper, const NamedIndex* aliases,
                    std::size_t aliasCount) {
    const int count = paper ? kPaperSizeCount : kPaperTypeCount;
    const int current = paper ? settings.GetPaperSize() : settings.GetPaperType();
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i) {
        if (paper ? !settings.SetPaperSize(i) : !settings.SetPaperType(i)) continue;
        const std::string name = paper ? settings.GetPaperSizeName() : settings.GetPaperTypeName();
        const std::string pjl = paper ? settings.GetPaperSizePJL() : settings.GetPaperTypePJL();
        if (Lower(name) == wanted || Lower(pjl) == wanted) found = i;
    }
    paper ? settings.SetPaperSize(current) : settings.SetPaperType(current);
    for (std::size_t a = 0; a < aliasCount && found < 0; ++a)
        if (wanted == aliases[a].name) found = aliases[a].index;
    return found;
}

// The catalogue's display names, for the message about a name it does not know.
std::string CatalogueNames(CParamMngr& settings, bool paper) {
    const int count = paper ? kPaperSizeCount : kPaperTypeCount;
    const int current = paper ? settings.GetPaperSize() : settings.GetPaperType();
    std::string names;
    for (int i = 0; i < count; ++i) {
        if (paper ? !settings.SetPaperSize(i) : !settings.SetPaperType(i)) continue;
        names += (names.empty() ? "" : ", ") + (paper ? settings.GetPaperSizeName() : settings.GetPaperTypeName());
    }
    paper ? settings.SetPaperSize(current) : settings.SetPaperType(current);
    return names;
}

// What the options ask for; unset fields keep the settings' value.
struct Choices {
    std::optional<int> copies, orientation, colorMode, resolution, paperSize, paperType, zoom;
    std::optional<int> zoomFit;
    std::optional<std::pair<int, int>> pages;
};

const char kOptionNames[] =
    "copies, page-ranges, orientation-requested (or portrait, landscape), print-color-mode, print-quality, media, "
    "media-type, fit-to-page, print-scaling, scaling";

// Reads one option into `choices`; the empty string, or why it cannot be applied.
std::string ReadOption(const std::string& option, CParamMngr& settings, Choices& choices) {
    if (option.empty()) return "an -o or -n value is empty or longer than 259 characters";
    if (option == "=") return "-o needs name=value, such as -o copies=2";
    const std::size_t eq = option.find('=');
    const std::string name = Lower(option.substr(0, eq));
    const bool hasValue = eq != std::string::npos;
    const std::string value = hasValue ? Lower(option.substr(eq + 1)) : std::string();
    const std::string bad = "bad value in \"" + option + "\": " + name;

    // Bare names, as lp takes them.
    if (!hasValue) {
        if (name == "portrait" || name == "landscape") {
            choices.orientation = name == "landscape" ? 1 : 0;
            return "";
        }
        if (name == "fit-to-page") {
            choices.zoomFit = 1;
            return "";
        }
        return "unknown option \"" + option + "\"; -o takes name=value with the names " + kOptionNames;
    }
    if (name == "copies") {
        const auto n = WholeNumber(value);
        if (!n || *n < 1 || *n > 99) return bad + " takes a whole number from 1 to 99 (also as -n N)";
        choices.copies = *n;
    } else if (name == "page-ranges") {
        const std::size_t dash = value.find('-');
        const auto from = WholeNumber(value.substr(0, dash));
        const auto to = dash == std::string::npos ? from : WholeNumber(value.substr(dash + 1));
        if (!from || !to || *from < 1 || *to > 9999 || *from > *to)
            return bad + " takes one range of pages A-B (1 <= A <= B <= 9999) or one page A";
        choices.pages = std::make_pair(*from, *to);
    } else if (name == "orientation-requested") {
        if (value == "3" || value == "portrait")
            choices.orientation = 0;
        else if (value == "4" || value == "landscape")
            choices.orientation = 1;
        else
            return bad + " takes 3 or portrait, 4 or landscape";
    } else if (name == "print-color-mode") {
        if (value == "color")
            choices.colorMode = 0;
        else if (value == "monochrome")
            choices.colorMode = 1;
        else
            return bad + " takes color or monochrome";
    } else if (name == "print-quality") {
        if (value == "3" || value == "draft")
            choices.resolution = 0;
        else if (value == "4" || value == "normal")
            choices.resolution = 1;
        else
            return bad + " takes 3 or draft, 4 or normal";
    } else if (name == "media") {
        const int index = FindInCatalogue(settings, value, true, kPaperNames, std::size(kPaperNames));
        if (index < 0)
            return bad + " takes a paper size: " + CatalogueNames(settings, true) +
                   " (or its PWG name, such as iso_a4_210x297mm or na_letter_8.5x11in)";
        choices.paperSize = index;
    } else if (name == "media-type") {
        const int index = FindInCatalogue(settings, value, false, kMediaTypeNames, std::size(kMediaTypeNames));
        if (index < 0)
            return bad + " takes a media type: " + CatalogueNames(settings, false) +
                   " (or its PWG name, such as stationery-heavyweight or labels)";
        choices.paperType = index;
    } else if (name == "fit-to-page") {
        if (value != "true" && value != "false") return bad + " takes true or false, or no value";
        choices.zoomFit = value == "true" ? 1 : 0;
    } else if (name == "print-scaling") {
        if (value != "fit" && value != "none") return bad + " takes fit or none";
        choices.zoomFit = value == "fit" ? 1 : 0;
    } else if (name == "scaling") {
        const auto n = WholeNumber(value);
        if (!n || *n < 50 || *n > 200) return bad + " takes a whole number from 50 to 200 (percent)";
        choices.zoom = *n;
        choices.zoomFit = 0;  // a size asked for is not a fit
    } else {
        return "unknown option \"" + option + "\"; -o takes name=value with the names " + kOptionNames;
    }
    return "";
}

}  // namespace

bool ApplyJobOptions(const std::vector<std::string>& options, CParamMngr& settings, std::string& message) {
    Choices choices;
    for (const std::string& option : options) {
        message = ReadOption(option, settings, choices);
        if (!message.empty()) return false;
    }
    // Every value was checked against the setters' ranges above.
    if (choices.copies) settings.SetCopies(*choices.copies);
    if (choices.orientation) settings.SetOrientation(*choices.orientation);
    if (choices.pages) {
        settings.SetPrintRange(1);
        settings.SetPageRange(choices.pages->first, choices.pages->second);
    }
    if (choices.colorMode) settings.SetColorMode(*choices.colorMode);
    if (choices.resolution) settings.SetResolution(*choices.resolution);
    if (choices.zoom) settings.SetZoom(*choices.zoom);
    if (choices.zoomFit) settings.SetZoomFit(*choices.zoomFit);
    if (choices.paperSize) settings.SetPaperSize(*choices.paperSize);
    if (choices.paperType) settings.SetPaperType(*choices.paperType);
    return true;
}
