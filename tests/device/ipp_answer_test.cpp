// A printer's Get-Printer-Attributes answer as servers really frame it, through
// the HTTP reader and the IPP decoder to the device ID the lookup would take;
// and the request as printers want it addressed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "device/ipp_answer.h"

namespace {

const char kId[] = "MFG:Acme;MDL:Model 9;CMD:PDF,JPEG;";

void PutAttribute(std::string& out, char tag, const std::string& name, const std::string& value) {
    out += tag;
    out += {static_cast<char>(name.size() >> 8), static_cast<char>(name.size())};
    out += name;
    out += {static_cast<char>(value.size() >> 8), static_cast<char>(value.size())};
    out += value;
}

// An IPP/2.0 successful answer carrying kId, echoing `requestId`.
std::string IppBody(std::uint32_t requestId) {
    std::string body = {2, 0, 0, 0};
    for (int shift = 24; shift >= 0; shift -= 8) body += static_cast<char>(requestId >> shift);
    body += '\x01';
    PutAttribute(body, 0x47, "attributes-charset", "utf-8");
    PutAttribute(body, 0x48, "attributes-natural-language", "en");
    body += '\x04';
    PutAttribute(body, 0x41, "printer-device-id", kId);
    PutAttribute(body, 0x49, "document-format-supported", "application/pdf");
    body += '\x03';
    return body;
}

// `head` with "#" replaced by the body's length, then the body.
std::string Answer(std::string head, const std::string& body) {
    for (std::size_t at; (at = head.find('#')) != std::string::npos;) head.replace(at, 1, std::to_string(body.size()));
    return head + body;
}

std::string Hex(std::size_t n, int width) {
    char text[32];
    std::snprintf(text, sizeof(text), "%0*zx", width, n);
    return text;
}

// What the lookup takes from `bytes` sent back to request 1: the device ID, or
// where the answer was refused.
std::string Read(const std::string& bytes, bool closed) {
    int status = 0;
    std::vector<std::uint8_t> body;
    switch (ReadHttpResponse(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), closed, &status, &body)) {
        case HttpFrame::kIncomplete: return "incomplete";
        case HttpFrame::kBroken: return "broken";
        case HttpFrame::kComplete: break;
    }
    IppPrinterAttributes attributes;
    if (status != 200 || !DecodeIppResponse(body, 1, &attributes)) return "unreadable";
    return IppDeviceId(attributes);
}

}  // namespace

TEST(IppAnswer, ReadsAnswersAsServersFrameThem) {
    const std::string body = IppBody(1);
    const std::string ok = "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\n";
    const std::string chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    struct Case {
        const char* name;
        std::string bytes;
        bool closed;
        std::string id;
    };
    const Case cases[] = {
        {"blank behind the length", Answer(ok + "Content-Length: # \r\n\r\n", body), false, kId},
        {"tab behind the length", Answer(ok + "Content-Length:\t#\t\r\n\r\n", body), false, kId},
        {"bare LF line ends", Answer("HTTP/1.1 200 OK\nContent-Type: application/ipp\nContent-Length: #\n\n", body),
         false, kId},
        {"one length listed twice", Answer(ok + "Content-Length: #, #\r\n\r\n", body), false, kId},
        {"two lengths that differ", Answer(ok + "Content-Length: 100\r\nContent-Length: #\r\n\r\n", body), false,
         "broken"},
        {"chunk size with leading zeros", chunked + Hex(body.size(), 9) + "\r\n" + body + "\r\n0\r\n\r\n", false, kId},
        {"chunked with bare LF", chunked + Hex(body.size(), 2) + "\n" + body + "\n0\n\n", false, kId},
        {"chunk larger than any answer", chunked + "fffffffe\r\n" + body + "\r\n", false, "broken"},
        {"answer to another request", Answer(ok + "Content-Length: #\r\n\r\n", IppBody(0x7777)), false, "unreadable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Read(c.bytes, c.closed), c.id);
    }
}

TEST(IppAnswer, AddressesThePrinterAsUrisWriteIt) {
    struct Case {
        const char* host;
        const char* uri;
        const char* hostHeader;
    };
    const Case cases[] = {
        {"192.0.2.7", "ipp://192.0.2.7:631/ipp/print", "Host: 192.0.2.7:631\r\n"},
        {"2001:db8::7", "ipp://[2001:db8::7]:631/ipp/print", "Host: [2001:db8::7]:631\r\n"},
        {"fe80::1%eth0", "ipp://[fe80::1%25eth0]:631/ipp/print", "Host: [fe80::1%eth0]:631\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        const std::vector<std::uint8_t> request = EncodeIppDeviceIdRequest(c.host, "/ipp/print", 1);
        const std::string text(request.begin(), request.end());
        const std::string uri = std::string("printer-uri") + char(0) + char(std::strlen(c.uri)) + c.uri;
        EXPECT_NE(text.find(uri), std::string::npos);
        EXPECT_NE(text.find(c.hostHeader), std::string::npos);
    }
}
