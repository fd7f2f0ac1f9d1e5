// The job settings manager and the catalogues: ranges, lifetime, the values a
// language file can change and the texts a paper size is shown in.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/debug_log.h"
#include "base/localized_text.h"
#include "settings/english_locale.h"
#include "settings/param_mngr.h"

namespace {

std::vector<std::string> g_lines;
void Capture(const char* text) { g_lines.push_back(text); }

unsigned English() { return 0x09; }
unsigned German() { return 0x07; }

// Each test starts without an instance, without a language file, logging into g_lines.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        CParamMngr::release();
        previousSink_ = SetDebugSink(Capture);
        gwLogSwitch = 1;
        g_lines.clear();
        gszLocalFileName[0] = '\0';
        SetPrimaryLanguageSource(English);
    }
    void TearDown() override {
        CParamMngr::release();
        gwLogSwitch = 0;
        SetDebugSink(previousSink_);
        SetPrimaryLanguageSource(nullptr);
        if (!file_.empty()) std::filesystem::remove(file_);
        gszLocalFileName[0] = '\0';
    }
    void UseLanguageFile(const std::string& content) {
        file_ = std::filesystem::temp_directory_path() /
                ("orvane-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".dat");
        std::ofstream(file_, std::ios::binary) << content;
        std::strncpy(gszLocalFileName, file_.string().c_str(), kPathSize - 1);
    }
    bool Logged(const std::string& line) const {
        for (const auto& l : g_lines)
            if (l == line) return true;
        return false;
    }
    DebugSink previousSink_ = nullptr;
    std::filesystem::path file_;
};

}  // namespace

TEST_F(SettingsTest, LifetimeOfTheOneInstance) {
    EXPECT_EQ(CParamMngr::GetInstance(), nullptr);
    CParamMngr* first = CParamMngr::create();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetCopies(), 0);  // before the start-up defaults
    EXPECT_EQ(first->GetZoom(), 0);
    first->SetCopies(7);
    EXPECT_EQ(CParamMngr::create(), first);
    EXPECT_EQ(first->GetCopies(), 7);  // not reset by the second create
    EXPECT_TRUE(Logged("CParamMngr::create: instnace already exists!"));
    CParamMngr::release();
    EXPECT_EQ(CParamMngr::GetInstance(), nullptr);
    EXPECT_TRUE(Logged("-> ~CParaMnger"));
    g_lines.clear();
    CParamMngr::release();  // without an instance: only the line
    EXPECT_EQ(g_lines, std::vector<std::string>{"-> CParamMngr::release"});
}

TEST_F(SettingsTest, SettersAcceptTheirRangesOnly) {
    CParamMngr* p = CParamMngr::create();
    p->ApplyStartupDefaults();
    struct Case {
        const char* name;
        bool (CParamMngr::*set)(int);
        int (CParamMngr::*get)() const;
        int low, high;
    } cases[] = {
        {"PrintRange", &CParamMngr::SetPrintRange, &CParamMngr::GetPrintRange, 0, 1},
        {"FromPage", &CParamMngr::SetFromPage, &CParamMngr::GetFromPage, 0, 9999},
        {"ToPage", &CParamMngr::SetToPage, &CParamMngr::GetToPage, 0, 9999},
        {"Copies", &CParamMngr::SetCopies, &CParamMngr::GetCopies, 1, 99},
        {"Orientation", &CParamMngr::SetOrientation, &CParamMngr::GetOrientation, 0, 1},
        {"PaperSize", &CParamMngr::SetPaperSize, &CParamMngr::GetPaperSize, 0, 16},
        {"PaperType", &CParamMngr::SetPaperType, &CParamMngr::GetPaperType, 0, 10},
        {"Resolution", &CParamMngr::SetResolution, &CParamMngr::GetResolution, 0, 1},
        {"ColorMode", &CParamMngr::SetColorMode, &CParamMngr::GetColorMode, 0, 1},
        {"Zoom", &CParamMngr::SetZoom, &CParamMngr::GetZoom, 50, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE((p->*c.set)(c.high));
        EXPECT_FALSE((p->*c.set)(c.low - 1));
        EXPECT_FALSE((p->*c.set)(c.high + 1));
        EXPECT_EQ((p->*c.get)(), c.high);  // refused values leave the field alone
        EXPECT_TRUE((p->*c.set)(c.low));
        EXPECT_EQ((p->*c.get)(), c.low);
    }
    EXPECT_TRUE(p->SetZoomFit(2));
    EXPECT_EQ(p->GetZoomFit(), 2);
    EXPECT_TRUE(p->SetPageRange(3, 4));
    EXPECT_FALSE(p->SetPageRange(5, 10000));
    EXPECT_FALSE(p->SetPageRange(-1, 5));
    EXPECT_EQ(p->GetFromPage(), 3);
    EXPECT_EQ(p->GetToPage(), 4);
}

TEST_F(SettingsTest, StartupDefaultsAndReferences) {
    CParamMngr* p = CParamMngr::create();
    p->ApplyStartupDefaults();
    int expected[] = {0, 1, 1, 1, 0, 0, 0, 1, 0, 0, 100};
    int actual[] = {p->GetPrintRange(), p->GetFromPage(), p->GetToPage(), p->GetCopies(),
                    p->GetOrientation(), p->GetPaperSize(), p->GetPaperType(), p->GetResolution(),
                    p->GetColorMode(), p->GetZoomFit(), p->GetZoom()};
    for (int i = 0; i < 11; ++i) EXPECT_EQ(actual[i], expected[i]) << "field " << i;
    p->CopiesRef() = 42;
    p->ZoomFitRef() = 1;
    EXPECT_EQ(p->GetCopies(), 42);
    EXPECT_EQ(p->GetZoomFit(), 1);
}

TEST_F(SettingsTest, BuiltInCataloguesByLocale) {
    struct Expect { int index; const char* name; const char* pjl; int w, h; const char* list; };
    const Expect english[] = {
        {0, "Original", "AUTO", 216, 279, "Original"},
        {1, "Letter", "LETTER", 216, 279, "Letter (8.50 x 11.00 Inches)"},
        {8, "Envelope #10", "COM10", 105, 241, "Envelope #10 (4.13 x 9.50 Inches)"},
        {12, "B5(JIS)", "JISB5", 182, 257, "B5(JIS) (7.17 x 10.12 Inches)"},
        {16, "B4", "JISB4", 257, 364, "B4 (10.12 x 14.33 Inches)"},
    };
    const Expect german[] = {
        {0, "Original", "AUTO", 210, 297, "Original"},
        {4, "A4", "A4", 210, 297, "A4 (210 * 297 mm)"},
        {13, "Envelope Monarch", "MONARCH", 98, 191, "Envelope Monarch (98 * 191 mm)"},
    };
    for (bool isEnglish : {true, false}) {
        SetPrimaryLanguageSource(isEnglish ? English : German);
        ASSERT_EQ(BuildPaperSizeCatalog(isEnglish).size(), 17u);
        ASSERT_EQ(BuildPaperTypeCatalog().size(), 11u);
        CParamMngr* p = CParamMngr::create();
        for (const Expect& e : isEnglish ? std::vector<Expect>(std::begin(english), std::end(english))
                                         : std::vector<Expect>(std::begin(german), std::end(german))) {
            SCOPED_TRACE(e.name);
            ASSERT_TRUE(p->SetPaperSize(e.index));
            EXPECT_EQ(p->GetPaperSizeName(), e.name);
            EXPECT_EQ(p->GetPaperSizePJL(), e.pjl);
            EXPECT_EQ(p->GetPaperWidthMM(), e.w);
            EXPECT_EQ(p->GetPaperHeightMM(), e.h);
            EXPECT_EQ(p->FormatPaperListEntry(), e.list);
            EXPECT_EQ(p->FormatPaperListEntry(e.index), e.list);
        }
        CParamMngr::release();
    }
    SetPrimaryLanguageSource(English);
    CParamMngr* p = CParamMngr::create();
    p->SetPaperSize(8);
    EXPECT_DOUBLE_EQ(p->GetPaperWidthInch(), 4.125);
    EXPECT_EQ(p->FormatPaperPreviewLabel(), "Envelope #10\n4.13 x 9.50 Inches");
    p->SetPaperSize(0);
    EXPECT_EQ(p->FormatPaperPreviewLabel(), "Original\n");
    SetPrimaryLanguageSource(German);  // the locale is asked on every text
    p->SetPaperSize(4);
    EXPECT_EQ(p->FormatPaperPreviewLabel(), "A4\n210 x 297 mm");
    const char* types[] = {"OFF", "NORMAL", "THICK", "THIN", "BOND", "COLOR", "CARD", "LABEL", "OHP", "ENV", "USED"};
    for (int i = 0; i < 11; ++i) {
        p->SetPaperType(i);
        EXPECT_EQ(p->GetPaperTypePJL(), types[i]);
    }
    EXPECT_EQ(p->GetPaperTypeName(), "Preprinted");
}

TEST_F(SettingsTest, LanguageFileOverridesEveryValue) {
    UseLanguageFile(
        "[PAPER_INFO_LETTER]\r\nPJLCMD=LTR\r\nNAME=Brief\r\nWIDTH_MM=70000\r\nHEIGHT_MM=abc\r\n"
        "WIDTH_INCH=x1\r\nHEIGHT_INCH= 11.005 \r\n"
        "[PAPER_INFO_ORIGINAL]\r\nWIDTH_MM=1\r\n"
        "[PAPERTYPE_INFO_THICK]\r\nTYPE=Dick\r\nPJLCMD=HEAVY\r\n"
        "[PAPER_INFO_A5]\r\nNAME=" + std::string(300, 'N') + "\r\n"
        "[UNIT]\r\nIDC_UNIT_INCH=Zoll\r\nIDC_UNIT_MM=Millimeter\r\n");
    CParamMngr* p = CParamMngr::create();
    p->SetPaperSize(1);
    EXPECT_EQ(p->GetPaperSizePJL(), "LTR");
    EXPECT_EQ(p->GetPaperSizeName(), "Brief");
    EXPECT_EQ(p->GetPaperWidthMM(), 70000 - 65536);  // low 16 bits, signed
    EXPECT_EQ(p->GetPaperHeightMM(), 0);
    EXPECT_EQ(p->GetPaperWidthInch(), 0.0);
    EXPECT_EQ(p->FormatPaperListEntry(), "Brief (0.00 x 11.01 Zoll)");
    p->SetPaperSize(0);
    EXPECT_EQ(p->GetPaperWidthMM(), 1);
    EXPECT_EQ(p->GetPaperHeightMM(), 279);
    p->SetPaperSize(5);
    EXPECT_EQ(p->GetPaperSizeName(), std::string(255, 'N'));
    p->SetPaperType(2);
    EXPECT_EQ(p->GetPaperTypeName(), "Dick");
    EXPECT_EQ(p->GetPaperTypePJL(), "HEAVY");
    SetPrimaryLanguageSource(German);
    p->SetPaperSize(4);
    EXPECT_EQ(p->FormatPaperListEntry(), "A4 (210 * 297 Millimeter)");
}

TEST(InchTextTest, ParsesWithADotAndRoundsHalvesUp) {
    struct Case { const char* text; double value; const char* shown; } cases[] = {
        {"4.125", 4.125, "4.13"},   {"8.27", 8.27, "8.27"},     {"11", 11.0, "11.00"},
        {" 8.5", 8.5, "8.50"},      {"7.995", 7.995, "8.00"},   {"0.005", 0.005, "0.01"},
        {"0.0049999", 0.0049999, "0.00"}, {"-4.125", -4.125, "-4.13"}, {"1,5", 1.0, "1.00"},
        {"abc", 0.0, "0.00"},       {"", 0.0, "0.00"},          {".5", 0.5, "0.50"},
        {"2.", 2.0, "2.00"},        {"1e1", 10.0, "10.00"},     {"125e-3", 0.125, "0.13"},
        {"3.14xyz", 3.14, "3.14"},  {"00010.50", 10.5, "10.50"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        InchValue v = ParseInchText(c.text);
        EXPECT_DOUBLE_EQ(v.value, c.value);
        EXPECT_EQ(FormatInches(v), c.shown);
    }
}

TEST(InchTextTest, CommaLocaleChangesNothing) {
    const char* names[] = {"de_DE.UTF-8", "de_DE", "German_Germany.1252", "German"};
    const char* set = nullptr;
    for (const char* n : names)
        if ((set = std::setlocale(LC_NUMERIC, n)) != nullptr) break;
    if (set == nullptr || std::strcmp(std::localeconv()->decimal_point, ",") != 0) {
        std::setlocale(LC_NUMERIC, "C");
        GTEST_SKIP() << "no locale with a decimal comma here";
    }
    InchValue v = ParseInchText("8.27");
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_DOUBLE_EQ(v.value, 8.27);
    EXPECT_EQ(FormatInches(v), "8.27");
}
