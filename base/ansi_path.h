// The name by which the program's ANSI calls (file status, shortcut, spooler,
// envelope) reach a file the user named in Unicode.
#pragma once
#include <string>

enum class AnsiPathStatus {
    kUsable,     // `path` names the file
    kTooLong,    // longer than 259 characters, even as a short name
    kNoAnsiName  // the code page cannot hold the name and the volume gives no short name
};

struct AnsiPath {
    AnsiPathStatus status = AnsiPathStatus::kUsable;
    std::string path;
};

// The Unicode name itself when the ANSI code page holds it exactly, else the
// file's short name (plain ASCII). A best-fit conversion never names a file: its
// look-alike may be another file. A path over 259 characters is refused.
AnsiPath ToAnsiPath(const std::wstring& name);

// Plain code-page conversions for texts that name no file (printer names, the
// Browse filter list with its embedded NULs).
std::string WideToAnsi(const std::wstring& wide);
std::wstring AnsiToWide(const std::string& text);
