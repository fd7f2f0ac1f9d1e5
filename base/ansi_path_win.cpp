#include <windows.h>

#include "base/ansi_path.h"
#include "base/debug_log.h"
#include "base/localized_text.h"

namespace {

int SystemWideToMultiByte(unsigned codePage, unsigned long flags, const wchar_t* wide, int length, char* out,
                          int size, bool* usedDefault) {
    BOOL used = FALSE;
    const int n = WideCharToMultiByte(codePage, flags, wide, length, out, size, nullptr, usedDefault ? &used : nullptr);
    if (usedDefault) *usedDefault = used != FALSE;
    return n;
}

// The text in the ANSI code page when every character has its own place there.
bool ExactAnsi(const std::wstring& wide, std::string& ansi) {
    return ExactInCodePage(wide, ansi, GetACP(), SystemWideToMultiByte);
}

bool Fits(const std::string& ansi) { return ansi.size() < kPathSize; }

}  // namespace

AnsiPath ToAnsiPath(const std::wstring& name) {
    AnsiPath result;
    if (name.size() >= kPathSize) {
        result.status = AnsiPathStatus::kTooLong;
        return result;
    }
    // A name nothing answers to is missing, whatever the code page makes of it.
    if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) {
        result.status = AnsiPathStatus::kMissing;
        return result;
    }
    if (ExactAnsi(name, result.path) && Fits(result.path)) return result;

    // The short name, when the volume keeps one, is ASCII and names this very file.
    std::wstring shortName(kPathSize, L'\0');
    const DWORD length = GetShortPathNameW(name.c_str(), &shortName[0], static_cast<DWORD>(shortName.size()));
    if (length > 0 && length < shortName.size()) {
        shortName.resize(length);
        if (ExactAnsi(shortName, result.path) && Fits(result.path)) {
            DebugLog("[QEL] ToAnsiPath : short name %s used", result.path.c_str());
            return result;
        }
    }
    const bool exactButLong = ExactAnsi(name, result.path) && !Fits(result.path);
    result.status = exactButLong ? AnsiPathStatus::kTooLong : AnsiPathStatus::kNoAnsiName;
    DebugLog("[QEL] ToAnsiPath : a name without %s refused", exactButLong ? "a path within 259 bytes" : "an ANSI form");
    result.path.clear();
    return result;
}

namespace {

std::string FromWide(const std::wstring& wide, UINT codePage) {
    if (wide.empty()) return std::string();
    const int size = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &text[0], size, nullptr,
                            nullptr);
    return text;
}

std::wstring ToWide(const std::string& text, UINT codePage) {
    if (text.empty()) return std::wstring();
    const int size = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

}  // namespace

std::string WideToAnsi(const std::wstring& wide) { return FromWide(wide, CP_ACP); }
std::wstring AnsiToWide(const std::string& text) { return ToWide(text, CP_ACP); }
std::string WideToUtf8(const std::wstring& wide) { return FromWide(wide, CP_UTF8); }
std::wstring Utf8ToWide(const std::string& text) { return ToWide(text, CP_UTF8); }
