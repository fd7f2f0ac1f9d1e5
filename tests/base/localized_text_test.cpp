// The lookup rules every label relies on; the same test runs against the
// platform's profile functions under Wine and the portable reader natively.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/localized_text.h"

namespace {
class LocalizedTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = std::filesystem::temp_directory_path() /
                ("orvane-text-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".dat");
        std::ofstream out(path_, std::ios::binary);
        out << "; comment line\r\n"
               "[ui_sheet]\r\n"
               "idl_title=Orvane Deutsch\r\n"
               "QUOTED = \"  spaced  \" \r\n"
               "EQUALS=a=b\r\n"
               "LONG=" << std::string(300, 'L') << "\r\n"
            << std::string("ZERO=Orva\0ne\r\n", 14) <<
               "[UNIT]\r\n"
               "NUMBER=42\r\n"
               "NOTNUM=abc\r\n";
        out.close();
        std::strncpy(gszLocalFileName, path_.string().c_str(), kPathSize - 1);
    }
    void TearDown() override {
        gszLocalFileName[0] = '\0';
        std::filesystem::remove(path_);
    }
    std::string Lookup(const char* section, const char* key, const char* def, unsigned size = kTextSize) {
        char buffer[400];
        std::memset(buffer, '#', sizeof buffer);
        unsigned n = GetLocalizedString(section, key, def, buffer, size);
        EXPECT_EQ(std::strlen(buffer), n);
        return buffer;
    }
    std::filesystem::path path_;
};
}  // namespace

TEST_F(LocalizedTextTest, KeysAndSectionsIgnoreCase) {
    EXPECT_EQ(Lookup("UI_SHEET", "IDL_TITLE", "Orvane"), "Orvane Deutsch");
    EXPECT_EQ(Lookup("Ui_Sheet", "Idl_Title", "Orvane"), "Orvane Deutsch");
}

TEST_F(LocalizedTextTest, ValueRules) {
    EXPECT_EQ(Lookup("UI_SHEET", "QUOTED", "x"), "  spaced  ");
    EXPECT_EQ(Lookup("UI_SHEET", "EQUALS", "x"), "a=b");
    EXPECT_EQ(Lookup("UI_SHEET", "LONG", "x"), std::string(255, 'L'));
    EXPECT_EQ(Lookup("UI_SHEET", "LONG", "x", 10), std::string(9, 'L'));
    EXPECT_EQ(Lookup("UI_SHEET", "ZERO", "x"), "Orva");  // a zero byte ends the text
}

TEST_F(LocalizedTextTest, MissingKeySectionOrFileGiveTheDefaultCut) {
    EXPECT_EQ(Lookup("UI_SHEET", "NO_SUCH_KEY", "Orvane"), "Orvane");
    EXPECT_EQ(Lookup("NO_SECTION", "IDL_TITLE", "Orvane"), "Orvane");
    EXPECT_EQ(Lookup("UNIT", "IDL_TITLE", "Default text", 8), "Default");
    std::strcpy(gszLocalFileName, (path_.string() + ".missing").c_str());
    EXPECT_EQ(Lookup("UI_SHEET", "IDL_TITLE", "Orvane"), "Orvane");
}

TEST_F(LocalizedTextTest, NumbersFallBackToTheDefault) {
    EXPECT_EQ(GetLocalizedInt("UNIT", "NUMBER", 7), 42u);
    EXPECT_EQ(GetLocalizedInt("unit", "number", 7), 42u);
    EXPECT_EQ(GetLocalizedInt("UNIT", "MISSING", 7), 7u);
    EXPECT_EQ(GetLocalizedInt("UNIT", "NOTNUM", 7), 0u);
}
