// The colours the skin draws its flat surfaces and texts with, and the choice
// between the skin's own and the system's when high contrast is on. Plain values
// only: the GDI code asks for the palette and paints with it.
#pragma once
#include <cstddef>

namespace skin {

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// WCAG 2.1: relative luminance of an sRGB colour (0 black .. 1 white) and the
// contrast ratio of two colours (1 .. 21).
double RelativeLuminance(Rgb colour);
double ContrastRatio(Rgb a, Rgb b);

// The system colours used when high contrast is on (GetSysColor).
struct SystemColours {
    Rgb window, windowText, buttonFace, buttonText, highlight, highlightText, grayText;
};

// Every flat surface and text colour of the sheet, its frame, the message and
// progress boxes. With `bitmaps` the skin's pictures are drawn where it has them
// and these colours are their flat counterparts; without, everything is flat.
struct Palette {
    bool bitmaps = true;
    Rgb dialog, dialogText;                        // backgrounds of sheet, pages, boxes; labels
    Rgb button, buttonText;                        // a push button at rest
    Rgb buttonPressed, buttonPressedText;          // pressed (checked)
    Rgb focus;                                     // the focus and hover cue drawn round a button
    Rgb listEven, listOdd, listText;               // file list rows
    Rgb listSelected, listSelectedText;
    Rgb header, headerText;                        // the list's column header
    Rgb previewPanel, previewBand, previewText;    // settings preview
    Rgb page, pageEdge, pageShadow;                // the sheet of paper in the preview
    Rgb caption, captionText;                      // frame of the active window
    Rgb captionInactive, captionInactiveText;      // frame of an inactive window
    Rgb frameEdge;
    Rgb tabSelected, tabUnselected, tabText;
    Rgb tabMark;                                   // the bar over the selected tab
};

// The skin's own colours (its bitmaps are drawn too).
Palette SkinPalette();
// The palette for the system's high-contrast colours: every surface flat.
Palette HighContrastPalette(const SystemColours& system);
inline Palette ChoosePalette(bool highContrast, const SystemColours& system) {
    return highContrast ? HighContrastPalette(system) : SkinPalette();
}

// A text colour and the surface it is drawn on; `large` texts (at least 14 pt
// bold or 18 pt) need 3:1, the others 4.5:1.
struct TextPair {
    const char* what;
    Rgb Palette::*text;
    Rgb Palette::*surface;
    bool large;
};
extern const TextPair kTextPairs[];
extern const std::size_t kTextPairCount;

}  // namespace skin
