// Geometry of the skin: which piece of which bitmap goes where, the frame's
// region and caption buttons, centring, and the small decisions the painters
// make. Plain values only; the GDI code in this folder draws what these say.
#pragma once
#include <array>
#include <functional>
#include <vector>

#include "ui/skin/dpi_scale.h"

namespace skin {

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool Intersects(const Rect& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// One 1:1 block copy: a w x h piece from (srcX, srcY) of the bitmap to (dstX, dstY).
struct Piece {
    int dstX, dstY, w, h, srcX, srcY;
    Rect Target() const { return {dstX, dstY, dstX + w, dstY + h}; }
};

// One stretched copy: source rectangle onto target rectangle (x, y, width, height).
struct StretchPiece {
    Rect src, dst;
};

// One step of the tile painter: a 1:1 copy (src and dst of one size) or the
// stretched centre.
struct TileStep {
    bool bStretch = false;
    Rect src, dst;
    bool operator==(const TileStep& o) const { return bStretch == o.bStretch && src == o.src && dst == o.dst; }
};

// The centre of a tiled bitmap: repeated 1:1 like the edges, or stretched over
// the whole middle (the preview's page).
enum class TileCentre { kTiled, kStretched };

// Tile painter: a W x H bitmap over `target` with fixed corners of size `corner`,
// band by band from the top: corners 1:1, edges (and a tiled centre) repeated
// 1:1 with the last one of a run cut. Below a bitmap-high middle the rows just
// above the bottom border repeat in strips of `corner` rows (5 without corners),
// over a stretched centre too. Steps outside `clip` are left out; a bitmap no
// larger than its two corners gives none.
std::vector<TileStep> PlanTiles(int bitmapW, int bitmapH, const Rect& target, int corner,
                                const Rect* clip = nullptr, TileCentre centre = TileCentre::kTiled);

// ---- Window frame ----
// Metrics are 96-DPI numbers; every function below takes the window's DPI and
// scales them with the skin (SkinDpi), like the frame bitmap it draws from.
constexpr int kFrameLeft = 5, kFrameTop = 25, kFrameRight = 5, kFrameBottom = 7;
constexpr int kCaptionButtonSize = 15;
constexpr unsigned kMsgClose = 0x0010;     // WM_CLOSE
constexpr unsigned kMsgMinFrame = 0x046E;  // WM_MINFRAME, private

// A skin length (frame, corners, pictures) at the window's DPI: scaled as the bitmaps are.
int SkinPx(int value96, int dpi);

// Client rectangle inside a window rectangle.
Rect FrameClientRect(const Rect& window, int dpi = kBaseDpi);

// The 20-point polygon of a W x H window: a rectangle with cut corners.
std::array<Point, 20> FrameRegion(int w, int h, int dpi = kBaseDpi);

Rect CloseButtonRect(int windowW, int dpi = kBaseDpi);
Rect MinimizeButtonRect(int windowW, int dpi = kBaseDpi);

// Pieces of a FW x FH frame bitmap (drawn for `dpi`) over a W x H window (top
// row, sides, bottom row); window coordinates.
std::vector<Piece> PlanFrame(int frameW, int frameH, int windowW, int windowH, int dpi = kBaseDpi);
// The window icon: 16 x 17 from (5, 25) of the frame bitmap, drawn transparently at (5, 4).
Piece FrameIconPiece(int dpi = kBaseDpi);

// The caption text area that must intersect the update region for the title to be drawn.
Rect FrameTitleArea(int frameW, int textWidth, int dpi = kBaseDpi);
Point FrameTitleOrigin(int dpi = kBaseDpi);
// The caption font's height in pixels.
inline int FrameTitleFontHeight(int dpi = kBaseDpi) { return SkinPx(15, dpi); }

// A double click at this window point closes the window (the icon area).
bool IsIconAreaDoubleClick(Point windowPoint, int systemFrameHeight, int dpi = kBaseDpi);

// Client point of a frame window as window point (client + frame borders).
inline Point ClientToFramePoint(Point client, int dpi = kBaseDpi) {
    return {client.x + SkinPx(kFrameLeft, dpi), client.y + SkinPx(kFrameTop, dpi)};
}

// ---- Caption buttons ----
struct CaptionButton {
    Rect rect;
    unsigned message = 0;
    int bitmapId = 0;  // 0 = slot not used
    bool hover = false;
    bool pressed = false;
};

// What one mouse event does to the buttons of one frame.
struct MouseEvent {
    Point windowPoint;
    bool windowUnderPointerIsThis = true;
    bool leftButtonDown = false;
};

struct CaptionEffects {
    bool takeCapture = false;
    bool releaseCapture = false;
    unsigned postMessage = 0;          // 0 = nothing posted; kMsgMinFrame means minimize
    std::vector<int> redrawSlots;      // buttons whose look changed
};

// Look of a button: 0 normal, 1 hover, 2 pressed.
int CaptionLook(const CaptionButton& b, unsigned capturedBy);

class CaptionButtons {
public:
    enum Slot { kClose = 0, kMinimize = 1, kSlots = 2 };
    CaptionButtons();
    void Configure(int closeBitmap, int minimizeBitmap);
    void Layout(int windowW, int dpi = kBaseDpi);  // rectangles from the window width
    // `releaseNow`, when given, gives the capture up at once, inside the button
    // that loses it and before the next button is looked at: releasing re-enters
    // the tracking (WM_CAPTURECHANGED), which must see the buttons as they are then.
    CaptionEffects Track(const MouseEvent& e, const std::function<void()>& releaseNow = nullptr);
    const CaptionButton& Button(int slot) const { return m_buttons[slot]; }
    unsigned CapturedBy() const { return m_capturedBy; }

private:
    std::array<CaptionButton, kSlots> m_buttons;
    unsigned m_capturedBy = 0;
};

// ---- Centring ----
// New top-left of a window of the given size: centred over `reference` (nullptr
// = the work area) and clamped to the work area.
Point CentreInWorkArea(int width, int height, const Rect* reference, const Rect& workArea);

// ---- Painter decisions ----
// Button text colour: white for a face whose sampled pixel sums to 384 or less.
inline bool UseWhiteText(int r, int g, int b) { return r + g + b <= 384; }

struct ButtonImageIndices {
    int normal = -1, pushed = -1, focusOrHover = -1, disabled = -1;
};
// Cell of a skinned button in skin mode (enabled state does not change the look).
int SkinButtonCell(const ButtonImageIndices& ix, bool pressed, bool checked, bool mouseOver, bool focus);

// Six stretched pieces of a tab bitmap (W x H) into a tab item rectangle.
std::array<StretchPiece, 6> PlanTab(int bitmapW, int bitmapH, int cornerW, int cornerH, const Rect& item);

// The characters the numeric edit lets through.
inline bool IsNumericEditChar(unsigned ch) { return (ch >= '0' && ch <= '9') || ch == 8; }

}  // namespace skin
