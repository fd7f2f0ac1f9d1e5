// The file check of the Basic tab, shared with printing without the window: why
// a path may or may not go to the current printer, and shortcut resolution.
// Windows only in its implementation; the verdicts are plain values.
#pragma once
#include <string>

enum class FileCheck {
    kAccepted,     // an existing regular file whose extension the printer takes
    kMissing,      // no file-status entry for the path
    kNotAFile,     // a folder or anything else that is not a regular file
    kUnsupported,  // the printer takes no file with this extension
};

// The verdict for `path` under the supported-language set: the whole extension counts.
FileCheck CheckPrintFile(const char* path, int nSupportedTypes);

// The target of a shell shortcut; empty when `path` is not one or it cannot be read.
std::wstring ResolveShortcut(const std::wstring& path);
// A shortcut's target for a name ending in .lnk (any case); any other path itself.
std::wstring ResolvedPath(const std::wstring& path);
