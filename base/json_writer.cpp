#include "base/json_writer.h"

#include <cstdint>

namespace {

// The length of the well-formed UTF-8 sequence at `p` (Unicode's table of
// well-formed byte sequences: no overlongs, no surrogates, nothing past
// U+10FFFF), or 0 when it is not one.
std::size_t Utf8Length(const unsigned char* p, std::size_t left) {
    const unsigned char b = p[0];
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0) low = 0xA0;
        if (b == 0xED) high = 0x9F;  // U+D800..U+DFFF are no characters
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (left < length || p[1] < low || p[1] > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF) return 0;
    return length;
}

}  // namespace

std::string JsonQuote(std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = p[i];
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            } else if (const std::size_t length = Utf8Length(p + i, text.size() - i); length == 0) {
                out += "\xEF\xBF\xBD";  // one U+FFFD for each byte that starts no character
            } else {
                out.append(text.data() + i, length);
                i += length;
                continue;
            }
        }
        ++i;
    }
    return out + "\"";
}

void JsonObject::Key(std::string_view key) {
    if (!m_members.empty()) m_members += ',';
    m_members += JsonQuote(key);
    m_members += ':';
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view text) {
    Key(key);
    m_members += JsonQuote(text);
    return *this;
}

JsonObject& JsonObject::Add(std::string_view key, long long number) {
    Key(key);
    m_members += std::to_string(number);
    return *this;
}

JsonObject& JsonObject::Add(std::string_view key, bool value) {
    Key(key);
    m_members += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::Add(std::string_view key, const std::vector<std::string>& texts) {
    Key(key);
    m_members += '[';
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i) m_members += ',';
        m_members += JsonQuote(texts[i]);
    }
    m_members += ']';
    return *this;
}
