#include "ui/skin/skin_colours.h"

#include <algorithm>
#include <cmath>

namespace skin {
namespace {

double Linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

}  // namespace

double RelativeLuminance(Rgb c) { return 0.2126 * Linear(c.r) + 0.7152 * Linear(c.g) + 0.0722 * Linear(c.b); }

double ContrastRatio(Rgb a, Rgb b) {
    const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Where the skin paints a gradient, the flat colour here is the end that is
// closest to its text (tools/make_skin.py draws the pictures).
Palette SkinPalette() {
    Palette p;
    p.bitmaps = true;
    p.dialog = {238, 238, 238};
    p.dialogText = kBlack;
    p.button = {236, 238, 241};
    p.buttonText = kBlack;
    p.buttonPressed = {38, 99, 163};
    p.buttonPressedText = kWhite;
    p.focus = {92, 139, 191};
    p.listEven = {238, 238, 238};
    p.listOdd = kWhite;
    p.listText = kBlack;
    p.listSelected = {164, 212, 255};
    p.listSelectedText = kBlack;
    p.header = {84, 112, 143};
    p.headerText = kWhite;
    p.previewPanel = {230, 230, 230};
    p.previewBand = {198, 198, 198};
    p.previewText = kBlack;
    p.page = kWhite;
    p.pageEdge = {120, 128, 138};
    p.pageShadow = {128, 128, 128};
    p.caption = {232, 235, 239};
    p.captionText = kBlack;
    p.captionInactive = {232, 235, 239};
    p.captionInactiveText = kBlack;
    p.frameEdge = {38, 99, 163};
    p.tabSelected = {238, 238, 238};
    p.tabUnselected = {222, 225, 229};
    p.tabText = kBlack;
    p.tabMark = {38, 99, 163};
    return p;
}

// As the system draws its own dialogs in high contrast: faces and labels in the
// button colours, lists and the preview in the window colours, the active
// caption, a selection and a pressed button in the highlight colours, what is
// inactive in grey text.
Palette HighContrastPalette(const SystemColours& s) {
    Palette p;
    p.bitmaps = false;
    p.dialog = s.buttonFace;
    p.dialogText = s.windowText;
    p.button = s.buttonFace;
    p.buttonText = s.buttonText;
    p.buttonPressed = s.highlight;
    p.buttonPressedText = s.highlightText;
    p.focus = s.buttonText;
    p.listEven = s.window;
    p.listOdd = s.window;
    p.listText = s.windowText;
    p.listSelected = s.highlight;
    p.listSelectedText = s.highlightText;
    p.header = s.buttonFace;
    p.headerText = s.buttonText;
    p.previewPanel = s.window;
    p.previewBand = s.buttonFace;
    p.previewText = s.windowText;
    p.page = s.window;
    p.pageEdge = s.windowText;
    p.pageShadow = s.grayText;
    p.caption = s.highlight;
    p.captionText = s.highlightText;
    p.captionInactive = s.buttonFace;
    p.captionInactiveText = s.grayText;
    p.frameEdge = s.windowText;
    p.tabSelected = s.window;
    p.tabUnselected = s.buttonFace;
    p.tabText = s.buttonText;
    p.tabMark = s.highlight;
    return p;
}

// Every text the sheet, its frame and its boxes draw, with the surface under it.
const TextPair kTextPairs[] = {
    {"labels on the dialog", &Palette::dialogText, &Palette::dialog, false},
    {"button", &Palette::buttonText, &Palette::button, false},
    {"pressed button", &Palette::buttonPressedText, &Palette::buttonPressed, false},
    {"even file row", &Palette::listText, &Palette::listEven, false},
    {"odd file row", &Palette::listText, &Palette::listOdd, false},
    {"selected file row", &Palette::listSelectedText, &Palette::listSelected, false},
    {"list header", &Palette::headerText, &Palette::header, false},
    {"preview panel", &Palette::previewText, &Palette::previewPanel, false},
    {"preview band", &Palette::previewText, &Palette::previewBand, false},
    {"active caption", &Palette::captionText, &Palette::caption, false},
    {"inactive caption", &Palette::captionInactiveText, &Palette::captionInactive, false},
    {"selected tab", &Palette::tabText, &Palette::tabSelected, false},
    {"other tab", &Palette::tabText, &Palette::tabUnselected, false},
};
const std::size_t kTextPairCount = sizeof kTextPairs / sizeof kTextPairs[0];

}  // namespace skin
