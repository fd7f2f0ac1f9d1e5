// The exact conversion's flags against a double that answers as Windows does.
#include <gtest/gtest.h>

#include <string>

#include "base/ansi_path.h"

namespace {

// Windows' WideCharToMultiByte for 1252 (the Latin-1 letters only) and UTF-8,
// including its refusals: for UTF-8 any flag but WC_ERR_INVALID_CHARS
// (ERROR_INVALID_FLAGS) and a used-default pointer (ERROR_INVALID_PARAMETER).
int WindowsLike(unsigned cp, unsigned long flags, const wchar_t* wide, int length, char* out, int size, bool* used) {
    if (cp == 65001 && ((flags & ~0x80ul) != 0 || used != nullptr)) return 0;
    if (cp != 65001 && (flags & 0x80) != 0) return 0;
    std::string text;
    for (int i = 0; i < length; ++i) {
        const unsigned c = static_cast<unsigned>(wide[i]);
        if (cp != 65001) {
            if (c > 0xFF && used) *used = true;
            text += c > 0xFF ? '?' : static_cast<char>(c);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            if (flags & 0x80) return 0;  // ERROR_NO_UNICODE_TRANSLATION
            text += "\xEF\xBF\xBD";
        } else if (c < 0x80) {
            text += static_cast<char>(c);
        } else {  // the test's letters are below U+0800
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    if (out == nullptr) return static_cast<int>(text.size());
    if (size < static_cast<int>(text.size())) return 0;
    text.copy(out, text.size());
    return static_cast<int>(text.size());
}

TEST(AnsiPath, ExactConversionInEachCodePage) {
    struct Case {
        unsigned codePage;
        std::wstring name;
        bool exact;
        std::string text;
    } const cases[] = {
        {1252, L"C:\\a.pdf", true, "C:\\a.pdf"},
        {1252, L"caf\u00E9.pdf", true, "caf\xE9.pdf"},
        {1252, L"\u03A9mega.pdf", false, ""},
        {65001, L"C:\\a.pdf", true, "C:\\a.pdf"},
        {65001, L"\u03A9mega.pdf", true, "\xCE\xA9mega.pdf"},
        {65001, std::wstring(L"a") + wchar_t(0xD800) + L".pdf", false, ""},  // half a character
        {65001, L"", true, ""},
    };
    for (const Case& c : cases) {
        std::string text = "left over";
        EXPECT_EQ(ExactInCodePage(c.name, text, c.codePage, WindowsLike), c.exact) << c.codePage;
        EXPECT_EQ(text, c.text) << c.codePage;
    }
}

}  // namespace
