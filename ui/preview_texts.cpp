#include "ui/preview_texts.h"

#include <cstdio>

#include "base/localized_text.h"
#include "settings/param_mngr.h"
#include "ui/tab_rules.h"

namespace preview {
namespace {

// A text of a tab: its key and English default.
struct TabText {
    const char* key;
    const char* text;
};

// A label without its access-key marker: the preview is plain text.
std::string Look(const char* section, TabText t) {
    char text[kTextSize];
    GetLocalizedString(section, t.key, t.text, text, sizeof text);
    return PlainLabel(text);
}

// "<label> : <choice>", both as the Advanced tab shows them.
std::string ChoiceLine(TabText label, TabText choice) {
    return Look("UI_ADVANCED_TAB", label) + " : " + Look("UI_ADVANCED_TAB", choice);
}

// The black-and-white text, whose ampersands are characters (the Advanced tab shows them).
std::string BlackAndWhiteLine(TabText label) {
    char text[kTextSize];
    GetLocalizedString("UI_ADVANCED_TAB", "IDC_RADIO_COLORMODE_BW", "Black & White", text, sizeof text);
    return Look("UI_ADVANCED_TAB", label) + " : " + text;
}

}  // namespace

PreviewTexts PreviewTextsFor(const CParamMngr& s) {
    PreviewTexts t;
    // The tabs' data exchange may leave any number in these fields: only 0 is
    // colour, only 1 is normal quality.
    const TabText colourLabel{"IDC_STATIC_COLORMODE", "&Color"};
    t.colour = s.GetColorMode() != 0 ? BlackAndWhiteLine(colourLabel)
                                     : ChoiceLine(colourLabel, {"IDC_RADIO_COLORMODE_AUTO", "&Auto"});
    t.resolution = ChoiceLine({"IDC_STATIC_RESOLUTION", "Resolution"},
                              s.GetResolution() == 1 ? TabText{"IDC_RADIO_RESOLUTION_NORMAL", "N&ormal"}
                                                     : TabText{"IDC_RADIO_RESOLUTION_DRAFT", "&Draft"});
    t.copies = Look("UI_BASIC_TAB", {"IDC_STATIC_COPIES", "&Copies"}) + " : " + std::to_string(s.GetCopies());
    if (s.GetPrintRange() == 0) {
        t.range = Look("UI_BASIC_TAB", {"IDC_RADIO_PRINTRANGE_ALL", "&All"});
    } else if (s.GetPrintRange() == 1) {
        char text[32];
        std::snprintf(text, sizeof text, "%d - %d", s.GetFromPage(), s.GetToPage());
        t.range = text;
    }
    t.paper = s.FormatPaperPreviewLabel();
    return t;
}

std::string PreviewSummary(const PreviewTexts& t) {
    std::string paper;
    for (char ch : t.paper) paper.push_back(ch == '\n' ? ' ' : ch);
    while (!paper.empty() && paper.back() == ' ') paper.pop_back();
    std::string out;
    const std::string* parts[] = {&t.range, &paper, &t.copies, &t.resolution, &t.colour};
    for (const std::string* part : parts) {
        if (part->empty()) continue;
        if (!out.empty()) out += " / ";
        out += *part;
    }
    return out;
}

}  // namespace preview
