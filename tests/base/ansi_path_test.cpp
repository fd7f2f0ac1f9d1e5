#include <gtest/gtest.h>

#include "base/ansi_path.h"

namespace {

// WideCharToMultiByte for UTF-8 (letters below U+0800) as Windows answers it:
// ERROR_INVALID_FLAGS for any flag but WC_ERR_INVALID_CHARS, and for a used-default pointer.
int WindowsLike(unsigned, unsigned long flags, const wchar_t* wide, int length, char* out, int size, bool* used) {
    if ((flags & ~0x80ul) != 0 || used != nullptr) return 0;
    std::string text;
    for (const wchar_t* c = wide; c < wide + length; ++c)
        text += *c < 0x80 ? std::string(1, char(*c)) : std::string{char(0xC0 | (*c >> 6)), char(0x80 | (*c & 0x3F))};
    if (out != nullptr && size >= int(text.size())) text.copy(out, text.size());
    return out == nullptr || size >= int(text.size()) ? int(text.size()) : 0;
}

TEST(AnsiPath, ExactConversionUnderTheUtf8CodePage) {
    for (const std::wstring& name : {std::wstring(L"C:\\a.pdf"), std::wstring(L"\u03A9.pdf")}) {
        std::string text;
        EXPECT_TRUE(ExactInCodePage(name, text, 65001, WindowsLike));
        EXPECT_EQ(text, name.size() == 8 ? "C:\\a.pdf" : "\xCE\xA9.pdf");
    }
}

}  // namespace
