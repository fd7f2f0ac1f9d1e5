// One JSON object per line for scripts (RFC 8259). Text values are UTF-8; a
// byte sequence that is not UTF-8 (a cut character, an encoded lone surrogate
// such as a name with invalid UTF-16 gives after a lax conversion) becomes
// U+FFFD, so that every line parses with any JSON reader.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// `text` as a JSON string, quotes included: '"', '\\' and the control characters
// below 0x20 escaped (\b \f \n \r \t, the others as \u00XX), DEL and everything
// else as it is (valid UTF-8 is written unescaped).
std::string JsonQuote(std::string_view text);

// The members of one object in the order they are added, written on one line.
class JsonObject {
public:
    JsonObject& Add(std::string_view key, std::string_view text);
    JsonObject& Add(std::string_view key, const char* text) { return Add(key, std::string_view(text)); }
    JsonObject& Add(std::string_view key, long long number);
    JsonObject& Add(std::string_view key, int number) { return Add(key, static_cast<long long>(number)); }
    JsonObject& Add(std::string_view key, bool value);
    JsonObject& Add(std::string_view key, const std::vector<std::string>& texts);
    std::string Line() const { return "{" + m_members + "}"; }

private:
    void Key(std::string_view key);
    std::string m_members;
};
