// The two messages printing can show: no file to print (kind 5) and a file that
// cannot be opened or sent (kind 6). The dialog itself belongs to the user
// interface, which installs it here.
#pragma once

enum JobMessageKind : int {
    kJobMessageNoFiles = 5,      // [ERROR_MSG] IDL_MESSAGE_NOFILES
    kJobMessageInvalidFile = 6,  // [ERROR_MSG] IDL_MESSAGE_INVAILDFILE
};

// Shows `text` under `title` with the error icon, modally; returns when closed.
using JobMessageBox = void (*)(int kind, const char* title, const char* text);

// Installs the dialog (nullptr restores the plain system message box); returns
// the previous one.
JobMessageBox SetJobMessageBox(JobMessageBox box);

// Looks the title and the text of `kind` up and shows them; returns true.
bool ShowJobMessage(int kind);
