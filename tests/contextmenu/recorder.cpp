// Stand-in for the main program: writes the command line it was started with,
// and its working directory, to recorded-command-line.txt beside itself.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    if (slash == nullptr) return 1;
    lstrcpyA(slash + 1, "recorded-command-line.tmp");
    char directory[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, directory);
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return 1;
    std::fprintf(file, "%s\n%s\n", GetCommandLineA(), directory);
    std::fclose(file);
    // Renamed when complete, so that a waiting test never reads half a file.
    char finalPath[MAX_PATH];
    lstrcpyA(finalPath, path);
    lstrcpyA(std::strrchr(finalPath, '\\') + 1, "recorded-command-line.txt");
    return MoveFileExA(path, finalPath, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
