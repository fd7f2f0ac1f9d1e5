#include <windows.h>

#include "base/ansi_path.h"
#include "base/debug_log.h"
#include "base/localized_text.h"

namespace {

// The text in the ANSI code page when every character has its own place there.
bool ExactAnsi(const std::wstring& wide, std::string& ansi) {
    ansi.clear();
    if (wide.empty()) return true;
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, &usedDefault);
    if (size <= 0 || usedDefault) return false;
    ansi.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), &ansi[0], size,
                        nullptr, &usedDefault);
    return !usedDefault;
}

bool Fits(const std::string& ansi) { return ansi.size() < kPathSize; }

}  // namespace

AnsiPath ToAnsiPath(const std::wstring& name) {
    AnsiPath result;
    if (name.size() >= kPathSize) {
        result.status = AnsiPathStatus::kTooLong;
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

std::string WideToAnsi(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                         nullptr);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &text[0], size, nullptr, nullptr);
    return text;
}

std::wstring AnsiToWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}
