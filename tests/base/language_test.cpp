#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/debug_log.h"
#include "base/language.h"

TEST(Language, CodeFromLocale) {
    struct Case { unsigned langId; const char* code; } cases[] = {
        {0x0409, "EN"}, {0x0809, "EN"}, {0x0428, "EN"}, {0x0000, "EN"}, {0x0417, "EN"}, {0x042E, "EN"},
        {0x0804, "CP"}, {0x0404, "CT"}, {0x1004, "CT"},
        {0x0C0C, "FC"}, {0x040C, "FN"}, {0x100C, "FN"},
        {0x0816, "PT"}, {0x0416, "BP"},
        {0x0401, "AB"}, {0x0407, "GR"}, {0x0807, "GR"}, {0x0408, "EL"}, {0x040A, "SP"},
        {0x0411, "JP"}, {0x0413, "DT"}, {0x0415, "PO"}, {0x0419, "RU"}, {0x0429, "FA"},
        {0x042D, "EU"}, {0x0418, "RO"}, {0x041F, "TK"}, {0x040D, "HB"},
    };
    for (const Case& c : cases) EXPECT_STREQ(LanguageCodeFromLangId(c.langId), c.code) << std::hex << c.langId;
}

TEST(Language, LocaleTextIsHexadecimal) {
    EXPECT_EQ(LangIdFromHexText("0409"), 0x0409u);
    EXPECT_EQ(LangIdFromHexText("0c0c"), 0x0C0Cu);
    EXPECT_EQ(LangIdFromHexText("1004"), 0x1004u);
    EXPECT_EQ(LangIdFromHexText(""), 0u);
    EXPECT_EQ(LangIdFromHexText("zz"), 0u);
    EXPECT_EQ(LangIdFromHexText(nullptr), 0u);
}

namespace {
std::vector<std::string> g_written;
void Capture(const char* text) { g_written.emplace_back(text); }
}  // namespace

TEST(Language, CharsetAndItsNameWhateverTheSwitch) {
    DebugSink previous = SetDebugSink(Capture);
    unsigned short oldSwitch = gwLogSwitch;
    gwLogSwitch = 0;
    struct Case { const char* code; int charset; const char* name; } cases[] = {
        {"RU", 204, "RUSSIAN_CHARSET"}, {"ru", 204, "RUSSIAN_CHARSET"}, {"HB", 177, "HEBREW_CHARSET"},
        {"ab", 178, "ARABIC_CHARSET"},  {"El", 161, "GREEK_CHARSET"},   {"TK", 162, "TURKISH_CHARSET"},
        {"GR", 1, "DEFAULT_CHARSET"},   {"", 1, "DEFAULT_CHARSET"},     {"R", 1, "DEFAULT_CHARSET"},
        {"RUS", 1, "DEFAULT_CHARSET"},
    };
    for (const Case& c : cases) {
        g_written.clear();
        EXPECT_EQ(GetCharsetForLanguage(c.code), c.charset) << c.code;
        EXPECT_EQ(g_written, std::vector<std::string>{c.name}) << c.code;
    }
    gwLogSwitch = oldSwitch;
    SetDebugSink(previous);
}
