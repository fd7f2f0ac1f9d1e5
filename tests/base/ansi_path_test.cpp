#include <gtest/gtest.h>

#include "base/ansi_path.h"

namespace {

// WideCharToMultiByte for 1252 (Latin-1 letters only) and UTF-8 (letters below
// U+0800), with Windows' refusals: for UTF-8 any flag but WC_ERR_INVALID_CHARS
// and a used-default pointer; WC_ERR_INVALID_CHARS for any other code page.
int WindowsLike(unsigned cp, unsigned long flags, const wchar_t* wide, int length, char* out, int size, bool* used) {
    const bool utf8 = cp == 65001;
    if (utf8 ? (flags & ~0x80ul) != 0 || used != nullptr : (flags & 0x80) != 0) return 0;  // ERROR_INVALID_FLAGS
    std::string text;
    for (const wchar_t* c = wide; c < wide + length; ++c) {
        if (utf8 && *c >= 0x80) text += {char(0xC0 | (*c >> 6)), char(0x80 | (*c & 0x3F))};
        else if (!utf8 && *c > 0xFF && used) *used = true;
        if (utf8 ? *c < 0x80 : true) text += *c > 0xFF ? '?' : char(*c);
    }
    if (out != nullptr && size >= int(text.size())) text.copy(out, text.size());
    return out == nullptr || size >= int(text.size()) ? int(text.size()) : 0;
}

TEST(AnsiPath, ExactConversionInEachCodePage) {
    struct Case { unsigned codePage; std::wstring name; bool exact; std::string text; } const cases[] = {
        {1252, L"C:\\a.pdf", true, "C:\\a.pdf"},  {1252, L"caf\u00E9.pdf", true, "caf\xE9.pdf"},
        {1252, L"\u03A9.pdf", false, ""},         {65001, L"C:\\a.pdf", true, "C:\\a.pdf"},
        {65001, L"\u03A9.pdf", true, "\xCE\xA9.pdf"},
    };
    for (const Case& c : cases) {
        std::string text = "left over";
        EXPECT_TRUE(ExactInCodePage(c.name, text, c.codePage, WindowsLike) == c.exact && text == c.text) << c.codePage;
    }
}

}  // namespace
