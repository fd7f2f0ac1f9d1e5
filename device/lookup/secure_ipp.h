// One IPP request over TLS (https, ipps) through the platform's own TLS. A
// printer's certificate is nearly always self-signed: it is not verified, and
// the answer says so for the trace.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct SecureIppReply {
    bool answered = false;      // an HTTP answer came back
    int status = 0;             // its HTTP status
    std::vector<std::uint8_t> body;
    std::string failure;        // why there was none
};

class SecureIpp {
public:
    virtual ~SecureIpp() = default;
    // POST of `ipp` (an IPP request body, as application/ipp) to `resource`
    // at host:port, all within `timeoutMs`.
    virtual SecureIppReply Post(const std::string& host, unsigned short port, const std::string& resource,
                                const std::vector<std::uint8_t>& ipp, int timeoutMs) = 0;
};

// WinHTTP on Windows; elsewhere every request fails ("no TLS here").
SecureIpp& SystemSecureIpp();
