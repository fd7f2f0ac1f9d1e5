#include "ui/preview_geometry.h"

#include <algorithm>
#include <utility>

namespace preview {

namespace {

constexpr int kTextInset = 5;
constexpr int kTallestMM = 297;   // shorter papers share the scale at which A4 fills the room
constexpr int kShadowInset = 6;

Rect Moved(const Rect& r, int dx, int dy) { return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

}  // namespace

PreviewLayout LayoutPreview(const Rect& c, int paperWidthMM, int paperHeightMM, int orientation) {
    PreviewLayout p;
    const int L = c.left, T = c.top, R = c.right, B = c.bottom;
    p.colourBand = {L + 1, B - 19, R - 1, B - 1};
    p.resolutionBand = {L + 1, B - 38, R - 1, B - 20};
    p.copiesBand = {L + 1, B - 57, R - 1, B - 39};
    for (auto pair : {std::make_pair(&p.colourBand, &p.colourText), std::make_pair(&p.resolutionBand, &p.resolutionText),
                      std::make_pair(&p.copiesBand, &p.copiesText)}) {
        *pair.second = *pair.first;
        pair.second->left += kTextInset;
    }
    p.rangeLine = {L + 1, T + 1, R - 1, T + 19};
    p.paperLabel = {L + 1, p.copiesBand.top - 29, R - 1, p.copiesBand.top - 1};

    const int D = p.paperLabel.top - p.rangeLine.bottom - T - 2;
    const int W = R - L - 2;
    p.nHeight = D;
    p.nWidth = W;
    if (paperWidthMM <= 0 || paperHeightMM <= 0) return p;  // nothing to scale

    // The fixed scale is D times the single-precision 1/297; a taller paper fills D.
    const double byPaper = static_cast<double>(D) / paperHeightMM;
    const double byA4 = static_cast<double>(D) * static_cast<double>(1.0f / kTallestMM);
    p.fScale = std::min(byPaper, byA4);
    const double w = paperWidthMM * p.fScale, h = paperHeightMM * p.fScale;
    p.nPageW = static_cast<int>(orientation == 0 ? w : h);
    p.nPageH = static_cast<int>(orientation == 0 ? h : w);
    const int x0 = (W - p.nPageW) / 2;
    const int y0 = (D - p.nPageH) / 2 + 20;
    p.darkShadow = {x0 + kShadowInset, y0 + kShadowInset, x0 + p.nPageW - kShadowInset, y0 + p.nPageH - kShadowInset};
    p.greyShadow = Moved(p.darkShadow, -2, -2);
    p.page = Moved(p.greyShadow, -2, -2);
    return p;
}

std::vector<PainterStep> PlanPagePainter(int W, int H, int c, const Rect& t, const Rect* clip) {
    std::vector<PainterStep> out;
    if (W <= 0 || H <= 0 || c < 0 || 2 * c >= W || 2 * c >= H) return out;
    auto copy = [&](int srcX, int srcY, int w, int h, int dstX, int dstY) {
        if (w <= 0 || h <= 0) return;
        PainterStep s;
        s.src = {srcX, srcY, srcX + w, srcY + h};
        s.dst = {dstX, dstY, dstX + w, dstY + h};
        if (clip && !s.dst.Intersects(*clip)) return;
        out.push_back(s);
    };
    const int TW = W - 2 * c;
    const int x1 = t.left + c, x2 = t.right - c, y1 = t.top + c, y2 = t.bottom - c;
    const int MW = x2 - x1, MH = y2 - y1;
    const int RH = std::min(MH, H - 2 * c);
    // A run of pieces of the bitmap's inner width along one row, the last one cut.
    auto run = [&](int srcY, int h, int dstY) {
        for (int x = x1; x < x2; x += TW) copy(c, srcY, std::min(TW, x2 - x), h, x, dstY);
    };

    if (c > 0) {
        copy(0, 0, c, c, t.left, t.top);
        run(0, c, t.top);
        copy(W - c, 0, c, c, x2, t.top);
        copy(0, c, c, RH, t.left, y1);
    }
    if (MW > 0 && MH > 0) {
        PainterStep s;
        s.bStretch = true;
        s.src = {c, c, c + TW, c + (H - 2 * c)};
        s.dst = {x1, y1, x2, y2};
        if (!clip || s.dst.Intersects(*clip)) out.push_back(s);
    }
    if (c > 0) copy(W - c, c, c, RH, x2, y1);
    if (MH >= H - 2 * c) {
        // Below a bitmap-high centre, the rows just above the bottom border repeat.
        const int strip = c > 0 ? c : 5;
        for (int y = y1 + (H - 2 * c); y < y2;) {
            const int h = std::min(strip, y2 - y);
            const int srcY = H - h - c;
            if (c > 0) copy(0, srcY, c, h, t.left, y);
            run(srcY, h, y);
            if (c > 0) copy(W - c, srcY, c, h, x2, y);
            y += h;
        }
    }
    if (c > 0) {
        copy(0, H - c, c, c, t.left, y2);
        run(H - c, c, y2);
        copy(W - c, H - c, c, c, x2, y2);
    }
    return out;
}

}  // namespace preview
