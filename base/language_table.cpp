#include <cctype>
#include <cstring>

#include "base/debug_log.h"
#include "base/language.h"

const char* LanguageCodeFromLangId(unsigned langId) {
    static const char* const kCodes[] = {
        "EN", "AB", "BG", "CA", nullptr /*Chinese*/, "CZ", "DN", "GR", "EL", "EN", "SP", "FI",
        nullptr /*French*/, "HB", "HU", "IS", "IT", "JP", "KR", "DT", "NR", "PO",
        nullptr /*Portuguese*/, "EN", "RO", "RU", "HR", "SK", "SQ", "SW", "TI", "TK", "UR", "IN",
        "UK", "BE", "SL", "ET", "LV", "LT", "EN", "FA", "VI", "HY", "AZ", "EU"};
    const unsigned primary = langId & 0x3FF;
    const unsigned sub = (langId & 0xFFFF) >> 10;
    switch (primary) {
    case 0x04: return sub == 2 ? "CP" : "CT";
    case 0x0C: return sub == 3 ? "FC" : "FN";
    case 0x16: return sub == 2 ? "PT" : "BP";
    default: break;
    }
    if (primary < sizeof kCodes / sizeof kCodes[0]) return kCodes[primary];
    return "EN";
}

unsigned LangIdFromHexText(const char* text) {
    unsigned value = 0;
    if (text == nullptr) return 0;
    for (const char* p = text; *p != '\0'; ++p) {
        int c = std::tolower(static_cast<unsigned char>(*p));
        unsigned digit;
        if (c >= '0' && c <= '9') digit = unsigned(c - '0');
        else if (c >= 'a' && c <= 'f') digit = unsigned(c - 'a' + 10);
        else break;  // read as far as the text is hexadecimal
        value = (value << 4) | digit;
    }
    return value & 0xFFFF;
}

int GetCharsetForLanguage(const char* code) {
    struct Row { const char* code; int charset; const char* name; };
    static const Row kRows[] = {
        {"RU", 204, "RUSSIAN_CHARSET"}, {"HB", 177, "HEBREW_CHARSET"},
        {"AB", 178, "ARABIC_CHARSET"},  {"EL", 161, "GREEK_CHARSET"},
        {"TK", 162, "TURKISH_CHARSET"},
    };
    for (const Row& row : kRows) {
        if (code != nullptr && std::toupper(static_cast<unsigned char>(code[0])) == row.code[0] &&
            code[0] != '\0' &&
            std::toupper(static_cast<unsigned char>(code[1])) == row.code[1] && code[2] == '\0') {
            DebugWrite(row.name);
            return row.charset;
        }
    }
    DebugWrite("DEFAULT_CHARSET");
    return 1;
}
