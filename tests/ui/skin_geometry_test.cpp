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
        for (const Piece& p : plan)
            for (int y = 0; y < p.h; ++y)
                for (int x = 0; x < p.w; ++x) {
                    const int tx = p.dstX + x, ty = p.dstY + y;
                    if (tx < 0 || ty < 0 || tx >= w || ty >= h) continue;
                    src[ty * w + tx] = {p.srcX + x, p.srcY + y};
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
    for (const Piece& p : PlanTiles(64, 520, {0, 0, 300, 700}, 1, &clip))
        EXPECT_TRUE(p.Target().Intersects(clip));
    EXPECT_LT(PlanTiles(64, 520, {0, 0, 300, 700}, 1, &clip).size(),
              PlanTiles(64, 520, {0, 0, 300, 700}, 1).size());
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
