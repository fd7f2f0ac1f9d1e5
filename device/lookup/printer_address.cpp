#include "device/lookup/printer_address.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsIpv4(const std::string& text) {
    int parts = 0;
    std::size_t at = 0;
    while (true) {
        std::size_t digits = 0;
        unsigned value = 0;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && digits < 4) {
            value = value * 10 + static_cast<unsigned>(text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return false;
        if (++parts == 4) return at == text.size();
        if (at >= text.size() || text[at] != '.') return false;
        ++at;
    }
}

// Labels of letters, digits and inner hyphens; `dotted`: at least two of them
// and a last label that is not a number.
bool IsHostName(const std::string& text, bool dotted) {
    if (text.empty() || text.size() > 253) return false;
    std::size_t labels = 0, start = 0;
    bool lastNumeric = true;
    while (start <= text.size()) {
        std::size_t end = text.find('.', start);
        if (end == std::string::npos) end = text.size();
        const std::size_t length = end - start;
        if (length == 0 || length > 63 || text[start] == '-' || text[end - 1] == '-') return false;
        lastNumeric = true;
        for (std::size_t i = start; i < end; ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (!std::isalnum(c) && c != '-') return false;
            if (!std::isdigit(c)) lastNumeric = false;
        }
        ++labels;
        start = end + 1;
    }
    return !dotted || (labels >= 2 && !lastNumeric);
}

bool IsIpv6Literal(const std::string& text) {
    if (text.size() < 2 || text.size() > 45) return false;
    int colons = 0;
    for (char c : text) {
        if (c == ':') ++colons;
        else if (!std::isxdigit(static_cast<unsigned char>(c)) && c != '.') return false;
    }
    return colons >= 2;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct Scheme {
    const char* name;
    unsigned short port;
    bool secure;
};
const Scheme kSchemes[] = {{"ipp", 631, false}, {"ipps", 631, true}, {"http", 80, false}, {"https", 443, true}};

// One UTF-16LE character as ASCII, or -1 when it is not one.
int AsciiAt(const std::uint8_t* bytes, std::size_t index) {
    if (bytes[index * 2 + 1] != 0 || bytes[index * 2] > 0x7E) return -1;
    return bytes[index * 2];
}

// A zero-ended UTF-16LE field of at most `chars` characters at `offset`;
// empty when it is not printable ASCII or has no end within the field.
std::string WideField(const std::uint8_t* bytes, std::size_t size, std::size_t offset, std::size_t chars) {
    if (offset + chars * 2 > size) return std::string();
    std::string text;
    for (std::size_t i = 0; i < chars; ++i) {
        const int c = AsciiAt(bytes + offset, i);
        if (c == 0) return text;
        if (c < 0x20) return std::string();
        text.push_back(static_cast<char>(c));
    }
    return std::string();
}

std::uint32_t Dword(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

bool ParsePrinterUri(const std::string& text, PrinterUri* uri) {
    const std::size_t colon = text.find("://");
    if (colon == std::string::npos) return false;
    PrinterUri parsed;
    parsed.scheme = Lower(text.substr(0, colon));
    const Scheme* scheme = nullptr;
    for (const Scheme& s : kSchemes)
        if (parsed.scheme == s.name) scheme = &s;
    if (scheme == nullptr) return false;
    parsed.secure = scheme->secure;
    parsed.port = scheme->port;

    const std::size_t hostStart = colon + 3;
    std::size_t pathStart = text.find_first_of("/?#", hostStart);
    if (pathStart == std::string::npos) pathStart = text.size();
    const std::string authority = text.substr(hostStart, pathStart - hostStart);
    std::size_t portColon = std::string::npos;
    if (!authority.empty() && authority[0] == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string::npos) return false;
        parsed.host = authority.substr(1, close - 1);
        if (!IsIpv6Literal(parsed.host)) return false;
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':') return false;
            portColon = close + 1;
        }
    } else {
        portColon = authority.find(':');
        parsed.host = authority.substr(0, portColon);
        if (!IsIpv4(parsed.host) && !IsHostName(parsed.host, false)) return false;
    }
    if (portColon != std::string::npos) {
        const std::string digits = authority.substr(portColon + 1);
        if (digits.empty() || digits.size() > 5) return false;
        unsigned long port = 0;
        for (char c : digits) {
            if (!std::isdigit(static_cast<unsigned char>(c))) return false;
            port = port * 10 + static_cast<unsigned long>(c - '0');
        }
        if (port == 0 || port > 65535) return false;
        parsed.port = static_cast<unsigned short>(port);
    }

    std::size_t pathEnd = text.find('#', pathStart);
    if (pathEnd == std::string::npos) pathEnd = text.size();
    parsed.resource = text.substr(pathStart, pathEnd - pathStart);
    for (char c : parsed.resource)
        if (c <= ' ' || c > '~') return false;
    if (parsed.resource.empty() || parsed.resource[0] != '/') parsed.resource.insert(0, "/");
    *uri = parsed;
    return true;
}

std::string PrinterUriText(const PrinterUri& uri) {
    const bool v6 = uri.host.find(':') != std::string::npos;
    return uri.scheme + "://" + (v6 ? "[" + uri.host + "]" : uri.host) + ":" + std::to_string(uri.port) +
           uri.resource;
}

bool HostFromPortName(const std::string& port, std::string* host) {
    std::string candidate = port;
    if (candidate.compare(0, 3, "IP_") == 0) {
        candidate.erase(0, 3);
        // A second port of one address is named "IP_10.1.2.3_2".
        const std::size_t suffix = candidate.find('_');
        if (suffix != std::string::npos) {
            if (suffix + 1 == candidate.size()) return false;
            for (std::size_t i = suffix + 1; i < candidate.size(); ++i)
                if (!std::isdigit(static_cast<unsigned char>(candidate[i]))) return false;
            candidate.erase(suffix);
        }
        if (!IsIpv4(candidate)) return false;
    } else if (!IsIpv4(candidate) && !IsHostName(candidate, true)) {
        return false;
    }
    *host = candidate;
    return true;
}

bool SplitPrintServerName(const std::string& printer, std::string* server, std::string* share) {
    if (printer.size() < 5 || printer.compare(0, 2, "\\\\") != 0) return false;
    const std::size_t slash = printer.find('\\', 2);
    if (slash == std::string::npos || slash == 2 || slash + 1 == printer.size()) return false;
    if (printer.find('\\', slash + 1) != std::string::npos) return false;
    *server = printer.substr(2, slash - 2);
    *share = printer.substr(slash + 1);
    return true;
}

std::vector<std::string> DecodeStringList(const std::uint8_t* bytes, std::size_t size) {
    std::vector<std::string> list;
    const std::size_t chars = size / 2;
    std::string entry;
    bool printable = true;
    for (std::size_t i = 0; i < chars; ++i) {
        const int c = AsciiAt(bytes, i);
        if (c == 0) {
            if (entry.empty()) return list;   // the list's end
            if (printable) list.push_back(entry);
            entry.clear();
            printable = true;
            continue;
        }
        if (c <= ' ') printable = false;
        entry.push_back(static_cast<char>(c < 0 ? '?' : c));
    }
    if (!entry.empty() && printable) list.push_back(entry);
    return list;
}

namespace {
// PORT_DATA_1 (tcpxcv.h): sztPortName[64], four DWORDs, sztHostAddress[49],
// sztSNMPCommunity[33], ...
constexpr std::size_t kHostOffset = 128 + 16;
constexpr std::size_t kHostChars = 49;
constexpr std::size_t kCommunityOffset = kHostOffset + kHostChars * 2;
constexpr std::size_t kCommunityChars = 33;
// APPORT_DATA_1: Version, Protocol, DeviceOrServiceUrl[260].
constexpr std::size_t kApUrlOffset = 8;
constexpr std::size_t kApUrlChars = 260;
}  // namespace

bool ReadTcpPortRecord(const std::uint8_t* bytes, std::size_t size, std::string* host, std::string* community) {
    const std::string found = WideField(bytes, size, kHostOffset, kHostChars);
    if (found.empty()) return false;
    *host = found;
    *community = WideField(bytes, size, kCommunityOffset, kCommunityChars);
    return true;
}

bool ReadApPortRecord(const std::uint8_t* bytes, std::size_t size, ApPortProtocol* protocol, std::string* url) {
    if (size < kApUrlOffset + 2 || Dword(bytes) != 1) return false;
    const std::uint32_t kind = Dword(bytes + 4);
    *protocol = kind == 1 ? ApPortProtocol::kWsd : kind == 2 ? ApPortProtocol::kIpp : ApPortProtocol::kUnknown;
    const std::size_t chars = std::min(kApUrlChars, (size - kApUrlOffset) / 2);
    *url = WideField(bytes, size, kApUrlOffset, chars);
    return true;
}
