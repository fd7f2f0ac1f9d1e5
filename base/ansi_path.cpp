#include "base/ansi_path.h"

namespace {

// The values of the Windows names, so that the choice builds and is tested anywhere.
constexpr unsigned kCodePageUtf8 = 65001;           // CP_UTF8
constexpr unsigned long kNoBestFitChars = 0x400;    // WC_NO_BEST_FIT_CHARS
constexpr unsigned long kErrInvalidChars = 0x80;    // WC_ERR_INVALID_CHARS

}  // namespace

bool ExactInCodePage(const std::wstring& wide, std::string& text, unsigned codePage, WideToMultiByte convert) {
    text.clear();
    if (wide.empty()) return true;
    // UTF-8 holds every character: a conversion that fails on nothing invalid is exact.
    const bool utf8 = codePage == kCodePageUtf8;
    const unsigned long flags = utf8 ? kErrInvalidChars : kNoBestFitChars;
    bool usedDefault = false;
    bool* ask = utf8 ? nullptr : &usedDefault;
    const int length = static_cast<int>(wide.size());
    const int size = convert(codePage, flags, wide.data(), length, nullptr, 0, ask);
    if (size <= 0 || usedDefault) return false;
    text.resize(static_cast<std::size_t>(size));
    if (convert(codePage, flags, wide.data(), length, &text[0], size, ask) != size || usedDefault) {
        text.clear();
        return false;
    }
    return true;
}
