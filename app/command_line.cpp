#include "app/command_line.h"

#include <cstdint>
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

// -o and -n, lp's letters in lower case only: attached to '-' ("-ocopies=2") or as
// a whole word ("-o", "/o") followed by the value.
template <typename Char>
bool IsValueSwitch(const Char* word) {
    const Char letter = word[1];
    if (letter != 'o' && letter != 'n') return false;
    return word[0] == '-' || word[2] == ' ' || word[2] == '\0';
}

std::string ToUtf8(const char* text) { return text; }

// Option values are matched against ASCII keywords; others are kept for the message.
std::string ToUtf8(const wchar_t* text) {
    std::string out;
    for (const wchar_t* p = text; *p != 0; ++p) {
        std::uint32_t c = static_cast<std::uint32_t>(*p);
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(p[1]) - 0xDC00);
            ++p;
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
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
            } else if (IsValueSwitch(text + pos)) {
                bool tooLong = false;
                int used = NextTokenOf(text + pos + 2, token, &tooLong);
                if (used == 0) {  // no value: a bad option, told as such
                    if (switches) switches->jobOptions.emplace_back(letter == 'o' ? "=" : "copies=");
                    break;
                }
                if (switches) {
                    std::string value = tooLong ? std::string() : ToUtf8(token);
                    switches->jobOptions.push_back(letter == 'o' || tooLong ? value : "copies=" + value);
                }
                pos += 2 + static_cast<std::size_t>(used);
            } else {
                // Only a word that is exactly -P or /P asks for the mode: "-poster.pdf"
                // and "/pictures/a.pdf" are words the user did not mean as a switch.
                const Char after = text[pos + 2];
                if (switches && (after == ' ' || after == '\0')) {
                    switch (letter) {
                    case 'P': case 'p': switches->bPrintWithoutWindow = true; break;
                    case 'L': case 'l': switches->bList = true; break;
                    case 'C': case 'c': switches->bCheck = true; break;
                    case 'J': case 'j': switches->bJson = true; break;
                    case '?': switches->bUsage = true; break;
                    default: break;
                    }
                }
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
