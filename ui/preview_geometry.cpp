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

}  // namespace preview
