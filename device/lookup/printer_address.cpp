#include "device/lookup/printer_address.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Dotted decimal as RFC 3986's IPv4address writes it: four numbers of 0 to
// 255 without leading zeros. The system's numeric reading takes "010" as
// octal and "10.1" as 10.0.0.1; text it would read otherwise than as written
// is no address here (and, by NumericLabel, no name either).
bool IsIpv4(const std::string& text) {
    int parts = 0;
    std::size_t at = 0;
    while (true) {
        const std::size_t first = at;
        unsigned value = 0;
        while (at < text.size() && IsDigit(text[at]) && at - first < 4) value = value * 10 + (text[at++] - '0');
        const std::size_t digits = at - first;
        if (digits == 0 || digits > 3 || value > 255 || (digits > 1 && text[first] == '0')) return false;
        if (++parts == 4) return at == text.size();
        if (at >= text.size() || text[at] != '.') return false;
        ++at;
    }
}

// RFC 4291 section 2.2: eight groups of one to four hex digits, one "::" for
// a run of zero groups, the last 32 bits possibly as dotted decimal.
bool IsIpv6Address(const std::string& text) {
    if (text.size() < 2 || text.size() > 45) return false;
    int groups = 0;
    bool gap = text.compare(0, 2, "::") == 0;
    std::size_t at = gap ? 2 : 0;
    while (at < text.size()) {
        const std::size_t end = text.find(':', at);
        const std::string piece = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (end == std::string::npos && piece.find('.') != std::string::npos) {
            if (!IsIpv4(piece)) return false;
            groups += 2;
            break;
        }
        if (piece.empty() || piece.size() > 4) return false;
        for (char c : piece)
            if (!IsHex(c)) return false;
        ++groups;
        if (end == std::string::npos) break;
        at = end + 1;
        if (at == text.size()) return false;   // a single ':' at the end
        if (text[at] == ':') {
            if (gap) return false;   // a second "::"
            gap = true;
            if (++at == text.size()) break;
        }
    }
    return gap ? groups < 8 : groups == 8;
}

bool IsUnreserved(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_' || c == '~';
}

// An IPv6 address with an optional zone ("fe80::1%eth0", "fe80::1%12"), as
// the socket takes it. The zone is one RFC 6874 ZoneID after decoding.
bool IsIpv6Literal(const std::string& text) {
    const std::size_t percent = text.find('%');
    if (!IsIpv6Address(text.substr(0, percent))) return false;
    if (percent == std::string::npos) return true;
    if (percent + 1 == text.size()) return false;
    for (std::size_t i = percent + 1; i < text.size(); ++i)
        if (!IsUnreserved(text[i])) return false;
    return true;
}

// A label the system reads as a number ("3", "0x1F"): a name ending in one
// is an address to the resolver, whatever DNS holds.
bool NumericLabel(const std::string& label) {
    if (label.size() >= 2 && label[0] == '0' && (label[1] == 'x' || label[1] == 'X')) {
        for (std::size_t i = 2; i < label.size(); ++i)
            if (!IsHex(label[i])) return false;
        return true;
    }
    for (char c : label)
        if (!IsDigit(c)) return false;
    return !label.empty();
}

// A DNS name as printers and networks use them: labels of letters, digits,
// '-' (not at either end) and '_' (RFC 3986 reg-names allow it, and Windows
// hosts carry it), an optional trailing '.', at least `labels` labels and a
// last one that is no number.
bool IsHostName(const std::string& text, std::size_t minLabels) {
    const std::size_t length = !text.empty() && text.back() == '.' ? text.size() - 1 : text.size();
    if (length == 0 || length > 253) return false;
    std::size_t labels = 0, start = 0;
    std::string last;
    while (start <= length) {
        std::size_t end = text.find('.', start);
        if (end == std::string::npos || end > length) end = length;
        const std::size_t size = end - start;
        if (size == 0 || size > 63 || text[start] == '-' || text[end - 1] == '-') return false;
        for (std::size_t i = start; i < end; ++i) {
            const char c = text[i];
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return false;
        }
        last = text.substr(start, size);
        ++labels;
        start = end + 1;
    }
    return labels >= minLabels && !NumericLabel(last);
}

// RFC 3986 percent-decoding of a host or zone; false for a broken escape.
bool PercentDecoded(const std::string& text, std::string* out) {
    out->clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out->push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size() || !IsHex(text[i + 1]) || !IsHex(text[i + 2])) return false;
        out->push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
        i += 2;
    }
    return true;
}

// The host of a URI's authority as the socket takes it: an IP literal in
// brackets (RFC 6874 zone "%25" decoded to '%'), dotted decimal, or a
// percent-decoded reg-name.
bool ReadUriHost(const std::string& text, std::string* host) {
    if (!text.empty() && text[0] == '[') {
        if (text.back() != ']') return false;
        const std::string inside = text.substr(1, text.size() - 2);
        const std::size_t zone = inside.find("%25");
        std::string decodedZone;
        if (zone != std::string::npos && !PercentDecoded(inside.substr(zone + 3), &decodedZone)) return false;
        *host = inside.substr(0, zone) + (zone != std::string::npos ? "%" + decodedZone : "");
        return inside.find('%') == zone && IsIpv6Literal(*host);
    }
    return PercentDecoded(text, host) && (IsIpv4(*host) || IsHostName(*host, 1));
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
    // The port follows the last ':' outside the brackets of an IP literal.
    const std::size_t close = authority.rfind(']');
    std::size_t portColon = authority.find(':', close == std::string::npos ? 0 : close);
    if (authority.find('@') != std::string::npos) return false;   // no user information
    if (!ReadUriHost(authority.substr(0, portColon), &parsed.host)) return false;
    if (portColon != std::string::npos && portColon + 1 < authority.size()) {
        // RFC 3986 port = *DIGIT: leading zeros say nothing; empty is the default.
        unsigned long port = 0;
        for (std::size_t i = portColon + 1; i < authority.size(); ++i) {
            if (!IsDigit(authority[i])) return false;
            port = port * 10 + static_cast<unsigned long>(authority[i] - '0');
            if (port > 65535) return false;
        }
        if (port == 0) return false;
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
    std::string host = uri.host;
    if (host.find(':') != std::string::npos) {
        const std::size_t zone = host.find('%');
        if (zone != std::string::npos) host.replace(zone, 1, "%25");
        host = "[" + host + "]";
    }
    return uri.scheme + "://" + host + ":" + std::to_string(uri.port) + uri.resource;
}

bool HostFromPortName(const std::string& port, std::string* host) {
    std::string candidate = port.compare(0, 3, "IP_") == 0 ? port.substr(3) : port;
    // A second port of one address is named "..._1", "..._2": not part of it.
    const std::size_t suffix = candidate.rfind('_');
    if (suffix != std::string::npos && suffix + 1 < candidate.size() &&
        candidate.find_first_not_of("0123456789", suffix + 1) == std::string::npos) {
        candidate.erase(suffix);
    }
    // Any other name is no address: a name needs a dot ("Laser" may be a label).
    if (!IsIpv4(candidate) && !IsIpv6Literal(candidate) && !IsHostName(candidate, 2)) return false;
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
