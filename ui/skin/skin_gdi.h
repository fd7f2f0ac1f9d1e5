// Skinned controls: the two bitmap painters, the mirroring switch, the
// background layer, and the subclassed push button, numeric edit, list view
// with header, and tab control. Geometry comes from skin_geometry.h.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/skin/skin_geometry.h"

namespace skin {

// Owns one GDI object; no copies.
template <class T>
class GdiObject {
public:
    explicit GdiObject(T h = nullptr) : m_h(h) {}
    ~GdiObject() { if (m_h) DeleteObject(m_h); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    T get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    void reset(T h = nullptr) { if (m_h) DeleteObject(m_h); m_h = h; }
private:
    T m_h;
};

// The skin bitmap `id` as drawn for `dpi` (skin_bitmaps.cpp): the 100 % one
// at 96 DPI, else its larger set, shrunk to the size the DPI asks for.
HBITMAP LoadSkinBitmap(int id, int dpi = kBaseDpi);
SIZE BitmapSize(HBITMAP bitmap);

// Tile painter: fixed corners, tiled edges, a tiled or stretched centre (see PlanTiles).
void DrawTiled(HBITMAP bitmap, HDC target, const RECT& rect, int corner, const RECT* clip = nullptr,
               TileCentre centre = TileCentre::kTiled);

// Copies a piece; pixels of the colour found at the piece's own top-left corner
// leave the target unchanged.
void TransparentCopy(HBITMAP source, int srcX, int srcY, int w, int h, HDC target, int dstX, int dstY);

// SetLayout looked up at run time; -1 (nothing changed) when it is missing.
DWORD SetDcLayout(HDC dc, DWORD layout);
DWORD GetDcLayout(HDC dc);

// Mixed into a dialog's message handling: paints the background bitmap and gives
// static controls a transparent text background.
class CSkinBackground {
public:
    CSkinBackground();
    void Attach(int bitmapId, int corner) { m_bitmapId = bitmapId; m_corner = corner; }
    // True when handled; *result is what the window procedure returns.
    bool HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
private:
    int m_bitmapId = 0;
    int m_corner = 0;
    GdiObject<HBRUSH> m_staticBrush;
};

class CSkinButton {
public:
    CSkinButton(int stripId, int corner, int iconId);
    ~CSkinButton();
    CSkinButton(const CSkinButton&) = delete;
    CSkinButton& operator=(const CSkinButton&) = delete;

    bool Attach(HWND button);
    void SetChecked(bool checked);
    void SetTooltipText(const char* text) { m_tooltipText = text ? text : ""; }
    void SetImageIndices(const ButtonImageIndices& ix) { m_indices = ix; }
    void SetExtendedStyle(unsigned style) { m_extStyle = style; }
    HWND Window() const { return m_hwnd; }

    enum : unsigned { kHover = 1, kBorder3d = 2, kBorder3dDouble = 4, kSizeToImage = 8,
                      kSharedImageList = 0x10, kAutoRepeat = 0x20 };

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT OnMessage(HWND, UINT, WPARAM, LPARAM);
    void Paint(HDC dc);
    void PaintFlat(HDC dc, const RECT& client);
    void Redraw() { InvalidateRect(m_hwnd, nullptr, FALSE); }
    void Click();

    HWND m_hwnd = nullptr;
    HWND m_tooltip = nullptr;
    HIMAGELIST m_images = nullptr;
    int m_stripId, m_corner, m_iconId;
    int m_cellW = 0, m_cellH = 0;
    ButtonImageIndices m_indices;
    unsigned m_extStyle = kHover;
    bool m_mouseOver = false, m_focus = false, m_pressed = false, m_checked = false;
    std::string m_tooltipText;
};

class CNumericEdit {
public:
    bool Attach(HWND edit);
private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
};

class CSkinHeader {
public:
    CSkinHeader(int enabledId, int disabledId) : m_enabledId(enabledId), m_disabledId(disabledId) {}
    bool Attach(HWND header);
private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void Paint(HWND hwnd);
    int m_enabledId, m_disabledId;
};

class CSkinListView {
public:
    CSkinListView(int enabledHeaderId, int disabledHeaderId) : m_header(enabledHeaderId, disabledHeaderId) {}
    bool Attach(HWND list);
private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    CSkinHeader m_header;
};

class CSkinTabCtrl {
public:
    CSkinTabCtrl(int cornerW, int cornerH, int selectedId, int unselectedId, int backgroundId);
    ~CSkinTabCtrl();
    CSkinTabCtrl(const CSkinTabCtrl&) = delete;
    CSkinTabCtrl& operator=(const CSkinTabCtrl&) = delete;
    bool Attach(HWND tab);
private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void Paint(HWND hwnd);
    void Load(int dpi);
    void Free();
    int m_cornerW, m_cornerH;
    int m_ids[3];
    int m_dpi = 0;
    HBITMAP m_selected = nullptr, m_unselected = nullptr, m_background = nullptr;
    HDC m_selectedDc = nullptr, m_unselectedDc = nullptr;
    SIZE m_selectedSize{}, m_unselectedSize{};
};

inline RECT ToRECT(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }
inline Rect FromRECT(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace skin
