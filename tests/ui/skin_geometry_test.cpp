#include "ui/skin/skin_geometry.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace skin;

namespace {

// Paints the plan into a grid of "which source pixel landed here" and counts overlaps.
struct Painted {
    int w, h;
    std::vector<Point> src;
    std::vector<int> hits;
    Painted(int w_, int h_) : w(w_), h(h_), src(w_ * h_, Point{-1, -1}), hits(w_ * h_, 0) {}
    void Apply(const std::vector<Piece>& plan) {
        for (const Piece& p : plan) Copy(p.srcX, p.srcY, p.Target());
    }
    void Apply(const std::vector<TileStep>& plan) {
        for (const TileStep& s : plan) {
            EXPECT_FALSE(s.bStretch);
            Copy(s.src.left, s.src.top, s.dst);
        }
    }
    void Copy(int srcX, int srcY, const Rect& dst) {
        for (int y = 0; y < dst.Height(); ++y)
            for (int x = 0; x < dst.Width(); ++x) {
                const int tx = dst.left + x, ty = dst.top + y;
                if (tx < 0 || ty < 0 || tx >= w || ty >= h) continue;
                src[ty * w + tx] = {srcX + x, srcY + y};
                ++hits[ty * w + tx];
            }
    }
};

}  // namespace

TEST(TilePainter, BackgroundTallerThanBitmapRepeatsItsLastFiveRows) {
    Painted out(300, 700);
    out.Apply(PlanTiles(64, 520, {0, 0, 300, 700}, 0));
    for (int y = 0; y < 700; ++y)
        for (int x = 0; x < 300; ++x) {
            ASSERT_EQ(out.hits[y * 300 + x], 1) << x << "," << y;
            const Point s = out.src[y * 300 + x];
            ASSERT_EQ(s.x, x % 64) << x << "," << y;
            ASSERT_EQ(s.y, y < 520 ? y : 515 + (y - 520) % 5) << x << "," << y;
        }
}

TEST(TilePainter, CornersStayFixedAndEdgesTile) {
    // 64 x 520 with corner 1 into 200 x 600: every pixel once, corners from the corners.
    Painted out(200, 600);
    out.Apply(PlanTiles(64, 520, {0, 0, 200, 600}, 1));
    for (int i = 0; i < 200 * 600; ++i) ASSERT_EQ(out.hits[i], 1) << i;
    EXPECT_EQ(out.src[0], (Point{0, 0}));
    EXPECT_EQ(out.src[199], (Point{63, 0}));
    EXPECT_EQ(out.src[599 * 200], (Point{0, 519}));
    EXPECT_EQ(out.src[599 * 200 + 199], (Point{63, 519}));
    EXPECT_EQ(out.src[1 * 200 + 62], (Point{62, 1})) << "inner tiles are 62 wide";
    EXPECT_EQ(out.src[1 * 200 + 63], (Point{1, 1}));
    EXPECT_EQ(out.src[1 * 200 + 199], (Point{63, 1}));
    EXPECT_EQ(out.src[530 * 200 + 5], (Point{5, 518})) << "strips of one row above the border";
}

TEST(TilePainter, PiecesOutsideTheClipAreSkipped) {
    const Rect clip{0, 0, 64, 10};
    for (const TileStep& s : PlanTiles(64, 520, {0, 0, 300, 700}, 1, &clip))
        EXPECT_TRUE(s.dst.Intersects(clip));
    EXPECT_LT(PlanTiles(64, 520, {0, 0, 300, 700}, 1, &clip).size(),
              PlanTiles(64, 520, {0, 0, 300, 700}, 1).size());
}

// The preview's page: the same bands with the centre stretched over the whole middle.
TileStep Copy(int sx, int sy, int w, int h, int dx, int dy) {
    TileStep s;
    s.src = {sx, sy, sx + w, sy + h};
    s.dst = {dx, dy, dx + w, dy + h};
    return s;
}

TileStep Stretch(Rect src, Rect dst) {
    TileStep s;
    s.bStretch = true;
    s.src = src;
    s.dst = dst;
    return s;
}

TEST(StretchedCentre, SmallTargetHasCornersEdgesAndAStretchedCentre) {
    // A 10 x 12 bitmap, corner 1, into a 20 x 8 target: the middle is shorter than the bitmap's.
    const auto steps = PlanTiles(10, 12, Rect{100, 50, 120, 58}, 1, nullptr, TileCentre::kStretched);
    const std::vector<TileStep> expected = {
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

TEST(StretchedCentre, TallTargetRepeatsTheLastInnerRowBelowTheBitmapHeight) {
    // 6 x 6 bitmap, corner 1: inner 4 x 4; target 6 wide, 9 tall: MH = 7 >= 4.
    const auto steps = PlanTiles(6, 6, Rect{0, 0, 6, 9}, 1, nullptr, TileCentre::kStretched);
    std::vector<TileStep> strips;
    for (const TileStep& s : steps)
        if (!s.bStretch && s.dst.top >= 5 && s.dst.bottom <= 8) strips.push_back(s);
    // Rows 5, 6 and 7 each repeat source row 4 (H - 1 - c): left piece, middle, right piece.
    ASSERT_EQ(strips.size(), 9u);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(strips[row * 3 + 0], Copy(0, 4, 1, 1, 0, 5 + row));
        EXPECT_EQ(strips[row * 3 + 1], Copy(1, 4, 4, 1, 1, 5 + row));
        EXPECT_EQ(strips[row * 3 + 2], Copy(5, 4, 1, 1, 5, 5 + row));
    }
}

TEST(StretchedCentre, CornerZeroUsesFiveRowStripsAndNoEdges) {
    // 4 x 8 bitmap without corners into 4 x 19: the centre, then strips of 5, 5 and 1 rows
    // taken from just above the bitmap's bottom.
    const auto steps = PlanTiles(4, 8, Rect{0, 0, 4, 19}, 0, nullptr, TileCentre::kStretched);
    const std::vector<TileStep> expected = {
        Stretch({0, 0, 4, 8}, {0, 0, 4, 19}),
        Copy(0, 3, 4, 5, 0, 8),
        Copy(0, 3, 4, 5, 0, 13),
        Copy(0, 7, 4, 1, 0, 18),
    };
    EXPECT_EQ(steps, expected);
}

TEST(StretchedCentre, ClipLeavesOutPiecesThatMissIt) {
    const Rect clip{0, 0, 3, 3};
    for (const TileStep& s : PlanTiles(10, 12, Rect{0, 0, 40, 40}, 1, &clip, TileCentre::kStretched))
        EXPECT_TRUE(s.dst.Intersects(clip));
    EXPECT_TRUE(PlanTiles(0, 12, Rect{0, 0, 40, 40}, 1, nullptr, TileCentre::kStretched).empty());
}

TEST(Frame, RegionAndCaptionButtonsOf400x300Window) {
    const auto pts = FrameRegion(400, 300);
    const std::vector<Point> expected = {
        {0, 3}, {1, 2}, {1, 1}, {2, 1}, {3, 0}, {397, 0}, {398, 1}, {399, 1}, {399, 2}, {400, 3},
        {400, 297}, {399, 297}, {399, 299}, {397, 299}, {397, 300}, {3, 300}, {3, 299}, {1, 299},
        {1, 297}, {0, 297}};
    EXPECT_EQ(std::vector<Point>(pts.begin(), pts.end()), expected);

    const Rect close = CloseButtonRect(400);
    struct { Point p; bool inside; } cases[] = {
        {{375, 5}, true}, {{389, 19}, true}, {{374, 10}, false}, {{390, 10}, false},
        {{380, 4}, false}, {{380, 20}, false}};
    for (auto& c : cases) EXPECT_EQ(close.Contains(c.p), c.inside) << c.p.x << "," << c.p.y;
    EXPECT_EQ(MinimizeButtonRect(400), (Rect{355, 5, 370, 20}));
    EXPECT_EQ(FrameClientRect({100, 50, 500, 350}), (Rect{105, 75, 495, 343}));
}

TEST(Frame, PiecesCoverTheNonClientAreaOnce) {
    Painted out(123, 97);
    out.Apply(PlanFrame(66, 52, 123, 97));
    const Rect client{5, 25, 118, 90};
    for (int y = 0; y < 97; ++y)
        for (int x = 0; x < 123; ++x)
            ASSERT_EQ(out.hits[y * 123 + x], client.Contains({x, y}) ? 0 : 1) << x << "," << y;
    EXPECT_EQ(out.src[26 * 123 + 1], (Point{1, 26}));         // left edge
    EXPECT_EQ(out.src[46 * 123 + 1], (Point{1, 26})) << "side tiles repeat every 20 rows";
    EXPECT_EQ(out.src[96 * 123 + 122], (Point{65, 51}));      // bottom-right corner
}

TEST(Frame, TitleAreaAndIconDoubleClick) {
    EXPECT_EQ(FrameTitleArea(66, 100), (Rect{5, 0, 5 + 56 * 3, 25}));
    struct { Point p; int cyFrame; bool closes; } cases[] = {
        {{10, 15}, 4, true}, {{10, 15}, 15, true}, {{10, 15}, 16, false}, {{25, 15}, 4, false},
        {{5, 24}, 4, true}, {{20, 24}, 4, true}, {{4, 10}, 4, false}, {{10, 25}, 4, false}};
    for (auto& c : cases)
        EXPECT_EQ(IsIconAreaDoubleClick(c.p, c.cyFrame), c.closes) << c.p.x << "," << c.p.y;
}

// Caption-button sequences: the pointer path and the left button, and what gets posted.
TEST(CaptionButtonsTracking, ClickRules) {
    const Point onClose{380, 10}, onMin{360, 10}, outside{200, 100};
    struct Step { Point p; bool down; };
    struct Case { const char* name; std::vector<Step> steps; std::vector<unsigned> posted; };
    const Case cases[] = {
        {"click on minimize", {{onMin, false}, {onMin, true}, {onMin, false}}, {kMsgMinFrame}},
        {"click on close", {{onClose, false}, {onClose, true}, {onClose, false}}, {kMsgClose}},
        {"press on minimize, release outside", {{onMin, false}, {onMin, true}, {outside, true},
                                                {outside, false}}, {}},
        {"press on minimize, release over close", {{onMin, false}, {onMin, true}, {onClose, true},
                                                   {onClose, false}}, {kMsgClose}},
        {"press on close, release over minimize", {{onClose, false}, {onClose, true}, {onMin, true},
                                                   {onMin, false}}, {}},
        {"press outside, release over close", {{outside, true}, {onClose, true}, {onClose, false}}, {}},
        {"hover only", {{onClose, false}, {onMin, false}, {outside, false}}, {}},
    };
    for (const Case& c : cases) {
        CaptionButtons buttons;
        buttons.Configure(203, 228);
        buttons.Layout(400);
        std::vector<unsigned> posted;
        for (const Step& s : c.steps) {
            const CaptionEffects fx = buttons.Track({s.p, true, s.down});
            if (fx.postMessage) posted.push_back(fx.postMessage);
        }
        EXPECT_EQ(posted, c.posted) << c.name;
    }
}

TEST(CaptionButtonsTracking, HoverMovesBetweenButtonsAndCaptureFollows) {
    CaptionButtons buttons;
    buttons.Configure(203, 228);
    buttons.Layout(400);
    CaptionEffects fx = buttons.Track({{380, 10}, true, false});
    EXPECT_TRUE(fx.takeCapture);
    EXPECT_EQ(fx.redrawSlots, std::vector<int>{CaptionButtons::kClose});
    EXPECT_EQ(CaptionLook(buttons.Button(CaptionButtons::kClose), buttons.CapturedBy()), 1);

    fx = buttons.Track({{360, 10}, true, false});
    EXPECT_TRUE(fx.releaseCapture);
    EXPECT_TRUE(fx.takeCapture);
    EXPECT_EQ(buttons.CapturedBy(), kMsgMinFrame);
    EXPECT_EQ(fx.redrawSlots, (std::vector<int>{CaptionButtons::kClose, CaptionButtons::kMinimize}));

    fx = buttons.Track({{360, 10}, true, true});
    EXPECT_EQ(CaptionLook(buttons.Button(CaptionButtons::kMinimize), buttons.CapturedBy()), 2);

    // Another window over the button: no hover, the capture is given up.
    fx = buttons.Track({{360, 10}, false, false});
    EXPECT_TRUE(fx.releaseCapture);
    EXPECT_EQ(fx.postMessage, 0u);
    EXPECT_EQ(buttons.CapturedBy(), 0u);

    CaptionButtons noButtons;
    noButtons.Layout(400);
    fx = noButtons.Track({{380, 10}, true, false});
    EXPECT_FALSE(fx.takeCapture) << "a frame without caption buttons never captures";
}

TEST(Centring, OverOwnerOrWorkAreaAndClamped) {
    const Rect work{0, 0, 1024, 740};
    const Rect owner{100, 100, 500, 400};
    struct Case { const char* name; const Rect* ref; int w, h; Point expected; };
    const Rect leftOwner{-300, -200, 0, 0};
    const Rect rightOwner{900, 600, 1100, 800};
    const Case cases[] = {
        {"over a visible owner", &owner, 200, 100, {200, 200}},
        {"hidden or minimized owner: work area", nullptr, 200, 100, {412, 320}},
        {"odd sizes use integer halves", nullptr, 201, 101, {412, 320}},
        {"clamped to the left and top", &leftOwner, 400, 300, {0, 0}},
        {"clamped to the right and bottom", &rightOwner, 400, 300, {624, 440}},
        {"wider than the work area: left edge", nullptr, 1200, 100, {0, 320}},
    };
    for (const Case& c : cases) {
        const Point p = CentreInWorkArea(c.w, c.h, c.ref, work);
        EXPECT_EQ(p, c.expected) << c.name << ": " << p.x << "," << p.y;
    }
    const Rect offsetWork{50, 30, 1074, 770};
    EXPECT_EQ(CentreInWorkArea(200, 100, nullptr, offsetWork), (Point{462, 350}));
}

TEST(Painters, TextColourThresholdAndButtonCells) {
    EXPECT_TRUE(UseWhiteText(128, 128, 128));   // 384
    EXPECT_FALSE(UseWhiteText(129, 128, 128));  // 385
    EXPECT_TRUE(UseWhiteText(0, 0, 0));
    EXPECT_FALSE(UseWhiteText(255, 255, 255));

    const ButtonImageIndices ix{0, 2, 1, -1};
    struct { bool pressed, checked, over, focus; int cell; } cases[] = {
        {false, false, false, false, 0}, {true, false, true, false, 2}, {false, true, false, false, 2},
        {false, true, true, false, 1}, {false, false, false, true, 1}, {false, false, true, false, 1}};
    for (auto& c : cases)
        EXPECT_EQ(SkinButtonCell(ix, c.pressed, c.checked, c.over, c.focus), c.cell)
            << c.pressed << c.checked << c.over << c.focus;
    EXPECT_EQ(SkinButtonCell(ButtonImageIndices{}, true, false, false, false), 0) << "-1 falls back";

    for (unsigned ch : {unsigned('0'), unsigned('5'), unsigned('9'), 8u}) EXPECT_TRUE(IsNumericEditChar(ch)) << ch;
    for (char ch : {'a', '-', ' ', '/', ':'}) EXPECT_FALSE(IsNumericEditChar(unsigned(ch))) << ch;
}

TEST(Painters, TabPiecesReachTheBottomWithoutABorder) {
    const auto pieces = PlanTab(108, 27, 1, 3, {10, 2, 101, 29});
    EXPECT_EQ(pieces[0].dst, (Rect{10, 2, 11, 5}));
    EXPECT_EQ(pieces[1].src, (Rect{1, 0, 107, 3}));
    EXPECT_EQ(pieces[1].dst, (Rect{11, 2, 100, 5}));
    EXPECT_EQ(pieces[2].dst, (Rect{100, 2, 101, 5}));
    EXPECT_EQ(pieces[3].dst, (Rect{10, 5, 11, 29}));
    EXPECT_EQ(pieces[4].src, (Rect{107, 3, 108, 27}));
    EXPECT_EQ(pieces[5].src, (Rect{1, 3, 107, 26})) << "middle source height H - L - T";
    EXPECT_EQ(pieces[5].dst, (Rect{11, 5, 100, 29}));
}

// What a 96-DPI design becomes at each DPI: frame metrics, the bitmap set it is
// drawn from and the size it is brought to. 96 must be today's numbers.
TEST(DpiScale, MetricsAndBitmapChoicePerDpi) {
    struct Case {
        int dpi;
        int set;                 // index into kSkinSetDpis
        Rect client, close;      // of a 400 x 300 window
        Point titleOrigin;
        PixelSize strip, frame; // caption strip (3 cells of 15 x 15), frame 66 x 52
    };
    const Case cases[] = {
        {72, 0, {4, 19, 396, 295}, {381, 4, 392, 15}, {20, 5}, {33, 11}, {50, 39}},
        {96, 0, {5, 25, 395, 293}, {375, 5, 390, 20}, {26, 6}, {45, 15}, {66, 52}},
        {120, 1, {6, 31, 394, 291}, {369, 6, 388, 25}, {33, 8}, {57, 19}, {83, 65}},
        {144, 1, {8, 38, 392, 289}, {362, 8, 385, 31}, {39, 9}, {69, 23}, {99, 78}},
        {192, 2, {10, 50, 390, 286}, {350, 10, 380, 40}, {52, 12}, {90, 30}, {132, 104}},
        {288, 2, {10, 50, 390, 286}, {350, 10, 380, 40}, {52, 12}, {90, 30}, {132, 104}},  // skin stays at 200 %
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        EXPECT_EQ(SkinSetFor(c.dpi), c.set);
        EXPECT_EQ(FrameClientRect({0, 0, 400, 300}, c.dpi), c.client);
        EXPECT_EQ(CloseButtonRect(400, c.dpi), c.close);
        EXPECT_EQ(FrameTitleOrigin(c.dpi), c.titleOrigin);
        EXPECT_EQ(ScaledBitmapSize({45, 15}, 3, c.dpi), c.strip);
        EXPECT_EQ(ScaledBitmapSize({66, 52}, 1, c.dpi), c.frame);
        // The drawn set is never smaller than what is asked for: only shrinking.
        EXPECT_GE(kSkinSetDpis[c.set], SkinDpi(c.dpi));
    }
    // Shrinking averages the area under each pixel and keeps cells apart:
    // two 3 x 1 cells (black | white) to two 2 x 1 cells.
    const std::uint8_t src[18] = {0, 0, 0, 0, 0, 0, 90, 90, 90, 255, 255, 255, 255, 255, 255, 255, 255, 255};
    std::uint8_t dst[12] = {};
    ShrinkPixels(src, {6, 1}, 18, dst, {4, 1}, 12, 2);
    const std::uint8_t expected[12] = {0, 0, 0, 60, 60, 60, 255, 255, 255, 255, 255, 255};
    EXPECT_EQ(std::vector<std::uint8_t>(dst, dst + 12), std::vector<std::uint8_t>(expected, expected + 12));
    // The key colour is no colour: key, key, 90 gives key, 90 (no pink fringe).
    const std::uint8_t keyed[9] = {255, 0, 255, 255, 0, 255, 90, 90, 90};
    ShrinkPixels(keyed, {3, 1}, 9, dst, {2, 1}, 6, 1);
    EXPECT_EQ(std::vector<std::uint8_t>(dst, dst + 6), (std::vector<std::uint8_t>{255, 0, 255, 90, 90, 90}));
}
