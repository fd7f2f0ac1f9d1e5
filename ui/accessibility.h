// What assistive technology reads of the tabs where the system's proxies guess
// wrong: an edit, combo box or list named after its own label (the proxies take
// a group caption, an unrelated earlier text or the selected item), a panel whose
// name is the summary it paints, and pictures that only decorate.
//
// A control so marked answers WM_GETOBJECT with the standard proxy's object
// wrapped: only its own name, keyboard shortcut and state are replaced, so role,
// value, position and children stay the system's.
#pragma once
#include <windows.h>

#include <string>

namespace access {

// Walks a dialog's controls in Z order: each edit, combo box and list is named
// after the static text or group caption just before it (the label a keyboard
// user's Alt+letter reaches it through), with that label's access key as its
// shortcut ("Alt+C"); each button after its own text the same way; each picture
// (SS_BITMAP, SS_ICON) is hidden as decoration.
// Call again after the labels change.
void AnnotateDialog(HWND dialog);

// Hides a decorative control from assistive technology (STATE_SYSTEM_INVISIBLE).
void HideDecoration(HWND control);

// Sets a control's name; when it differs from the last one, tells listeners
// (EVENT_OBJECT_NAMECHANGE) so a screen reader can read the new text.
void SetLiveName(HWND control, const std::string& name);

// Keeps the keyboard focus on a control across an action that moves it to the
// window itself (Print, Help): the control that had it gets it back, or
// `fallback` when that one is gone, hidden or disabled.
class FocusKeeper {
public:
    FocusKeeper(HWND window, HWND fallback);
    ~FocusKeeper();
    FocusKeeper(const FocusKeeper&) = delete;
    FocusKeeper& operator=(const FocusKeeper&) = delete;

private:
    HWND m_window, m_fallback, m_before;
};

}  // namespace access
