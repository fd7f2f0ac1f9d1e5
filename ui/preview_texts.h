// What the settings preview writes, chosen from the settings: the three band
// lines, the print range line and the paper label, in the user's language.
#pragma once
#include <string>

class CParamMngr;

namespace preview {

struct PreviewTexts {
    std::string colour;      // "<label> : <choice>" as the Advanced tab names them
    std::string resolution;
    std::string copies;      // "<label> : <number>"
    std::string range;       // empty: no range line is drawn
    std::string paper;       // up to two lines
};

PreviewTexts PreviewTextsFor(const CParamMngr& settings);

// The panel's texts as one line for a screen reader, top to bottom as painted:
// "All / Original / Copies : 1 / Resolution : Normal / Color : Auto".
std::string PreviewSummary(const PreviewTexts& texts);

}  // namespace preview
