#include "device/lookup/ipp_answer.h"

#include "device/lookup/device_id_pairs.h"

#include <cctype>
#include <cstdlib>

namespace {

constexpr std::size_t kMaxHeaderBytes = 16 * 1024;
// No answer we read is larger (the transport stops at 256 KiB).
constexpr unsigned long kMaxChunk = 1024 * 1024;

void PutShort(std::vector<std::uint8_t>& out, std::size_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void PutAttribute(std::vector<std::uint8_t>& out, std::uint8_t tag, const std::string& name,
                  const std::string& value) {
    out.push_back(tag);
    PutShort(out, name.size());
    out.insert(out.end(), name.begin(), name.end());
    PutShort(out, value.size());
    out.insert(out.end(), value.begin(), value.end());
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// HTTP lines end in CR LF, or in a bare LF that a recipient may accept.
struct Line {
    std::size_t end = std::string::npos;    // of the text, before its CR LF or LF; npos: no line end yet
    std::size_t next = std::string::npos;   // behind the line end
};

Line NextLine(const std::string& text, std::size_t from) {
    Line line;
    const std::size_t lf = text.find('\n', from);
    if (lf == std::string::npos) return line;
    line.end = lf > from && text[lf - 1] == '\r' ? lf - 1 : lf;
    line.next = lf + 1;
    return line;
}

// The end of the header block that starts at `from`: where its empty line
// starts, and behind it. npos when the empty line has not arrived.
Line HeadEnd(const std::string& text, std::size_t from) {
    for (std::size_t at = from;;) {
        const Line line = NextLine(text, at);
        if (line.next == std::string::npos || line.end == at) return Line{at, line.next};
        at = line.next;
    }
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(const std::string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// The header fields behind the status line, each on one line: a line that
// starts with a blank continues the field before it (obs-fold), which a
// recipient reads as one space (RFC 9112 section 5.2).
std::vector<std::string> HeaderFields(const std::string& head) {
    std::vector<std::string> fields;
    Line line = NextLine(head, 0);
    while (line.next != std::string::npos && line.next < head.size()) {
        const std::size_t at = line.next;
        line = NextLine(head, at);
        const std::string text = head.substr(at, (line.next == std::string::npos ? head.size() : line.end) - at);
        if (!text.empty() && IsBlank(text[0]) && !fields.empty()) {
            fields.back() += " " + TrimBlanks(text);
        } else {
            fields.push_back(text);
        }
    }
    return fields;
}

// A Content-Length value: digits, or a list of equal ones (a recipient may
// take "218, 218" as 218). -1 when it is not a length we can trust.
long long ContentLength(const std::string& value) {
    long long length = -1;
    for (std::size_t at = 0; at <= value.size();) {
        std::size_t comma = value.find(',', at);
        if (comma == std::string::npos) comma = value.size();
        const std::string item = TrimBlanks(value.substr(at, comma - at));
        if (item.empty() || item.size() > 9 || item.find_first_not_of("0123456789") != std::string::npos) return -1;
        const long long one = std::atoll(item.c_str());
        if (length >= 0 && one != length) return -1;
        length = one;
        at = comma + 1;
    }
    return length;
}

// Chunked transfer coding: the chunks' data once the last chunk and the
// trailer's end have arrived. A chunk may not be larger than a whole answer
// may be, which also keeps the arithmetic below far from overflow whatever
// the width of size_t.
HttpFrame Unchunk(const std::string& text, std::size_t at, std::vector<std::uint8_t>* body) {
    body->clear();
    for (;;) {
        const Line sizeLine = NextLine(text, at);
        if (sizeLine.next == std::string::npos) return HttpFrame::kIncomplete;
        std::size_t digits = at;
        while (digits < sizeLine.end && text[digits] == '0') ++digits;   // leading zeros say nothing
        const std::size_t significant = digits;
        while (digits < sizeLine.end && std::isxdigit(static_cast<unsigned char>(text[digits]))) ++digits;
        if (digits == at || digits - significant > 8) return HttpFrame::kBroken;
        const unsigned long size = std::strtoul(text.substr(significant, digits - significant).c_str(), nullptr, 16);
        if (size > kMaxChunk) return HttpFrame::kBroken;
        at = sizeLine.next;
        if (size == 0) {
            // Trailer lines until an empty one.
            for (;;) {
                const Line trailer = NextLine(text, at);
                if (trailer.next == std::string::npos) return HttpFrame::kIncomplete;
                if (trailer.end == at) return HttpFrame::kComplete;
                at = trailer.next;
            }
        }
        if (text.size() - at < size) return HttpFrame::kIncomplete;
        const Line dataEnd = NextLine(text, at + size);
        if (dataEnd.next == std::string::npos) {
            // Only the line end may still be on its way.
            return text.size() - (at + size) < 2 && (text.size() == at + size || text[at + size] == '\r')
                       ? HttpFrame::kIncomplete
                       : HttpFrame::kBroken;
        }
        if (dataEnd.end != at + size) return HttpFrame::kBroken;
        body->insert(body->end(), text.begin() + static_cast<std::ptrdiff_t>(at),
                     text.begin() + static_cast<std::ptrdiff_t>(at + size));
        at = dataEnd.next;
    }
}

std::size_t Short(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::size_t>(b[at]) << 8 | b[at + 1];
}

}  // namespace

std::vector<std::uint8_t> EncodeIppDeviceIdRequest(const std::string& host, const std::string& resource,
                                                   std::int32_t requestId, unsigned short port, bool secure) {
    // An IPv6 literal goes in brackets, in the URI as in the Host header, and
    // without its zone: the zone means something only on this computer
    // (RFC 6874 section 4), and a server may refuse a Host that has one.
    std::string bare = host.size() > 2 && host.front() == '[' && host.back() == ']' ? host.substr(1, host.size() - 2)
                                                                                    : host;
    if (bare.find(':') != std::string::npos) bare = "[" + bare.substr(0, bare.find('%')) + "]";
    const std::string authority = bare + ":" + std::to_string(port);
    std::vector<std::uint8_t> ipp = {0x01, 0x01, 0x00, 0x0B};   // IPP/1.1 Get-Printer-Attributes
    const auto id = static_cast<std::uint32_t>(requestId);
    for (int shift = 24; shift >= 0; shift -= 8) ipp.push_back(static_cast<std::uint8_t>(id >> shift));
    ipp.push_back(0x01);   // operation attributes
    PutAttribute(ipp, 0x47, "attributes-charset", "utf-8");
    PutAttribute(ipp, 0x48, "attributes-natural-language", "en");
    PutAttribute(ipp, 0x45, "printer-uri", (secure ? "ipps://" : "ipp://") + authority + resource);
    PutAttribute(ipp, 0x44, "requested-attributes", "printer-device-id");
    PutAttribute(ipp, 0x44, "", "document-format-supported");
    ipp.push_back(0x03);   // end of attributes

    const std::string head = "POST " + resource + " HTTP/1.1\r\nHost: " + authority +
                             "\r\nContent-Type: application/ipp\r\nContent-Length: " +
                             std::to_string(ipp.size()) + "\r\nConnection: close\r\n\r\n";
    std::vector<std::uint8_t> request(head.begin(), head.end());
    request.insert(request.end(), ipp.begin(), ipp.end());
    return request;
}

HttpFrame ReadHttpResponse(const std::vector<std::uint8_t>& received, bool closed, int* status,
                           std::vector<std::uint8_t>* body) {
    const std::string text(received.begin(), received.end());
    std::size_t start = 0;
    for (;;) {
        const Line headEnd = HeadEnd(text, start);
        if (headEnd.next == std::string::npos) {
            return text.size() - start > kMaxHeaderBytes || closed ? HttpFrame::kBroken : HttpFrame::kIncomplete;
        }
        const std::string head = Lower(text.substr(start, headEnd.end - start));
        if (head.compare(0, 7, "http/1.") != 0 || head.size() < 12 || head[8] != ' ') return HttpFrame::kBroken;
        *status = std::atoi(head.c_str() + 9);
        const std::size_t bodyStart = headEnd.next;
        if (*status >= 100 && *status < 200) {   // an interim answer; the real one follows
            start = bodyStart;
            continue;
        }
        long long length = -1;
        bool chunked = false;
        for (const std::string& field : HeaderFields(head)) {
            const std::size_t colon = field.find(':');
            if (colon == std::string::npos) continue;
            const std::string name = field.substr(0, colon);
            const std::string value = TrimBlanks(field.substr(colon + 1));
            if (name == "content-length") {
                // Two lengths that disagree leave the answer's end unknown.
                const long long one = ContentLength(value);
                if (one < 0 || (length >= 0 && one != length)) return HttpFrame::kBroken;
                length = one;
            }
            if (name == "transfer-encoding") chunked = value.find("chunked") != std::string::npos;
        }
        if (chunked) {
            HttpFrame frame = Unchunk(text, bodyStart, body);
            return frame == HttpFrame::kIncomplete && closed ? HttpFrame::kBroken : frame;
        }
        if (length < 0) {
            if (!closed) return HttpFrame::kIncomplete;
            body->assign(received.begin() + static_cast<std::ptrdiff_t>(bodyStart), received.end());
            return HttpFrame::kComplete;
        }
        if (text.size() - bodyStart < static_cast<std::size_t>(length)) {
            return closed ? HttpFrame::kBroken : HttpFrame::kIncomplete;
        }
        body->assign(received.begin() + static_cast<std::ptrdiff_t>(bodyStart),
                     received.begin() + static_cast<std::ptrdiff_t>(bodyStart + static_cast<std::size_t>(length)));
        return HttpFrame::kComplete;
    }
}

bool DecodeIppResponse(const std::vector<std::uint8_t>& body, std::int32_t requestId, IppPrinterAttributes* out) {
    *out = IppPrinterAttributes{};
    if (body.size() < 9 || body[0] < 1) return false;
    // The printer echoes the request-id: another one answers some other request.
    if ((Short(body, 4) << 16 | Short(body, 6)) != static_cast<std::uint32_t>(requestId)) return false;
    out->status = static_cast<int>(Short(body, 2));
    std::size_t at = 8;
    std::string name;   // of the attribute the next additional value belongs to
    while (at < body.size()) {
        const std::uint8_t tag = body[at++];
        if (tag == 0x03) return true;        // end of attributes
        if (tag < 0x10) continue;            // the start of a group
        if (body.size() - at < 2) return false;
        const std::size_t nameLength = Short(body, at);
        at += 2;
        if (body.size() - at < nameLength + 2) return false;
        if (nameLength) name.assign(body.begin() + static_cast<std::ptrdiff_t>(at),
                                    body.begin() + static_cast<std::ptrdiff_t>(at + nameLength));
        at += nameLength;
        const std::size_t valueLength = Short(body, at);
        at += 2;
        if (body.size() - at < valueLength) return false;
        std::string value(body.begin() + static_cast<std::ptrdiff_t>(at),
                          body.begin() + static_cast<std::ptrdiff_t>(at + valueLength));
        at += valueLength;
        if (tag == 0x35 && value.size() >= 2) {   // text with language: the language, then the text
            const std::size_t languageLength = static_cast<std::uint8_t>(value[0]) << 8 | static_cast<std::uint8_t>(value[1]);
            value = value.size() >= 4 + languageLength ? value.substr(4 + languageLength) : std::string();
        }
        if (name == "printer-device-id" && (tag == 0x41 || tag == 0x35)) out->deviceId = value;
        if (name == "document-format-supported" && tag == 0x49) out->formats.push_back(Lower(value));
    }
    return false;   // no end-of-attributes tag
}

std::string IppDeviceId(const IppPrinterAttributes& attributes) {
    if (HasCommandSet(attributes.deviceId)) return attributes.deviceId;
    struct Format {
        const char* type;
        const char* language;
    };
    static const Format kFormats[] = {{"application/pdf", "PDF"}, {"image/jpeg", "JPEG"}, {"image/tiff", "TIFF"},
                                      {"image/png", "PNG"},       {"image/bmp", "BMP"},   {"image/x-ms-bmp", "BMP"}};
    std::string languages;
    for (const Format& format : kFormats) {
        bool offered = false;
        for (const std::string& type : attributes.formats) offered |= type == format.type;
        if (offered && languages.find(format.language) == std::string::npos) {
            languages += (languages.empty() ? "" : ",") + std::string(format.language);
        }
    }
    return languages.empty() ? std::string() : "MFG:;MDL:;CMD:" + languages + ";";
}
