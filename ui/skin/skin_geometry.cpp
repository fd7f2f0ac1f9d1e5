#include "ui/skin/skin_geometry.h"

#include <algorithm>

namespace skin {
namespace {

void Add(std::vector<Piece>& out, const Rect* clip, Piece p) {
    if (p.w <= 0 || p.h <= 0) return;
    if (clip && !p.Target().Intersects(*clip)) return;
    out.push_back(p);
}

void AddStep(std::vector<TileStep>& out, const Rect* clip, const TileStep& step) {
    if (step.dst.Empty()) return;
    if (clip && !step.dst.Intersects(*clip)) return;
    out.push_back(step);
}

void AddCopy(std::vector<TileStep>& out, const Rect* clip, int srcX, int srcY, int w, int h, int dstX, int dstY) {
    TileStep step;
    step.src = {srcX, srcY, srcX + w, srcY + h};
    step.dst = {dstX, dstY, dstX + w, dstY + h};
    AddStep(out, clip, step);
}

// One horizontal band: left edge, a run of tiles (or `centre` instead), right edge.
void AddBand(std::vector<TileStep>& out, const Rect* clip, int bitmapW, const Rect& target, int corner, int dstY,
             int h, int srcY, const TileStep* centre = nullptr) {
    const int tileW = bitmapW - 2 * corner;
    if (corner > 0) AddCopy(out, clip, 0, srcY, corner, h, target.left, dstY);
    if (centre) {
        AddStep(out, clip, *centre);
    } else {
        for (int x = target.left + corner; x < target.right - corner; x += tileW)
            AddCopy(out, clip, corner, srcY, std::min(tileW, target.right - corner - x), h, x, dstY);
    }
    if (corner > 0) AddCopy(out, clip, bitmapW - corner, srcY, corner, h, target.right - corner, dstY);
}

}  // namespace

std::vector<TileStep> PlanTiles(int bitmapW, int bitmapH, const Rect& target, int corner, const Rect* clip,
                                TileCentre centre) {
    std::vector<TileStep> out;
    const int c = corner;
    if (bitmapW <= 2 * c || bitmapH <= 2 * c || c < 0 || target.Empty()) return out;
    const int tileH = bitmapH - 2 * c;
    if (c > 0) AddBand(out, clip, bitmapW, target, c, target.top, c, 0);
    const int space = target.Height() - 2 * c;
    const int band = std::min(space, tileH);
    if (band > 0) {
        TileStep stretched;
        stretched.bStretch = true;
        stretched.src = {c, c, bitmapW - c, bitmapH - c};
        stretched.dst = {target.left + c, target.top + c, target.right - c, target.bottom - c};
        AddBand(out, clip, bitmapW, target, c, target.top + c, band, c,
                centre == TileCentre::kStretched ? &stretched : nullptr);
        if (band == tileH && space > tileH) {
            // Taller than the bitmap: continue with its last rows above the bottom border.
            const int strip = c > 0 ? c : 5;
            for (int y = target.top + c + tileH; y < target.bottom - c; y += strip) {
                const int g = std::min(strip, target.bottom - c - y);
                AddBand(out, clip, bitmapW, target, c, y, g, bitmapH - c - g);
            }
        }
    }
    if (c > 0) AddBand(out, clip, bitmapW, target, c, target.bottom - c, c, bitmapH - c);
    return out;
}

int SkinPx(int value96, int dpi) { return ScaleToDpi(value96, SkinDpi(dpi)); }

Rect FrameClientRect(const Rect& w, int dpi) {
    return {w.left + SkinPx(kFrameLeft, dpi), w.top + SkinPx(kFrameTop, dpi), w.right - SkinPx(kFrameRight, dpi),
            w.bottom - SkinPx(kFrameBottom, dpi)};
}

std::array<Point, 20> FrameRegion(int W, int H, int dpi) {
    const int a = SkinPx(1, dpi), b = SkinPx(2, dpi), c = SkinPx(3, dpi);
    return {{{0, c}, {a, b}, {a, a}, {b, a}, {c, 0}, {W - c, 0}, {W - b, a}, {W - a, a}, {W - a, b},
             {W, c}, {W, H - c}, {W - a, H - c}, {W - a, H - a}, {W - c, H - a}, {W - c, H},
             {c, H}, {c, H - a}, {a, H - a}, {a, H - c}, {0, H - c}}};
}

Rect CloseButtonRect(int W, int dpi) {
    return {W - SkinPx(25, dpi), SkinPx(5, dpi), W - SkinPx(25, dpi) + SkinPx(kCaptionButtonSize, dpi),
            SkinPx(5, dpi) + SkinPx(kCaptionButtonSize, dpi)};
}
Rect MinimizeButtonRect(int W, int dpi) {
    return {W - SkinPx(45, dpi), SkinPx(5, dpi), W - SkinPx(45, dpi) + SkinPx(kCaptionButtonSize, dpi),
            SkinPx(5, dpi) + SkinPx(kCaptionButtonSize, dpi)};
}

std::vector<Piece> PlanFrame(int FW, int FH, int W, int H, int dpi) {
    std::vector<Piece> out;
    const int left = SkinPx(kFrameLeft, dpi), top = SkinPx(kFrameTop, dpi);
    const int right = SkinPx(kFrameRight, dpi), bottom = SkinPx(kFrameBottom, dpi);
    const int tileW = FW - left - right;
    const int sideH = FH - top - bottom;
    if (tileW <= 0 || sideH <= 0) return out;
    auto row = [&](int dstY, int srcY, int h) {
        Add(out, nullptr, {0, dstY, left, h, 0, srcY});
        for (int x = left; x < W - right; x += tileW)
            Add(out, nullptr, {x, dstY, std::min(tileW, W - right - x), h, left, srcY});
        Add(out, nullptr, {W - right, dstY, right, h, FW - right, srcY});
    };
    row(0, 0, top);
    for (int y = top; y < H - bottom; y += sideH) {
        const int h = std::min(sideH, H - bottom - y);
        Add(out, nullptr, {0, y, left, h, 0, top});
        Add(out, nullptr, {W - right, y, right, h, FW - right, top});
    }
    row(H - bottom, FH - bottom, bottom);
    return out;
}

Piece FrameIconPiece(int dpi) {
    return {SkinPx(5, dpi), SkinPx(4, dpi), SkinPx(16, dpi), SkinPx(17, dpi), SkinPx(5, dpi), SkinPx(25, dpi)};
}

Rect FrameTitleArea(int FW, int textWidth, int dpi) {
    const int left = SkinPx(kFrameLeft, dpi);
    const int tileW = std::max(1, FW - left - SkinPx(kFrameRight, dpi));
    return {left, 0, left + tileW * ((textWidth + SkinPx(21, dpi)) / tileW + 1), SkinPx(kFrameTop, dpi)};
}

Point FrameTitleOrigin(int dpi) { return {SkinPx(26, dpi), SkinPx(6, dpi)}; }

bool IsIconAreaDoubleClick(Point p, int systemFrameHeight, int dpi) {
    return p.x >= SkinPx(5, dpi) && p.x <= SkinPx(20, dpi) && p.y >= systemFrameHeight &&
           p.y < SkinPx(kFrameTop, dpi);
}

int CaptionLook(const CaptionButton& b, unsigned capturedBy) {
    if (capturedBy == b.message && b.hover && b.pressed) return 2;
    return b.hover ? 1 : 0;
}

CaptionButtons::CaptionButtons() {
    m_buttons[kClose].message = kMsgClose;
    m_buttons[kMinimize].message = kMsgMinFrame;
}

void CaptionButtons::Configure(int closeBitmap, int minimizeBitmap) {
    m_buttons[kClose].bitmapId = closeBitmap;
    m_buttons[kMinimize].bitmapId = minimizeBitmap;
}

void CaptionButtons::Layout(int W, int dpi) {
    m_buttons[kClose].rect = CloseButtonRect(W, dpi);
    m_buttons[kMinimize].rect = MinimizeButtonRect(W, dpi);
}

CaptionEffects CaptionButtons::Track(const MouseEvent& e, const std::function<void()>& releaseNow) {
    CaptionEffects fx;
    // Close first, then minimize: a release over close after a press on minimize
    // still finds the capture held and closes.
    for (int slot = 0; slot < kSlots; ++slot) {
        CaptionButton& b = m_buttons[slot];
        if (b.bitmapId == 0) continue;
        const int oldLook = CaptionLook(b, m_capturedBy);
        const bool wasDown = b.pressed;
        b.hover = e.windowUnderPointerIsThis && b.rect.Contains(e.windowPoint);
        b.pressed = e.leftButtonDown;
        if (!b.pressed) {
            if (b.hover) {
                if (m_capturedBy == 0) {
                    m_capturedBy = b.message;
                    fx.takeCapture = true;  // applied after any release of this event
                } else if (wasDown) {
                    fx.postMessage = b.message;
                }
            } else if (m_capturedBy == b.message) {
                m_capturedBy = 0;
                fx.releaseCapture = true;
                if (releaseNow) releaseNow();
            }
        }
        if (CaptionLook(b, m_capturedBy) != oldLook) fx.redrawSlots.push_back(slot);
    }
    return fx;
}

Point CentreInWorkArea(int width, int height, const Rect* reference, const Rect& area) {
    const Rect& ref = reference ? *reference : area;
    auto place = [](int centre, int size, int lo, int hi) {
        int v = centre - size / 2;
        if (v < lo) v = lo;
        else if (v + size > hi) v = hi - size;
        return v;
    };
    return {place((ref.left + ref.right) / 2, width, area.left, area.right),
            place((ref.top + ref.bottom) / 2, height, area.top, area.bottom)};
}

int SkinButtonCell(const ButtonImageIndices& ix, bool pressed, bool checked, bool mouseOver, bool focus) {
    int cell;
    if (pressed || (checked && !mouseOver)) cell = ix.pushed;
    else if (mouseOver || focus) cell = ix.focusOrHover;
    else cell = ix.normal;
    return cell < 0 ? std::max(ix.normal, 0) : cell;
}

std::array<StretchPiece, 6> PlanTab(int W, int H, int L, int T, const Rect& r) {
    const int l = r.left, t = r.top, rr = r.right, b = r.bottom;
    auto R = [](int x, int y, int w, int h) { return Rect{x, y, x + w, y + h}; };
    return {{
        {R(0, 0, L, T), R(l, t, L, T)},
        {R(L, 0, W - 2 * L, T), R(l + L, t, rr - l - 2 * L, T)},
        {R(W - L, 0, L, T), R(rr - L, t, L, T)},
        {R(0, T, L, H - T), R(l, t + T, L, b - t - T)},
        {R(W - L, T, L, H - T), R(rr - L, t + T, L, b - t - T)},
        {R(L, T, W - 2 * L, H - L - T), R(l + L, t + T, rr - l - 2 * L, b - t - T)},
    }};
}

}  // namespace skin
