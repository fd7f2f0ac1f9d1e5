#include <strings.h>
#include <sys/stat.h>

#include <cstring>

#include "base/ansi_text.h"

// Without Windows code pages text is single-byte and compared in ASCII.
bool IsAnsiLeadByte(unsigned char) { return false; }

bool EqualPlatformNoCase(const char* a, const char* b) { return strcasecmp(a ? a : "", b ? b : "") == 0; }

std::uint64_t DirectoryEntrySize(const char* path) {
    if (path == nullptr || std::strlen(path) >= 260) return 0;
    struct stat entry;
    if (stat(path, &entry) != 0) return 0;
    return static_cast<std::uint64_t>(entry.st_size);
}

// Names here are whole already.
std::string LongFileName(const char* path) { return path ? path : ""; }
