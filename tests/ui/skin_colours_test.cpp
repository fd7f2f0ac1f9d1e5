// Contrast of every text the skin draws, and the colours chosen in high contrast.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "ui/skin/skin_colours.h"
#include "ui/skin/skin_geometry.h"

namespace {

using skin::Rgb;

// Ratios published with WCAG 2.1's definition (1:1 to 21:1) and, for the grey,
// red and blue, the figures contrast checkers print for the same formula.
TEST(SkinColours, ContrastRatioMatchesPublishedFigures) {
    const struct {
        Rgb a, b;
        double ratio;
    } cases[] = {
        {{0, 0, 0}, {255, 255, 255}, 21.0},    {{255, 255, 255}, {0, 0, 0}, 21.0},
        {{119, 119, 119}, {255, 255, 255}, 4.48}, {{118, 118, 118}, {255, 255, 255}, 4.54},
        {{255, 0, 0}, {255, 255, 255}, 4.00},  {{0, 0, 255}, {255, 255, 255}, 8.59},
        {{40, 120, 200}, {40, 120, 200}, 1.0},
    };
    for (const auto& c : cases) EXPECT_NEAR(skin::ContrastRatio(c.a, c.b), c.ratio, 0.005) << c.a.r << "," << c.b.r;
    EXPECT_NEAR(skin::RelativeLuminance({255, 255, 255}), 1.0, 1e-9);
    EXPECT_NEAR(skin::RelativeLuminance({0, 0, 0}), 0.0, 1e-9);
}

double Needed(const skin::TextPair& pair) { return pair.large ? 3.0 : 4.5; }

// The Windows high-contrast schemes (Control Panel\Colors of "High Contrast
// Black" and "High Contrast White") and the Wine prefix's default colours.
const struct {
    const char* name;
    skin::SystemColours colours;
} kSchemes[] = {
    {"black", {{0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {255, 255, 255}, {26, 235, 255}, {0, 0, 0}, {63, 242, 63}}},
    {"white", {{255, 255, 255}, {0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {55, 0, 110}, {255, 255, 255}, {96, 0, 0}}},
};

TEST(SkinColours, EveryTextReadableInTheSkinAndInHighContrast) {
    const skin::Palette own = skin::SkinPalette();
    EXPECT_TRUE(own.bitmaps);
    for (std::size_t i = 0; i < skin::kTextPairCount; ++i) {
        const skin::TextPair& pair = skin::kTextPairs[i];
        EXPECT_GE(skin::ContrastRatio(own.*pair.text, own.*pair.surface), Needed(pair)) << "skin: " << pair.what;
    }
    for (const auto& scheme : kSchemes) {
        const skin::Palette p = skin::ChoosePalette(true, scheme.colours);
        EXPECT_FALSE(p.bitmaps) << scheme.name;
        const skin::SystemColours& s = scheme.colours;
        const Rgb system[] = {s.window, s.windowText, s.buttonFace, s.buttonText, s.highlight, s.highlightText,
                              s.grayText};
        for (std::size_t i = 0; i < skin::kTextPairCount; ++i) {
            const skin::TextPair& pair = skin::kTextPairs[i];
            SCOPED_TRACE(std::string(scheme.name) + ": " + pair.what);
            EXPECT_GE(skin::ContrastRatio(p.*pair.text, p.*pair.surface), Needed(pair));
            // Nothing of the skin's own colours is left: each one is the system's.
            for (Rgb colour : {p.*pair.text, p.*pair.surface}) {
                bool found = false;
                for (const Rgb& c : system) found = found || c == colour;
                EXPECT_TRUE(found);
            }
        }
        // The selection, a pressed button and the active caption stand out from the page.
        EXPECT_EQ(p.listSelected, s.highlight);
        EXPECT_EQ(p.buttonPressed, s.highlight);
        EXPECT_EQ(p.caption, s.highlight);
        EXPECT_NE(p.focus, p.button);
    }
    EXPECT_EQ(skin::ChoosePalette(false, kSchemes[0].colours).previewBand, own.previewBand);
}

// A 24-bit bottom-up BMP as tools/make_skin.py writes it.
struct Bitmap {
    int w = 0, h = 0;
    std::vector<std::uint8_t> data;
    Rgb At(int x, int y) const {
        const int stride = (w * 3 + 3) & ~3;
        const std::uint8_t* p = &data[static_cast<std::size_t>(h - 1 - y) * stride + x * 3];
        return {p[2], p[1], p[0]};
    }
};

Bitmap LoadBitmap(int id) {
    const char* root = std::getenv("ORVANE_SOURCE_DIR");
    const std::string path = std::string(root ? root : ORVANE_SOURCE_DIR) + "/resources/bitmaps/" +
                             std::to_string(id) + ".bmp";
    std::ifstream f(path, std::ios::binary);
    std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    Bitmap b;
    if (file.size() < 54 || file[0] != 'B' || file[28] != 24) return b;
    auto u32 = [&](std::size_t at) { return file[at] | file[at + 1] << 8 | file[at + 2] << 16 | file[at + 3] << 24; };
    b.w = static_cast<int>(u32(18));
    b.h = static_cast<int>(u32(22));
    b.data.assign(file.begin() + u32(10), file.end());
    return b;
}

// The texts drawn on the skin's pictures: the area a text can cover and its
// colour (black, white, or chosen from the face as the button does).
TEST(SkinColours, TextsOnTheSkinPicturesReadable) {
    enum Ink { kBlackInk, kWhiteInk, kChosenByFace };
    const struct {
        const char* what;
        int bitmap, x0, y0, x1, y1;  // x1, y1 exclusive
        Ink ink;
        bool large;
    } areas[] = {
        {"button at rest", 212, 2, 3, 28, 22, kChosenByFace, false},
        {"button hovered or focused", 212, 32, 3, 58, 22, kChosenByFace, false},
        {"button pressed", 212, 62, 3, 88, 22, kChosenByFace, false},
        {"list header", 214, 2, 2, 62, 19, kWhiteInk, false},
        {"selected tab", 207, 1, 3, 107, 27, kBlackInk, false},
        {"other tab", 208, 1, 3, 107, 26, kBlackInk, false},
        {"active caption", 201, 5, 2, 61, 24, kBlackInk, false},
        {"inactive caption", 202, 5, 2, 61, 24, kBlackInk, false},
        {"dialog background", 210, 0, 0, 64, 520, kBlackInk, false},
        {"splash title", 229, 65, 118, 346, 150, kBlackInk, true},
        {"splash version", 229, 275, 258, 405, 275, kBlackInk, false},
    };
    for (const auto& a : areas) {
        SCOPED_TRACE(a.what);
        const Bitmap b = LoadBitmap(a.bitmap);
        ASSERT_GE(b.w, a.x1);
        ASSERT_GE(b.h, a.y1);
        Rgb ink{0, 0, 0};
        if (a.ink == kWhiteInk) ink = {255, 255, 255};
        if (a.ink == kChosenByFace) {
            // Sampled where the button samples it: (corner size, corner size) of the cell.
            const Rgb face = b.At(a.x0, 2);
            if (skin::UseWhiteText(face.r, face.g, face.b)) ink = {255, 255, 255};
        }
        double worst = 21.0;
        for (int y = a.y0; y < a.y1; ++y)
            for (int x = a.x0; x < a.x1; ++x) worst = std::min(worst, skin::ContrastRatio(ink, b.At(x, y)));
        EXPECT_GE(worst, a.large ? 3.0 : 4.5);
    }
}

}  // namespace
