#include "device/ipp_answer.h"

#include "device/device_id_pairs.h"

#include <cctype>
#include <cstdlib>

namespace {

constexpr std::size_t kMaxHeaderBytes = 16 * 1024;

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

// The position behind the first CR LF at or after `from`, or npos.
std::size_t LineEnd(const std::string& text, std::size_t from) {
    std::size_t at = text.find("\r\n", from);
    return at == std::string::npos ? at : at + 2;
}

// Chunked transfer coding: the chunks' data once the last chunk and the
// trailer's end have arrived.
HttpFrame Unchunk(const std::string& text, std::size_t at, std::vector<std::uint8_t>* body) {
    body->clear();
    for (;;) {
        std::size_t next = LineEnd(text, at);
        if (next == std::string::npos) return HttpFrame::kIncomplete;
        const std::string line = text.substr(at, next - 2 - at);
        std::size_t digits = 0;
        while (digits < line.size() && std::isxdigit(static_cast<unsigned char>(line[digits]))) ++digits;
        if (digits == 0 || digits > 8) return HttpFrame::kBroken;
        const std::size_t size = std::strtoul(line.substr(0, digits).c_str(), nullptr, 16);
        at = next;
        if (size == 0) {
            // Trailer lines until an empty one.
            for (;;) {
                next = LineEnd(text, at);
                if (next == std::string::npos) return HttpFrame::kIncomplete;
                if (next == at + 2) return HttpFrame::kComplete;
                at = next;
            }
        }
        if (text.size() - at < size + 2) return HttpFrame::kIncomplete;
        if (text.compare(at + size, 2, "\r\n") != 0) return HttpFrame::kBroken;
        body->insert(body->end(), text.begin() + static_cast<std::ptrdiff_t>(at),
                     text.begin() + static_cast<std::ptrdiff_t>(at + size));
        at += size + 2;
    }
}

std::size_t Short(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::size_t>(b[at]) << 8 | b[at + 1];
}

}  // namespace

std::vector<std::uint8_t> EncodeIppDeviceIdRequest(const std::string& host, const std::string& resource,
                                                   std::int32_t requestId, unsigned short port, bool secure) {
    // An IPv6 literal goes in brackets, in the URI as in the Host header.
    const std::string authority =
        (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + std::to_string(port);
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
        const std::size_t headEnd = text.find("\r\n\r\n", start);
        if (headEnd == std::string::npos) {
            return text.size() - start > kMaxHeaderBytes || closed ? HttpFrame::kBroken : HttpFrame::kIncomplete;
        }
        const std::string head = Lower(text.substr(start, headEnd - start));
        if (head.compare(0, 7, "http/1.") != 0 || head.size() < 12 || head[8] != ' ') return HttpFrame::kBroken;
        *status = std::atoi(head.c_str() + 9);
        const std::size_t bodyStart = headEnd + 4;
        if (*status >= 100 && *status < 200) {   // an interim answer; the real one follows
            start = bodyStart;
            continue;
        }
        long long length = -1;
        bool chunked = false;
        const std::string lines = head + "\r\n";
        for (std::size_t at = LineEnd(lines, 0); at < lines.size();) {
            const std::size_t next = LineEnd(lines, at);
            const std::string line = lines.substr(at, next - 2 - at);
            const std::size_t colon = line.find(':');
            if (colon != std::string::npos) {
                const std::string name = line.substr(0, colon);
                std::string value = line.substr(colon + 1);
                while (!value.empty() && (value[0] == ' ' || value[0] == '\t')) value.erase(0, 1);
                if (name == "content-length") {
                    if (value.empty() || value.size() > 9 ||
                        value.find_first_not_of("0123456789") != std::string::npos) {
                        return HttpFrame::kBroken;
                    }
                    length = std::atoll(value.c_str());
                }
                if (name == "transfer-encoding") chunked = value.find("chunked") != std::string::npos;
            }
            at = next;
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

bool DecodeIppResponse(const std::vector<std::uint8_t>& body, IppPrinterAttributes* out) {
    *out = IppPrinterAttributes{};
    if (body.size() < 9 || body[0] < 1) return false;
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
