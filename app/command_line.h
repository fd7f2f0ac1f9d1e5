// The command line of Orvex: file paths, quoted or not, and the printer switch -M.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Copies one token from the start of `text` into `buffer` (kPathSize bytes) and
// returns the characters consumed, or 0 when only spaces remain (buffer untouched).
// A token longer than 259 characters is not copied: the buffer gets an empty
// string and *tooLong (when given) is set, so that no cut path is ever used.
int NextToken(const char* text, char* buffer, bool* tooLong = nullptr);

// Splits the argument text: appends file tokens to `files` (in order, duplicates
// and empty tokens kept) and sets `printerName` from the last -M switch. -o and
// -n take their value as -M does (attached or the next word; "/o" and "/n" only
// as whole words, so that "/opt/a.pdf" stays the file it always was).
// Tokens longer than 259 characters are dropped with a trace line. Returns 0.
// `switches`, when given, receives what else the text says.
struct CommandLineSwitches {
    bool bPrintWithoutWindow = false;   // a word exactly -P or /P (either case); it changes nothing else
    std::size_t nTooLongFiles = 0;      // file tokens dropped for their length
    bool bTooLongPrinterName = false;   // the last -M named a printer too long to keep
    // The console modes, each a word exactly -X or /X (either case): -L, -C, -J, -? / /?.
    bool bList = false;
    bool bCheck = false;
    bool bJson = false;
    bool bUsage = false;
    // Each -o value ("-ocopies=2", "-o copies=2", "/o copies=2") in order, and -n N
    // as "copies=N"; UTF-8. A value too long to keep is recorded as "" here.
    std::vector<std::string> jobOptions;
};
int ParseCommandLine(const char* text, std::vector<std::string>& files, std::string& printerName,
                     CommandLineSwitches* switches = nullptr);

// The same rules over a Unicode argument text; 259 characters are 259 UTF-16 units.
int ParseCommandLine(const wchar_t* text, std::vector<std::wstring>& files, std::wstring& printerName,
                     CommandLineSwitches* switches = nullptr);

// The argument text within a whole command line, as the start-up code hands it to
// WinMain: behind the program's name (quoted or not) and the blanks after it.
const wchar_t* SkipProgramName(const wchar_t* commandLine);

#ifdef _WIN32
// The process's argument text read as Unicode (GetCommandLineW), so that no name
// passes through the ANSI code page on its way in.
std::wstring UnicodeArgumentText();
#endif
