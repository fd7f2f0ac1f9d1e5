// The paper-size and media-type catalogues: display names, PJL names and paper
// dimensions, compiled-in English defaults overridable from the localized text
// file; and the texts a paper size is shown in.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int kPaperSizeCount = 17;
constexpr int kPaperTypeCount = 11;

// An inch value read from text: the double, and the same value in hundredths
// rounded half up from the exact decimal text (so "4.125" shows as 4.13 whatever
// the C runtime's own rounding). `exact` is false when the text was too long for
// hundredths to be counted in 64 bits; the double is then formatted instead.
struct InchValue {
    double value = 0.0;
    long long hundredths = 0;
    bool exact = true;
};

// The leading decimal number of `text` (blanks, sign, digits, dot, digits,
// exponent), always with a dot as the separator; 0 when there is none.
InchValue ParseInchText(const char* text);

// "%.2f" of an inch value with halves rounded up.
std::string FormatInches(const InchValue& inches);

struct PaperSizeEntry {
    std::string m_strPJL;    // value of the PAPER line
    std::string m_strName;   // shown to the user
    std::int16_t m_nWidthMM = 0;
    std::int16_t m_nHeightMM = 0;
    InchValue m_width;
    InchValue m_height;
};

struct PaperTypeEntry {
    std::string m_strPJL;    // value of the PAPERTYPE line
    std::string m_strName;
};

// Read from the localized text file in index order; `english` chooses Letter or A4
// as the default dimensions of the "Original" entry.
std::vector<PaperSizeEntry> BuildPaperSizeCatalog(bool english);
std::vector<PaperTypeEntry> BuildPaperTypeCatalog();

// The unit text for the locale: [UNIT] "IDC_UNIT_INCH" or "IDC_UNIT_MM".
std::string GetPaperUnitText(bool english);

// Entry of the paper-size drop-down list for catalogue index `index`.
std::string FormatPaperListEntry(const PaperSizeEntry& entry, int index, bool english,
                                 const std::string& unit);
// Paper label of the settings preview for the current paper size.
std::string FormatPaperPreviewLabel(const PaperSizeEntry& entry, int index, bool english,
                                    const std::string& unit);
