#include "ui/skin/dpi_scale.h"

#include <algorithm>
#include <vector>

namespace skin {

int ScaleToDpi(int value, int dpi) {
    const long long n = static_cast<long long>(value) * dpi;
    return static_cast<int>(n >= 0 ? (n + kBaseDpi / 2) / kBaseDpi : -((-n + kBaseDpi / 2) / kBaseDpi));
}

int SkinDpi(int dpi) { return std::min(dpi, kSkinSetDpis[2]); }

int SkinSetFor(int dpi) {
    const int want = SkinDpi(dpi);
    int i = 0;
    while (kSkinSetDpis[i] < want) ++i;
    return i;
}

PixelSize ScaledBitmapSize(PixelSize size, int cells, int dpi) {
    const int n = std::max(cells, 1);
    return {n * ScaleToDpi(size.w / n, SkinDpi(dpi)), ScaleToDpi(size.h, SkinDpi(dpi))};
}

namespace {

// Weights of the source pixels under each target pixel along one axis, in
// 1/256 of a pixel (fixed point keeps it exact and fast enough).
struct Span {
    int first = 0;
    std::vector<int> weights;
};

std::vector<Span> Spans(int srcLen, int dstLen) {
    std::vector<Span> out(dstLen);
    for (int d = 0; d < dstLen; ++d) {
        // Target pixel d covers source [d * srcLen / dstLen, (d + 1) * srcLen / dstLen), in units of 1/dstLen.
        const long long a = static_cast<long long>(d) * srcLen, b = static_cast<long long>(d + 1) * srcLen;
        Span& s = out[d];
        s.first = static_cast<int>(a / dstLen);
        for (long long x = s.first; x * dstLen < b; ++x) {
            const long long lo = std::max(a, x * dstLen), hi = std::min(b, (x + 1) * dstLen);
            s.weights.push_back(static_cast<int>((hi - lo) * 256 / srcLen));
        }
    }
    return out;
}

bool IsKey(const std::uint8_t* bgr) {
    return bgr[0] == kSkinKeyBgr[0] && bgr[1] == kSkinKeyBgr[1] && bgr[2] == kSkinKeyBgr[2];
}

}  // namespace

void ShrinkPixels(const std::uint8_t* src, PixelSize srcSize, int srcStride, std::uint8_t* dst, PixelSize dstSize,
                  int dstStride, int cells) {
    const int n = std::max(cells, 1);
    const int srcCell = srcSize.w / n, dstCell = dstSize.w / n;
    if (srcCell <= 0 || dstCell <= 0 || srcSize.h <= 0 || dstSize.h <= 0) return;
    const std::vector<Span> xs = Spans(srcCell, dstCell), ys = Spans(srcSize.h, dstSize.h);
    for (int y = 0; y < dstSize.h; ++y) {
        const Span& sy = ys[y];
        for (int cell = 0; cell < n; ++cell) {
            for (int x = 0; x < dstCell; ++x) {
                const Span& sx = xs[x];
                long long sum[3] = {0, 0, 0}, total = 0, keyed = 0;
                for (size_t j = 0; j < sy.weights.size(); ++j) {
                    const std::uint8_t* row = src + static_cast<long long>(sy.first + j) * srcStride;
                    for (size_t i = 0; i < sx.weights.size(); ++i) {
                        const long long w = static_cast<long long>(sy.weights[j]) * sx.weights[i];
                        const std::uint8_t* p = row + 3 * (cell * srcCell + sx.first + static_cast<int>(i));
                        if (IsKey(p)) {
                            keyed += w;
                            continue;
                        }
                        for (int c = 0; c < 3; ++c) sum[c] += w * p[c];
                        total += w;
                    }
                }
                std::uint8_t* q = dst + static_cast<long long>(y) * dstStride + 3 * (cell * dstCell + x);
                // Mostly transparent stays transparent; the rest takes only the picture's own colours.
                for (int c = 0; c < 3; ++c)
                    q[c] = keyed >= total ? kSkinKeyBgr[c] : static_cast<std::uint8_t>((sum[c] + total / 2) / total);
            }
        }
    }
}

}  // namespace skin
