// The help file: the whole help for the Help button, and the pop-up help of a
// control for the sheet and both tabs.
#pragma once
#include <windows.h>

constexpr UINT kHhDisplayTopic = 0x0000;
constexpr UINT kHhTpHelpContextMenu = 0x0010;

// Runs HtmlHelpA from hhctrl.ocx, loaded at the first call; nullptr when missing.
HWND CallHtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data);

// The pop-up help of `control` from the help file's "cshelp.txt"; `helpMap` holds
// control -> topic pairs and ends with a pair of zeros.
void ShowControlHelp(HWND control, const DWORD* helpMap);
