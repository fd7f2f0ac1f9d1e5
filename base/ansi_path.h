// The name by which the program's ANSI calls (file status, shortcut, spooler,
// envelope) reach a file the user named in Unicode.
#pragma once
#include <string>

enum class AnsiPathStatus {
    kUsable,     // `path` names the file
    kTooLong,    // longer than 259 characters, even as a short name
    kMissing,    // no file or folder has this name
    kNoAnsiName  // the code page cannot hold the name and the volume gives no short name
};

struct AnsiPath {
    AnsiPathStatus status = AnsiPathStatus::kUsable;
    std::string path;
};

// The Unicode name itself when the ANSI code page holds it exactly, else the
// file's short name (plain ASCII). A best-fit conversion never names a file: its
// look-alike may be another file. A path over 259 characters is refused, and so
// is a name nothing answers to (before any conversion, so that it is told as missing).
// A short name only opens the file: what the file is, its long name tells (LongFileName).
AnsiPath ToAnsiPath(const std::wstring& name);

// WideCharToMultiByte as the exact conversion calls it; `usedDefault` is null
// when the question is not asked. The system's, or a test's double.
using WideToMultiByte = int (*)(unsigned codePage, unsigned long flags, const wchar_t* wide, int length, char* out,
                                int size, bool* usedDefault);

// `wide` in `codePage` when every character has its own place there. For UTF-8
// the system refuses the best-fit flag and the used-default question, so there
// it asks for invalid characters to fail instead.
bool ExactInCodePage(const std::wstring& wide, std::string& text, unsigned codePage, WideToMultiByte convert);

// Plain code-page conversions for texts that name no file (printer names, the
// Browse filter list with its embedded NULs).
std::string WideToAnsi(const std::wstring& wide);
std::wstring AnsiToWide(const std::string& text);
// UTF-8: names as the user wrote them, where the ANSI code page may hold none of
// their letters (the -P report, the shell extension's command line).
std::string WideToUtf8(const std::wstring& wide);
std::wstring Utf8ToWide(const std::string& text);
