// The settings preview's layout and the texts it writes for the settings.
#include <gtest/gtest.h>

#include "base/localized_text.h"
#include "settings/english_locale.h"
#include "settings/param_mngr.h"
#include "ui/preview_geometry.h"
#include "ui/preview_texts.h"

using preview::LayoutPreview;
using skin::Rect;

namespace {

// A panel of 200 x 260 pixels: D = 260 - 107 = 153, W = 198.
const Rect kPanel{0, 0, 200, 260};

TEST(PreviewLayout, BandsLabelAndRangeLineSitAtFixedDistancesFromTheEdges) {
    const auto p = LayoutPreview(kPanel, 210, 297, 0);
    EXPECT_EQ(p.colourBand, (Rect{1, 241, 199, 259}));
    EXPECT_EQ(p.resolutionBand, (Rect{1, 222, 199, 240}));
    EXPECT_EQ(p.copiesBand, (Rect{1, 203, 199, 221}));
    EXPECT_EQ(p.colourText, (Rect{6, 241, 199, 259}));
    EXPECT_EQ(p.copiesText.left, 6);
    EXPECT_EQ(p.rangeLine, (Rect{1, 1, 199, 19}));
    EXPECT_EQ(p.paperLabel, (Rect{1, 174, 199, 202}));
    EXPECT_EQ(p.nHeight, 153);
    EXPECT_EQ(p.nWidth, 198);
}

struct PageCase {
    const char* name;
    int w, h, orientation;
    int pageW, pageH;
    Rect page;  // where the page bitmap goes; the shadows lie 2 and 4 pixels lower right
};

TEST(PreviewLayout, PagesShareTheA4ScaleUnlessTallerAndLandscapeSwaps) {
    const PageCase cases[] = {
        // 297 mm times the single-precision 1/297 falls just short of D.
        {"A4 portrait", 210, 297, 0, 108, 152, {47, 22, 143, 162}},
        {"Letter portrait", 216, 279, 0, 111, 143, {45, 27, 144, 158}},
        {"A4 landscape", 210, 297, 1, 152, 108, {25, 44, 165, 140}},
        {"Letter landscape", 216, 279, 1, 143, 111, {29, 43, 160, 142}},
        // Taller than A4: scaled so that its height fills D.
        {"A3 portrait", 297, 420, 0, 108, 153, {47, 22, 143, 163}},
        {"A3 landscape", 297, 420, 1, 153, 108, {24, 44, 165, 140}},
        {"any other orientation is landscape", 210, 297, 7, 152, 108, {25, 44, 165, 140}},
    };
    for (const PageCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto p = LayoutPreview(kPanel, c.w, c.h, c.orientation);
        EXPECT_EQ(p.nPageW, c.pageW);
        EXPECT_EQ(p.nPageH, c.pageH);
        EXPECT_EQ(p.page, c.page);
        EXPECT_EQ(p.greyShadow, (Rect{c.page.left + 2, c.page.top + 2, c.page.right + 2, c.page.bottom + 2}));
        EXPECT_EQ(p.darkShadow, (Rect{c.page.left + 4, c.page.top + 4, c.page.right + 4, c.page.bottom + 4}));
    }
    EXPECT_DOUBLE_EQ(LayoutPreview(kPanel, 210, 297, 0).fScale, LayoutPreview(kPanel, 216, 279, 0).fScale);
    EXPECT_LT(LayoutPreview(kPanel, 297, 420, 0).fScale, LayoutPreview(kPanel, 210, 297, 0).fScale);
}

TEST(PreviewLayout, PaperWithoutDimensionsDrawsNoPage) {
    const auto p = LayoutPreview(kPanel, 0, 0, 0);
    EXPECT_EQ(p.nPageW, 0);
    EXPECT_EQ(p.nPageH, 0);
    EXPECT_TRUE(p.page.Empty());
}

// The tabs' data exchange writes the fields in place, so any number can arrive.
TEST(PreviewTexts, ChosenFromTheSettings) {
    struct Case {
        const char* name;
        int colour, resolution, copies, range, from, to, paper;
        const char *colourText, *resolutionText, *copiesText, *rangeText, *paperText;
    } const cases[] = {
        {"defaults", 0, 1, 1, 0, 1, 1, 0, "Color : Auto", "Resolution : Normal", "Copies : 1", "All", "Original\n"},
        {"mono draft pages", 1, 0, 42, 1, 3, 17, 8, "Color : Black & White", "Resolution : Draft", "Copies : 42",
         "3 - 17", "Envelope #10\n4.13 x 9.50 Inches"},
        {"other numbers", 2, 2, 99, 2, 5, 6, 1, "Color : Black & White", "Resolution : Draft", "Copies : 99", "",
         "Letter\n8.50 x 11.00 Inches"},
        {"negative numbers", -1, -1, 7, -1, 5, 6, 0, "Color : Black & White", "Resolution : Draft", "Copies : 7", "",
         "Original\n"},
    };
    gszLocalFileName[0] = '\0';  // the English defaults
    const PrimaryLanguageSource previous = SetPrimaryLanguageSource([]() -> unsigned { return 0x09; });
    CParamMngr* settings = CParamMngr::create();
    ASSERT_NE(settings, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings->ColorModeRef() = c.colour;
        settings->ResolutionRef() = c.resolution;
        settings->CopiesRef() = c.copies;
        settings->PrintRangeRef() = c.range;
        settings->FromPageRef() = c.from;
        settings->ToPageRef() = c.to;
        ASSERT_TRUE(settings->SetPaperSize(c.paper));
        const preview::PreviewTexts texts = preview::PreviewTextsFor(*settings);
        EXPECT_EQ(texts.colour, c.colourText);
        EXPECT_EQ(texts.resolution, c.resolutionText);
        EXPECT_EQ(texts.copies, c.copiesText);
        EXPECT_EQ(texts.range, c.rangeText);
        EXPECT_EQ(texts.paper, c.paperText);
    }
    CParamMngr::release();
    SetPrimaryLanguageSource(previous);
}

}  // namespace
