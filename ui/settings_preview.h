// The settings preview panel that both tabs show: a summary of the job Print
// would send (colour, quality, copies, range, paper) and the page drawn to scale.
// It keeps no state; every paint reads the settings afresh.
#pragma once
#include <windows.h>

#include <string>

class CSettingsPreview {
public:
    CSettingsPreview() = default;
    ~CSettingsPreview();
    CSettingsPreview(const CSettingsPreview&) = delete;
    CSettingsPreview& operator=(const CSettingsPreview&) = delete;

    // Takes over the painting of `panel` (the tab's group box).
    bool Attach(HWND panel);
    // Invalidate, erase and repaint at once.
    void Redraw();
    HWND Window() const { return m_hwnd; }

    // Paints the summary into `target` for a panel of the given client size; returns
    // it as one line (empty when there are no settings).
    static std::string PaintPreview(HDC target, const RECT& client, HFONT font, int dpi);

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    HWND m_hwnd = nullptr;
};
