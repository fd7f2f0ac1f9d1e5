// Get-Printer-Attributes over plain HTTP/1.1, portable: the request a printer
// is sent, and the reading of whatever comes back (HTTP framing with a
// Content-Length, chunked or up to the close, then the IPP attributes), down
// to a device ID. Everything read here comes from the network.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The HTTP POST of an IPP/1.1 Get-Printer-Attributes for printer-device-id
// and document-format-supported, to `resource` of the printer at `host` and
// `port`; `secure` names it by an ipps printer-uri.
std::vector<std::uint8_t> EncodeIppDeviceIdRequest(const std::string& host, const std::string& resource,
                                                   std::int32_t requestId, unsigned short port = 631,
                                                   bool secure = false);

enum class HttpFrame { kIncomplete, kComplete, kBroken };

// The body of an HTTP response once it is complete. `closed`: the peer has
// closed, so a response without a length ends here. `status` is the HTTP status.
// Read as RFC 7230 lets a recipient: bare LF line ends, blanks around values,
// leading zeros in chunk sizes; lengths that disagree leave it kBroken.
HttpFrame ReadHttpResponse(const std::vector<std::uint8_t>& received, bool closed, int* status,
                           std::vector<std::uint8_t>* body);

struct IppPrinterAttributes {
    int status = -1;                      // the IPP status code; 0..0xFF successful
    std::string deviceId;                 // printer-device-id, empty when absent
    std::vector<std::string> formats;     // document-format-supported
};

// False when `body` is not a well-formed IPP response to the request with `requestId`.
bool DecodeIppResponse(const std::vector<std::uint8_t>& body, std::int32_t requestId, IppPrinterAttributes* out);

// A printer-device-id with a command set (CMD: or COMMAND SET:); without one, "MFG:;MDL:;CMD:...;"
// naming the five languages among the document formats. Empty when neither.
std::string IppDeviceId(const IppPrinterAttributes& attributes);
