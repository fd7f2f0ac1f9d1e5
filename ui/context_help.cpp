#include "ui/context_help.h"

#include <cstdio>

#include "base/debug_log.h"
#include "base/localized_text.h"

HWND CallHtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data) {
    using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
    static HtmlHelpFn fn = [] {
        HMODULE module = LoadLibraryA("hhctrl.ocx");
        return module ? reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpA")))
                      : nullptr;
    }();
    if (!fn) {
        DebugLog("HtmlHelpA is not available");
        return nullptr;
    }
    return fn(caller, file, command, data);
}

void ShowControlHelp(HWND control, const DWORD* helpMap) {
    char path[kPathSize + 16];
    std::snprintf(path, sizeof path, "%s::/cshelp.txt", gszHelpFileName);
    DebugLog("szHelpFile : %s", path);
    CallHtmlHelp(control, path, kHhTpHelpContextMenu, reinterpret_cast<DWORD_PTR>(helpMap));
}
