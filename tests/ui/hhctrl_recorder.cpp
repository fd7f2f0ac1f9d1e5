// A stand-in for hhctrl.ocx: placed beside Orvex.exe it is loaded instead of the
// system's help viewer, and records every HtmlHelpA call as one line of
// hhctrl.log next to itself. For HH_TP_HELP_CONTEXTMENU the control/topic map
// is written out pair by pair up to its terminating zeros.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

HMODULE g_module = nullptr;
constexpr UINT kHhTpHelpContextMenu = 0x10;
constexpr UINT kHhTpHelpWmHelp = 0x11;

std::string LogPath() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(g_module, path, sizeof path);
    std::string log = path;
    const size_t slash = log.find_last_of('\\');
    return (slash == std::string::npos ? std::string() : log.substr(0, slash + 1)) + "hhctrl.log";
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) HWND WINAPI HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data) {
    char head[MAX_PATH + 96];
    std::snprintf(head, sizeof head, "HtmlHelpA caller=%llu file=%s command=0x%x",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(caller)), file ? file : "(null)",
                  command);
    std::string line = head;
    if ((command == kHhTpHelpContextMenu || command == kHhTpHelpWmHelp) && data) {
        line += " map=";
        const auto* map = reinterpret_cast<const DWORD*>(data);
        for (int i = 0; i < 64 && (map[2 * i] || map[2 * i + 1]); ++i) {
            char pair[40];
            std::snprintf(pair, sizeof pair, "%s%lu:0x%lx", i ? "," : "", static_cast<unsigned long>(map[2 * i]),
                          static_cast<unsigned long>(map[2 * i + 1]));
            line += pair;
        }
    } else {
        char value[40];
        std::snprintf(value, sizeof value, " data=0x%llx", static_cast<unsigned long long>(data));
        line += value;
    }
    if (FILE* f = std::fopen(LogPath().c_str(), "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
    return nullptr;
}
