// Geometry of the settings preview: the three bands, the range line, the paper
// label and the scaled page with its two shadows. Plain values;
// settings_preview.cpp draws them (the page bitmap with the skin's tile painter).
#pragma once

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
// orientation other than 0 is landscape (width and height exchanged); the
// bands and margins are 96-DPI sizes scaled to `dpi` like the panel's font.
PreviewLayout LayoutPreview(const Rect& client, int paperWidthMM, int paperHeightMM, int orientation,
                            int dpi = skin::kBaseDpi);

}  // namespace preview
