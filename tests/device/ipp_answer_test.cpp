// Printers' answers as servers really frame them, read down to the device ID the
// lookup takes; and the request as printers want it addressed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "device/lookup/ipp_answer.h"

namespace {

const char kId[] = "MFG:Acme;MDL:Model 9;CMD:PDF,JPEG;";

std::string Sized(const std::string& text) { return {char(text.size() >> 8), char(text.size())}; }
std::string Attribute(char tag, const std::string& name, const std::string& value) {
    return tag + Sized(name) + name + Sized(value) + value;
}

// An IPP/2.0 successful answer carrying kId, echoing `requestId`.
std::string IppBody(std::uint32_t id) {
    return std::string{2, 0, 0, 0, char(id >> 24), char(id >> 16), char(id >> 8), char(id), 1} +
           Attribute(0x47, "attributes-charset", "utf-8") + Attribute(0x48, "attributes-natural-language", "en") +
           '\x04' + Attribute(0x41, "printer-device-id", kId) + '\x03';
}

// What the lookup takes from an answer to request 1 ("#" in `head`: the body's length,
// in hex when `hexWidth` is set): the device ID, or where the answer was refused.
std::string Read(std::string head, const std::string& body, int hexWidth = 0) {
    char length[32];
    hexWidth ? std::snprintf(length, sizeof(length), "%0*zx", hexWidth, body.size())
             : std::snprintf(length, sizeof(length), "%zu", body.size());
    for (std::size_t at; (at = head.find('#')) != std::string::npos;) head.replace(at, 1, length);
    const std::string bytes = head + body + (hexWidth ? "\r\n0\r\n\r\n" : "");
    int status = 0;
    std::vector<std::uint8_t> content;
    switch (ReadHttpResponse(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), false, &status, &content)) {
        case HttpFrame::kIncomplete: return "incomplete";
        case HttpFrame::kBroken: return "broken";
        case HttpFrame::kComplete: break;
    }
    IppPrinterAttributes attributes;
    return status == 200 && DecodeIppResponse(content, 1, &attributes) ? IppDeviceId(attributes) : "unreadable";
}

}  // namespace

TEST(IppAnswer, ReadsAnswersAsServersFrameThem) {
    const std::string ok = "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\n", body = IppBody(1);
    const std::string chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    const struct {
        const char* name;
        std::string read, id;
    } cases[] = {
        {"blank behind the length", Read(ok + "Content-Length: # \r\n\r\n", body), kId},
        {"tab behind the length", Read(ok + "Content-Length:\t#\t\r\n\r\n", body), kId},
        {"bare LF line ends", Read("HTTP/1.1 200 OK\nContent-Type: application/ipp\nContent-Length: #\n\n", body), kId},
        {"one length listed twice", Read(ok + "Content-Length: #, #\r\n\r\n", body), kId},
        {"two lengths that differ", Read(ok + "Content-Length: 100\r\nContent-Length: #\r\n\r\n", body), "broken"},
        {"chunk size with leading zeros", Read(chunked + "#\r\n", body + "\r\n", 9), kId},
        {"chunked with bare LF", Read(chunked + "#\n", body + "\n", 2), kId},
        {"chunk larger than any answer", Read(chunked + "fffffffe\r\n", body + "\r\n"), "broken"},
        {"length folded onto a second line", Read(ok + "Content-Length:\r\n #\r\n\r\n", body), kId},
        {"chunked folded with a tab", Read(ok + "Transfer-Encoding:\r\n\tchunked\r\n\r\n#\r\n", body + "\r\n", 4), kId},
        {"answer to another request", Read(ok + "Content-Length: #\r\n\r\n", IppBody(0x7777)), "unreadable"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.read, c.id) << c.name;
}

// The zone names an interface of this computer only (RFC 6874): the socket
// uses it, the server is never told; brackets a registry value carried are
// not doubled.
TEST(IppAnswer, AddressesTheRequestWithoutTheZone) {
    const std::pair<const char*, std::string> cases[] = {{"fe80::1%eth0", "[fe80::1]:631"},
                                                         {"[2001:db8::5]", "[2001:db8::5]:631"}};
    for (const auto& [host, authority] : cases) {
        const std::vector<std::uint8_t> request = EncodeIppDeviceIdRequest(host, "/ipp/print", 1);
        const std::string text(request.begin(), request.end()), uri = "ipp://" + authority + "/ipp/print";
        EXPECT_NE(text.find("Host: " + authority + "\r\n"), std::string::npos) << text;
        EXPECT_NE(text.find(Sized(uri) + uri), std::string::npos) << host;
    }
}
