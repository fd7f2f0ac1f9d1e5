#include "app/command_line.h"

#include <cstring>

#include "base/debug_log.h"
#include "base/localized_text.h"

namespace {

// One parser for ANSI and Unicode text: only space, quote, '-', '/' and 'M' are
// looked at, all of them ASCII.
template <typename Char>
int NextTokenOf(const Char* text, Char* buffer, bool* tooLong) {
    if (tooLong) *tooLong = false;
    const Char* p = text;
    while (*p == ' ') ++p;
    if (*p == '\0') return 0;

    Char terminator = ' ';
    if (*p == '"') {
        terminator = '"';
        ++p;
    }
    const Char* start = p;
    while (*p != '\0' && *p != terminator) ++p;
    std::size_t length = static_cast<std::size_t>(p - start);
    if (*p == terminator) ++p;  // the terminator is consumed with the token

    if (length >= kPathSize) {
        // A cut path could name another, existing file: refuse the token instead.
        buffer[0] = '\0';
        if (tooLong) *tooLong = true;
    } else {
        std::memcpy(buffer, start, length * sizeof(Char));
        buffer[length] = '\0';
    }
    return static_cast<int>(p - text);
}

template <typename Char>
int ParseCommandLineOf(const Char* text, std::vector<std::basic_string<Char>>& files,
                       std::basic_string<Char>& printerName, CommandLineSwitches* switches) {
    if (text == nullptr) return 0;
    std::size_t pos = 0;
    Char token[kPathSize];
    for (;;) {
        while (text[pos] == ' ') ++pos;
        if (text[pos] == '\0') break;

        if (text[pos] == '-' || text[pos] == '/') {
            Char letter = text[pos + 1];
            if (letter == '\0') break;
            if (letter == 'M' || letter == 'm') {
                bool tooLong = false;
                int used = NextTokenOf(text + pos + 2, token, &tooLong);
                if (used == 0) break;
                if (tooLong)
                    DebugLog("[QEL] ParseCommandLine : printer name longer than %d characters ignored",
                             int(kPathSize - 1));
                else
                    printerName = token;
                if (switches) switches->bTooLongPrinterName = tooLong;
                pos += 2 + static_cast<std::size_t>(used);
            } else {
                // Only a word that is exactly -P or /P asks for the mode: "-poster.pdf"
                // and "/pictures/a.pdf" are words the user did not mean as a switch.
                const Char after = text[pos + 2];
                if ((letter == 'P' || letter == 'p') && (after == ' ' || after == '\0') && switches)
                    switches->bPrintWithoutWindow = true;
                // -W, the same way: with -P, wait for each job's fate.
                if ((letter == 'W' || letter == 'w') && (after == ' ' || after == '\0') && switches)
                    switches->bWaitForFate = true;
                pos += 2;  // other switches are skipped; the rest of the word is a token
            }
            continue;
        }

        bool tooLong = false;
        int used = NextTokenOf(text + pos, token, &tooLong);
        if (tooLong) {
            DebugLog("[QEL] ParseCommandLine : path longer than %d characters ignored", int(kPathSize - 1));
            if (switches) ++switches->nTooLongFiles;
        } else {
            files.emplace_back(token);
        }
        pos += static_cast<std::size_t>(used);
    }
    return 0;
}

}  // namespace

int NextToken(const char* text, char* buffer, bool* tooLong) { return NextTokenOf(text, buffer, tooLong); }

int ParseCommandLine(const char* text, std::vector<std::string>& files, std::string& printerName,
                     CommandLineSwitches* switches) {
    return ParseCommandLineOf(text, files, printerName, switches);
}

int ParseCommandLine(const wchar_t* text, std::vector<std::wstring>& files, std::wstring& printerName,
                     CommandLineSwitches* switches) {
    return ParseCommandLineOf(text, files, printerName, switches);
}

const wchar_t* SkipProgramName(const wchar_t* commandLine) {
    const wchar_t* p = commandLine ? commandLine : L"";
    if (*p == L'"') {
        while (*++p != L'\0' && *p != L'"') {
        }
        if (*p == L'"') ++p;
    } else {
        while (*p > L' ') ++p;
    }
    while (*p != L'\0' && *p <= L' ') ++p;
    return p;
}
