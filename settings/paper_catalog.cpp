#include "settings/paper_catalog.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/localized_text.h"

namespace {

struct PaperDefault {
    const char* section;
    const char* name;
    const char* pjl;
    int widthMM, heightMM;
    const char* widthInch;
    const char* heightInch;
};

// Index 0 ("Original") takes its dimensions from Letter or A4 by locale.
const PaperDefault kPaperDefaults[kPaperSizeCount] = {
    {"PAPER_INFO_ORIGINAL", "Original", "AUTO", 0, 0, nullptr, nullptr},
    {"PAPER_INFO_LETTER", "Letter", "LETTER", 216, 279, "8.5", "11"},
    {"PAPER_INFO_LEGAL", "Legal", "LEGAL", 216, 356, "8.5", "14"},
    {"PAPER_INFO_EXECUTIVE", "Executive", "EXECUTIVE", 184, 267, "7.25", "10.5"},
    {"PAPER_INFO_A4", "A4", "A4", 210, 297, "8.27", "11.69"},
    {"PAPER_INFO_A5", "A5", "A5", 148, 210, "5.83", "8.27"},
    {"PAPER_INFO_B5", "B5", "B5", 176, 250, "6.93", "9.84"},
    {"PAPER_INFO_FOLIO", "Folio", "FOLIO", 216, 330, "8.5", "13"},
    {"PAPER_INFO_COM10", "Envelope #10", "COM10", 105, 241, "4.125", "9.5"},
    {"PAPER_INFO_DL", "Envelope DL", "DL", 110, 220, "4.33", "8.66"},
    {"PAPER_INFO_C5", "Envelope C5", "C5", 162, 229, "6.38", "9.02"},
    {"PAPER_INFO_C6", "Envelope C6", "C6", 114, 162, "4.49", "6.38"},
    {"PAPER_INFO_JISB5", "B5(JIS)", "JISB5", 182, 257, "7.17", "10.12"},
    {"PAPER_INFO_MONARCH", "Envelope Monarch", "MONARCH", 98, 191, "3.87", "7.5"},
    {"PAPER_INFO_A6", "A6", "A6", 105, 148, "4.13", "5.83"},
    {"PAPER_INFO_A3", "A3", "A3", 297, 420, "11.69", "16.54"},
    {"PAPER_INFO_JISB4", "B4", "JISB4", 257, 364, "10.12", "14.33"},
};

const struct {
    const char* section;
    const char* name;
    const char* pjl;
} kTypeDefaults[kPaperTypeCount] = {
    {"PAPERTYPE_INFO_OFF", "Default", "OFF"},
    {"PAPERTYPE_INFO_NORMAL", "Plain Paper", "NORMAL"},
    {"PAPERTYPE_INFO_THICK", "Thick", "THICK"},
    {"PAPERTYPE_INFO_THIN", "Thin", "THIN"},
    {"PAPERTYPE_INFO_BOND", "Bond", "BOND"},
    {"PAPERTYPE_INFO_COLOR", "Color Paper", "COLOR"},
    {"PAPERTYPE_INFO_CARD", "Card Stock", "CARD"},
    {"PAPERTYPE_INFO_LABEL", "Labels", "LABEL"},
    {"PAPERTYPE_INFO_OHP", "Transparency", "OHP"},
    {"PAPERTYPE_INFO_ENV", "Envelope", "ENV"},
    {"PAPERTYPE_INFO_USED", "Preprinted", "USED"},
};

std::string LookUp(const char* section, const char* key, const char* defaultText) {
    char buffer[kTextSize];
    GetLocalizedString(section, key, defaultText, buffer, sizeof buffer);
    return buffer;
}

// Millimetres keep the low 16 bits of what the file gives, read back signed.
std::int16_t LookUpMM(const char* section, const char* key, int defaultValue) {
    unsigned value = GetLocalizedInt(section, key, defaultValue);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFFu));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

InchValue ParseInchText(const char* text) {
    InchValue result;
    if (text == nullptr) return result;
    const char* p = text;
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p))) ++p;

    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    std::string digits;        // significant digits, without the dot
    long long exponent = 0;    // value = digits * 10^exponent
    bool any = false;
    for (; IsDigit(*p); ++p, any = true) digits += *p;
    if (*p == '.') {
        for (++p; IsDigit(*p); ++p, any = true) {
            digits += *p;
            --exponent;
        }
    }
    if (!any) return result;  // no numeric prefix: 0.0
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        bool expNegative = false;
        if (*q == '+' || *q == '-') expNegative = *q++ == '-';
        if (IsDigit(*q)) {
            long long e = 0;
            for (; IsDigit(*q); ++q)
                if (e < 100000) e = e * 10 + (*q - '0');
            exponent += expNegative ? -e : e;
        }
    }
    std::size_t first = digits.find_first_not_of('0');
    digits = first == std::string::npos ? std::string() : digits.substr(first);

    // The double, through strtod on a text without any decimal separator
    // ("8.27" -> "827e-2"), so a ',' locale changes nothing.
    std::string normal = (negative ? "-" : "") + (digits.empty() ? std::string("0") : digits) + "e" +
                         std::to_string(exponent);
    result.value = std::strtod(normal.c_str(), nullptr);

    // Hundredths, rounded half up (away from zero) on the exact decimal digits.
    long long shift = exponent + 2;  // hundredths = digits * 10^shift
    if (digits.empty()) {
        result.hundredths = 0;
    } else if (shift >= 0) {
        if (static_cast<long long>(digits.size()) + shift > 18) {
            result.exact = false;
        } else {
            long long h = std::atoll(digits.c_str());
            for (long long i = 0; i < shift; ++i) h *= 10;
            result.hundredths = negative ? -h : h;
        }
    } else {
        std::size_t cut = static_cast<std::size_t>(-shift);
        std::string kept = cut >= digits.size() ? std::string() : digits.substr(0, digits.size() - cut);
        char firstDropped = cut > digits.size() ? '0' : digits[digits.size() - cut];
        if (kept.size() > 18) {
            result.exact = false;
        } else {
            long long h = kept.empty() ? 0 : std::atoll(kept.c_str());
            if (firstDropped >= '5') ++h;
            // Rounding 18 nines up gives a 19th digit, which the text shown
            // for it could not read back as exact.
            if (h >= 1000000000000000000LL) result.exact = false;
            else result.hundredths = negative ? -h : h;
        }
    }
    return result;
}

std::string FormatInches(const InchValue& inches) {
    char text[64];
    if (!inches.exact) {
        std::snprintf(text, sizeof text, "%.2f", inches.value);
        return text;
    }
    long long h = inches.hundredths;
    unsigned long long magnitude = h < 0 ? 0ULL - static_cast<unsigned long long>(h) : static_cast<unsigned long long>(h);
    std::snprintf(text, sizeof text, "%s%llu.%02llu", h < 0 ? "-" : "", magnitude / 100, magnitude % 100);
    return text;
}

std::vector<PaperSizeEntry> BuildPaperSizeCatalog(bool english) {
    std::vector<PaperSizeEntry> catalog(kPaperSizeCount);
    for (int i = 0; i < kPaperSizeCount; ++i) {
        PaperDefault d = kPaperDefaults[i];
        if (i == 0) {
            const PaperDefault& like = kPaperDefaults[english ? 1 : 4];
            d.widthMM = like.widthMM;
            d.heightMM = like.heightMM;
            d.widthInch = like.widthInch;
            d.heightInch = like.heightInch;
        }
        PaperSizeEntry& e = catalog[i];
        e.m_strName = LookUp(d.section, "NAME", d.name);
        e.m_strPJL = LookUp(d.section, "PJLCMD", d.pjl);
        e.m_nWidthMM = LookUpMM(d.section, "WIDTH_MM", d.widthMM);
        e.m_nHeightMM = LookUpMM(d.section, "HEIGHT_MM", d.heightMM);
        e.m_width = ParseInchText(LookUp(d.section, "WIDTH_INCH", d.widthInch).c_str());
        e.m_height = ParseInchText(LookUp(d.section, "HEIGHT_INCH", d.heightInch).c_str());
    }
    return catalog;
}

std::vector<PaperTypeEntry> BuildPaperTypeCatalog() {
    std::vector<PaperTypeEntry> catalog(kPaperTypeCount);
    for (int i = 0; i < kPaperTypeCount; ++i) {
        catalog[i].m_strName = LookUp(kTypeDefaults[i].section, "TYPE", kTypeDefaults[i].name);
        catalog[i].m_strPJL = LookUp(kTypeDefaults[i].section, "PJLCMD", kTypeDefaults[i].pjl);
    }
    return catalog;
}

std::string GetPaperUnitText(bool english) {
    return english ? LookUp("UNIT", "IDC_UNIT_INCH", "Inches") : LookUp("UNIT", "IDC_UNIT_MM", "mm");
}

std::string FormatPaperListEntry(const PaperSizeEntry& entry, int index, bool english,
                                 const std::string& unit) {
    if (index == 0) return entry.m_strName;
    if (english)
        return entry.m_strName + " (" + FormatInches(entry.m_width) + " x " + FormatInches(entry.m_height) +
               " " + unit + ")";
    return entry.m_strName + " (" + std::to_string(entry.m_nWidthMM) + " * " + std::to_string(entry.m_nHeightMM) +
           " " + unit + ")";
}

std::string FormatPaperPreviewLabel(const PaperSizeEntry& entry, int index, bool english,
                                    const std::string& unit) {
    if (index == 0) return entry.m_strName + "\n";
    if (english)
        return entry.m_strName + "\n" + FormatInches(entry.m_width) + " x " + FormatInches(entry.m_height) + " " +
               unit;
    return entry.m_strName + "\n" + std::to_string(entry.m_nWidthMM) + " x " + std::to_string(entry.m_nHeightMM) +
           " " + unit;
}
