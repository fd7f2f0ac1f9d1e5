// The version splash shown over the sheet when it first appears; it closes
// itself after its time, on a click or on Esc, and frees itself.
#pragma once
#include <windows.h>

#include <string>

class CVersionSplash {
public:
    // Creates the window at once; does nothing when the bitmap cannot be loaded.
    static void Show(int bitmapId, UINT durationMs, HWND reference, const char* text);
    // Puts the splash back in front after another window of the program has
    // been shown (the sheet appears while the splash is up).
    static void BringToFront();
    static constexpr UINT_PTR kTimerId = 1001;
    static constexpr UINT kMsgRaise = WM_APP + 1;
    static constexpr UINT_PTR kRaiseTimerId = 1010;

private:
    CVersionSplash(HBITMAP bitmap, UINT durationMs, HWND reference, const char* text);
    ~CVersionSplash();
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    void Paint(HWND hwnd);
    static void Raise(HWND hwnd);

    HBITMAP m_bitmap;
    SIZE m_size{};
    int m_dpi = 96;  // of the reference window: the picture and its texts are drawn for it
    UINT m_duration;
    HWND m_reference;
    std::string m_text;
    int m_raises = 0;
    static HWND s_hwnd;  // the splash on screen, if any
};
