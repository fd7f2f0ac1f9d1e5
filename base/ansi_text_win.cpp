#include <windows.h>

#include <cstring>

#include "base/ansi_path.h"
#include "base/ansi_text.h"

bool IsAnsiLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

bool EqualPlatformNoCase(const char* a, const char* b) { return lstrcmpiA(a ? a : "", b ? b : "") == 0; }

std::uint64_t DirectoryEntrySize(const char* path) {
    if (path == nullptr || std::strlen(path) >= MAX_PATH) return 0;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(path, &entry);
    if (find == INVALID_HANDLE_VALUE) return 0;
    char full[MAX_PATH];
    char* filePart = nullptr;
    DWORD n = GetFullPathNameA(path, MAX_PATH, full, &filePart);
    FindClose(find);
    if (n == 0 || n >= MAX_PATH) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    return (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

std::string LongFileName(const char* path) {
    const std::wstring name = AnsiToWide(path ? path : "");
    std::wstring longName(name.size() + MAX_PATH, L'\0');
    const DWORD n = GetLongPathNameW(name.c_str(), &longName[0], static_cast<DWORD>(longName.size()));
    longName.resize(n > 0 && n < longName.size() ? n : 0);
    return WideToUtf8(longName.empty() ? name : longName);
}
