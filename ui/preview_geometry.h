// Geometry of the settings preview: the three bands, the range line, the paper
// label, the scaled page with its two shadows, and the page painter that draws
// the page bitmap into its rectangle. Plain values; settings_preview.cpp draws them.
#pragma once
#include <vector>

#include "ui/skin/skin_geometry.h"

namespace preview {

using skin::Rect;

struct PreviewLayout {
    Rect colourBand, resolutionBand, copiesBand;  // filled bands at the bottom
    Rect colourText, resolutionText, copiesText;  // the bands with a 5-pixel inset
    Rect rangeLine;                               // the print range at the top
    Rect paperLabel;                              // the paper size's label
    int nHeight = 0;                              // D: room for the page picture
    int nWidth = 0;                               // W
    double fScale = 0;                            // pixels per millimetre
    int nPageW = 0, nPageH = 0;                   // pw, ph
    Rect darkShadow, greyShadow, page;            // drawn in this order
};

// `client` is the panel's client rectangle; paper size in millimetres; any
// orientation other than 0 is landscape (width and height exchanged).
PreviewLayout LayoutPreview(const Rect& client, int paperWidthMM, int paperHeightMM, int orientation);

// One step of the page painter: a 1:1 copy (src and dst of the same size) or the
// stretched centre.
struct PainterStep {
    bool bStretch = false;
    Rect src, dst;
    bool operator==(const PainterStep& o) const {
        return bStretch == o.bStretch && src == o.src && dst == o.dst;
    }
};

// The page painter for a W x H bitmap with corner size c into `target`: corners
// and edges 1:1, the centre stretched, and below a bitmap-high centre the last
// inner rows repeated in strips. Steps outside `clip` (when given) are left out.
std::vector<PainterStep> PlanPagePainter(int bitmapW, int bitmapH, int corner, const Rect& target,
                                         const Rect* clip = nullptr);

}  // namespace preview
