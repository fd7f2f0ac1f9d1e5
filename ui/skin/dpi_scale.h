// How big things are at a screen's DPI. Sizes in the code are written for
// 96 DPI and pass through here; the skin bitmaps are drawn for three scales
// and the nearest one that is not smaller is taken, shrunk when needed, never
// stretched up. Plain values; window_dpi.h asks Windows for a window's DPI.
#pragma once
#include <cstdint>

namespace skin {

constexpr int kBaseDpi = 96;

// A 96-DPI length at `dpi`, rounded half away from zero as MulDiv rounds.
int ScaleToDpi(int value96, int dpi);

// The skin is drawn for 100 %, 150 % and 200 %; above 200 % it stays at 200 %
// (frame metrics and bitmaps alike), since a bitmap is never stretched up.
constexpr int kSkinSetDpis[] = {96, 144, 192};
int SkinDpi(int dpi);

// The drawn set a bitmap at `dpi` comes from: the exact one, else the next
// larger one, to be shrunk. Index into kSkinSetDpis.
int SkinSetFor(int dpi);

// A bitmap drawn at 96 DPI as `cells` equal cells side by side, at `dpi`: each
// cell is scaled, so the cells stay equal.
struct PixelSize {
    int w = 0, h = 0;
    bool operator==(const PixelSize& o) const { return w == o.w && h == o.h; }
};
PixelSize ScaledBitmapSize(PixelSize size96, int cells, int dpi);

// The colour of the pixels that pieces drawn transparently leave out (magenta,
// in the byte order of a 24-bit bitmap: blue, green, red).
constexpr std::uint8_t kSkinKeyBgr[3] = {255, 0, 255};

// Shrinks a 24-bit pixel block (rows of `stride` bytes, top-down) by averaging
// the source area under each target pixel (a box filter with fractional
// edges), cell by cell so no colour bleeds between cells. Key-coloured pixels
// take no part: a target pixel mostly over them is the key colour itself.
void ShrinkPixels(const std::uint8_t* src, PixelSize srcSize, int srcStride, std::uint8_t* dst,
                  PixelSize dstSize, int dstStride, int cells);

}  // namespace skin
