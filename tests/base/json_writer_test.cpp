// JSON lines for scripts: every string a file or printer name can be comes out as
// RFC 8259 text that any reader parses back to the name (invalid UTF-8 as U+FFFD).
#include <gtest/gtest.h>

#include <string>

#include "base/json_writer.h"

TEST(JsonWriter, HostileNamesAreEscaped) {
    struct Case {
        std::string text, json;
    } cases[] = {
        {"C:\\Scans\\a.pdf", R"("C:\\Scans\\a.pdf")"},
        {"say \"hi\".pdf", R"("say \"hi\".pdf")"},
        {"tab\there\r\nline\b\f", R"("tab\there\r\nline\b\f")"},
        {std::string("nul\0x\x01\x1f\x7f", 8), R"("nul\u0000x\u0001\u001f)" "\x7f\""},
        {"/ stays /", R"("/ stays /")"},
        // UTF-8 passes unescaped: 2, 3 and 4 bytes.
        {"\xCE\xA9mega \xE2\x82\xAC \xF0\x9F\x96\xA8.pdf", "\"\xCE\xA9mega \xE2\x82\xAC \xF0\x9F\x96\xA8.pdf\""},
        // A lone surrogate as a lax UTF-16 conversion writes it (U+D800, U+DFFF): one
        // U+FFFD per byte, as for any other byte that starts no character.
        {"a\xED\xA0\x80z", "\"a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDz\""},
        {"\xED\xBF\xBF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        // Cut, overlong, beyond U+10FFFF, stray continuation, Latin-1.
        {"end\xE2\x82", "\"end\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\xF4\x90\x80\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\x80x", "\"\xEF\xBF\xBDx\""},
        {"caf\xE9", "\"caf\xEF\xBF\xBD\""},
        {"", "\"\""},
    };
    for (const Case& c : cases) EXPECT_EQ(JsonQuote(c.text), c.json) << c.text;
}

TEST(JsonWriter, OneObjectPerLine) {
    EXPECT_EQ(JsonObject()
                  .Add("printer", "Q\"1")
                  .Add("sent", 2)
                  .Add("default", true)
                  .Add("languages", std::vector<std::string>{"PDF", "JPEG"})
                  .Add("none", std::vector<std::string>{})
                  .Line(),
              R"({"printer":"Q\"1","sent":2,"default":true,"languages":["PDF","JPEG"],"none":[]})");
    EXPECT_EQ(JsonObject().Line(), "{}");
}
