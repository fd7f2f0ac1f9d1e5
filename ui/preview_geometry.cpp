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

PreviewLayout LayoutPreview(const Rect& c, int paperWidthMM, int paperHeightMM, int orientation, int dpi) {
    auto px = [dpi](int value96) { return skin::ScaleToDpi(value96, dpi); };
    PreviewLayout p;
    const int L = c.left, T = c.top, R = c.right, B = c.bottom;
    // Three bands of 18 rows from the bottom, one row apart and one row in from the edges.
    const int edge = px(1), band = px(18), gap = px(1);
    Rect* bands[] = {&p.colourBand, &p.resolutionBand, &p.copiesBand};
    for (int k = 0; k < 3; ++k) {
        const int bottom = B - edge - k * (band + gap);
        *bands[k] = {L + edge, bottom - band, R - edge, bottom};
    }
    for (auto pair : {std::make_pair(&p.colourBand, &p.colourText), std::make_pair(&p.resolutionBand, &p.resolutionText),
                      std::make_pair(&p.copiesBand, &p.copiesText)}) {
        *pair.second = *pair.first;
        pair.second->left += px(kTextInset);
    }
    p.rangeLine = {L + edge, T + edge, R - edge, T + px(19)};
    p.paperLabel = {L + edge, p.copiesBand.top - px(29), R - edge, p.copiesBand.top - edge};

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
    const int y0 = (D - p.nPageH) / 2 + px(20);
    const int inset = px(kShadowInset), shadow = px(2);
    p.darkShadow = {x0 + inset, y0 + inset, x0 + p.nPageW - inset, y0 + p.nPageH - inset};
    p.greyShadow = Moved(p.darkShadow, -shadow, -shadow);
    p.page = Moved(p.greyShadow, -shadow, -shadow);
    return p;
}

}  // namespace preview
