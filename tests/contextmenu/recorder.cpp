// Stand-in for the main program: writes the command line it was started with,
// and its working directory (both in UTF-8), to recorded-command-line.txt beside itself.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    if (slash == nullptr) return 1;
    lstrcpyA(slash + 1, "recorded-command-line.tmp");
    // In UTF-8 from the Unicode forms, so that no name is changed on the way.
    wchar_t directory[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, directory);
    static char commandLine[65536], directoryText[4 * MAX_PATH];
    WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, commandLine, sizeof commandLine, nullptr, nullptr);
    WideCharToMultiByte(CP_UTF8, 0, directory, -1, directoryText, sizeof directoryText, nullptr, nullptr);
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return 1;
    std::fprintf(file, "%s\n%s\n", commandLine, directoryText);
    std::fclose(file);
    // Renamed when complete, so that a waiting test never reads half a file.
    char finalPath[MAX_PATH];
    lstrcpyA(finalPath, path);
    lstrcpyA(std::strrchr(finalPath, '\\') + 1, "recorded-command-line.txt");
    return MoveFileExA(path, finalPath, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
