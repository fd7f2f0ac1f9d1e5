// The skinned window frame (caption, borders, region, caption buttons) and the
// program's message box drawn with it.
#pragma once
#include <windows.h>

#include "ui/skin/skin_geometry.h"

namespace skin {

class CSkinFrame {
public:
    // closeId / minimizeId 0: no such caption button.
    CSkinFrame(int activeId, int inactiveId, int closeId, int minimizeId);

    // Recomputes the frame of an existing window and grows it so that its client
    // area keeps its size.
    void Install(HWND hwnd);

    // The hook placed first in the window's message handling; true when handled.
    bool HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

private:
    void Paint(HWND hwnd, HRGN update);  // update in window coordinates; nullptr = all
    void PaintFlat(HWND hwnd, HRGN update);  // high contrast: system colours, no bitmaps
    void Track(HWND hwnd, Point windowPoint);
    void ApplyRegion(HWND hwnd);

    int m_activeId, m_inactiveId;
    bool m_active = true;
    CaptionButtons m_buttons;
};

// Modal; returns 1 when OK closes it. `icon` is a system icon (IDI_*).
int ShowSkinMessageBox(HWND owner, const char* title, const char* text, LPCSTR icon = IDI_HAND);
// The same box as a question with two buttons, `yes` the default: true for it;
// Cancel, Esc and closing the box answer `no`.
bool AskSkinQuestion(HWND owner, const char* title, const char* text, const char* yes, const char* no);

class CSkinBackground;
// What every skinned dialog procedure does first: the frame and the background
// answer their messages. True when handled; `answer` is the procedure's result.
bool HandleSkinDialogLook(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, CSkinFrame& frame, CSkinBackground& background,
                          INT_PTR* answer);
// And last: notifications go back to the skinned control that sent them. True when reflected.
bool ReflectToControl(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

}  // namespace skin
