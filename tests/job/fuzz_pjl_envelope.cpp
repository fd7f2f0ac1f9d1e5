// libFuzzer target: any file name, in a single-byte or a double-byte code page,
// through the PJL header built for it. Whatever bytes the name holds, the header
// is whole lines and ends with one "ENTER LANGUAGE" line or none; that line is
// there exactly when the name ends in one of the extensions, and a trail
// byte that looks like a dot never starts an extension.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "job/pjl_envelope.h"

namespace {

bool NoLeadBytes(unsigned char) { return false; }
bool ShiftJisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool WideLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }  // GBK, UHC, Big5

const LeadByteTest kCodePages[] = {nullptr, NoLeadBytes, ShiftJisLeadByte, WideLeadByte};

const struct {
    const char* extension;
    const char* line;
} kLanguages[] = {
    {".PDF", "@PJL ENTER LANGUAGE=PDF\r\n"}, {".JPG", "@PJL ENTER LANGUAGE=JPEG\r\n"},
    {".TIF", "@PJL ENTER LANGUAGE=TIFF\r\n"}, {".PNG", "@PJL ENTER LANGUAGE=PNG\r\n"},
    {".BMP", "@PJL ENTER LANGUAGE=BMP\r\n"}, {".JPEG", "@PJL ENTER LANGUAGE=JPEG\r\n"},
    {".JPE", "@PJL ENTER LANGUAGE=JPEG\r\n"}, {".TIFF", "@PJL ENTER LANGUAGE=TIFF\r\n"},
};

// True when byte `at` of `name` starts a character (lead bytes take the next byte
// along unless the name ends there).
bool StartsCharacter(const std::string& name, std::size_t at, LeadByteTest isLeadByte) {
    std::size_t i = 0;
    while (i < at) {
        i += (isLeadByte && isLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < name.size()) ? 2 : 1;
    }
    return i == at;
}

// The language line the name calls for: it ends in an extension of the list (any
// letter case) whose dot starts a character.
std::string ExpectedLine(const std::string& name, LeadByteTest isLeadByte) {
    std::string upper = name;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    for (const auto& language : kLanguages) {
        const std::size_t n = std::strlen(language.extension);
        if (name.size() >= n && upper.compare(name.size() - n, n, language.extension) == 0 &&
            StartsCharacter(name, name.size() - n, isLeadByte))
            return language.line;
    }
    return std::string();
}

std::uint32_t Read32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // First the code page and the file's size, then the name (a zero-terminated text).
    if (size < 5) return 0;
    const LeadByteTest isLeadByte = kCodePages[data[0] % (sizeof kCodePages / sizeof kCodePages[0])];
    const std::uint32_t fileSize = Read32(data + 1);
    const std::string name = std::string(reinterpret_cast<const char*>(data + 5), size - 5).c_str();

    PjlSettings settings;
    settings.copies = static_cast<int>(fileSize % 1000);
    settings.printRange = data[0] >> 7;
    const std::string header = BuildPjlHeader(settings, fileSize, name.c_str(), isLeadByte);
    const std::string withoutLanguage = BuildPjlHeader(settings, fileSize, "", isLeadByte);

    // The name only ever adds the language line, whole, at the end.
    if (header.compare(0, withoutLanguage.size(), withoutLanguage) != 0) std::abort();
    const std::string added = header.substr(withoutLanguage.size());
    if (added != ExpectedLine(name, isLeadByte)) std::abort();

    // After the UEL, whole "@PJL" lines, each ending in CR LF, and nothing else.
    const std::string uel = BuildPjlTrailer();
    if (header.compare(0, uel.size(), uel) != 0) std::abort();
    for (std::size_t at = uel.size(); at < header.size();) {
        const std::size_t end = header.find("\r\n", at);
        if (end == std::string::npos || header.compare(at, 4, "@PJL") != 0) std::abort();
        if (header.find_first_of("\r\n", at) != end) std::abort();
        at = end + 2;
    }
    return 0;
}
