// The settings preview's layout and the page painter's pieces.
#include <gtest/gtest.h>

#include "ui/preview_geometry.h"

using preview::LayoutPreview;
using preview::PainterStep;
using preview::PlanPagePainter;
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

PainterStep Copy(int sx, int sy, int w, int h, int dx, int dy) {
    PainterStep s;
    s.src = {sx, sy, sx + w, sy + h};
    s.dst = {dx, dy, dx + w, dy + h};
    return s;
}

PainterStep Stretch(Rect src, Rect dst) {
    PainterStep s;
    s.bStretch = true;
    s.src = src;
    s.dst = dst;
    return s;
}

TEST(PagePainter, SmallTargetHasCornersEdgesAndAStretchedCentre) {
    // A 10 x 12 bitmap, corner 1, into a 20 x 8 target: the middle is shorter than the bitmap's.
    const auto steps = PlanPagePainter(10, 12, 1, Rect{100, 50, 120, 58});
    const std::vector<PainterStep> expected = {
        Copy(0, 0, 1, 1, 100, 50),                              // top-left corner
        Copy(1, 0, 8, 1, 101, 50), Copy(1, 0, 8, 1, 109, 50),   // top edge
        Copy(1, 0, 2, 1, 117, 50),                              //   cut to what is left
        Copy(9, 0, 1, 1, 119, 50),                              // top-right corner
        Copy(0, 1, 1, 6, 100, 51),                              // left edge, RH = min(6, 10)
        Stretch({1, 1, 9, 11}, {101, 51, 119, 57}),             // centre
        Copy(9, 1, 1, 6, 119, 51),                              // right edge
        Copy(0, 11, 1, 1, 100, 57),                             // bottom row
        Copy(1, 11, 8, 1, 101, 57), Copy(1, 11, 8, 1, 109, 57), Copy(1, 11, 2, 1, 117, 57),
        Copy(9, 11, 1, 1, 119, 57),
    };
    EXPECT_EQ(steps, expected);
}

TEST(PagePainter, TallTargetRepeatsTheLastInnerRowBelowTheBitmapHeight) {
    // 6 x 6 bitmap, corner 1: inner 4 x 4; target 6 wide, 9 tall: MH = 7 >= 4.
    const auto steps = PlanPagePainter(6, 6, 1, Rect{0, 0, 6, 9});
    std::vector<PainterStep> strips;
    for (const PainterStep& s : steps)
        if (!s.bStretch && s.dst.top >= 5 && s.dst.bottom <= 8) strips.push_back(s);
    // Rows 5, 6 and 7 each repeat source row 4 (H - 1 - c): left piece, middle, right piece.
    ASSERT_EQ(strips.size(), 9u);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(strips[row * 3 + 0], Copy(0, 4, 1, 1, 0, 5 + row));
        EXPECT_EQ(strips[row * 3 + 1], Copy(1, 4, 4, 1, 1, 5 + row));
        EXPECT_EQ(strips[row * 3 + 2], Copy(5, 4, 1, 1, 5, 5 + row));
    }
}

TEST(PagePainter, CornerZeroUsesFiveRowStripsAndNoEdges) {
    // 4 x 8 bitmap without corners into 4 x 19: the centre, then strips of 5, 5 and 1 rows
    // taken from just above the bitmap's bottom.
    const auto steps = PlanPagePainter(4, 8, 0, Rect{0, 0, 4, 19});
    const std::vector<PainterStep> expected = {
        Stretch({0, 0, 4, 8}, {0, 0, 4, 19}),
        Copy(0, 3, 4, 5, 0, 8),
        Copy(0, 3, 4, 5, 0, 13),
        Copy(0, 7, 4, 1, 0, 18),
    };
    EXPECT_EQ(steps, expected);
}

TEST(PagePainter, ClipLeavesOutPiecesThatMissIt) {
    const Rect clip{0, 0, 3, 3};
    for (const PainterStep& s : PlanPagePainter(10, 12, 1, Rect{0, 0, 40, 40}, &clip))
        EXPECT_TRUE(s.dst.Intersects(clip));
    EXPECT_TRUE(PlanPagePainter(0, 12, 1, Rect{0, 0, 40, 40}).empty());
}

}  // namespace
