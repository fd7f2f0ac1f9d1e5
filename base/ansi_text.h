// Platform edges for 8-bit ANSI text: lead bytes of the active code page, the
// platform's case-insensitive comparison, and a file's directory-entry size.
#pragma once
#include <cstdint>
#include <string>

// True when `c` starts a double-byte character in the ANSI code page.
bool IsAnsiLeadByte(unsigned char c);

// Case-insensitive equality as the platform compares names (lstrcmpiA: the
// user's locale decides what a letter's other case is). For printer and file
// names; fixed ASCII tokens use an ASCII comparison that no locale can change.
bool EqualPlatformNoCase(const char* a, const char* b);

// The file size in the directory entry of `path`, whole, found without opening
// the file; 0 when the path is 260 characters or longer, when no entry is found,
// or when the path cannot be made a full path name.
std::uint64_t DirectoryEntrySize(const char* path);

// The file's long name in UTF-8, which alone tells what the file is: a short
// name (MAP~1.TIF for map.tifw) only opens it. The path itself, in UTF-8, when
// no long name can be had.
std::string LongFileName(const char* path);
