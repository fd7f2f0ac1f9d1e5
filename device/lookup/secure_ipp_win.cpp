// IPP over TLS through WinHTTP, the certificate's trust, name and dates not
// checked (printers serve self-signed certificates).
#include "device/lookup/secure_ipp.h"

#include <windows.h>
#include <winhttp.h>

#include "base/ansi_path.h"

namespace {

struct Handle {
    HINTERNET h = nullptr;
    ~Handle() {
        if (h) WinHttpCloseHandle(h);
    }
};

std::string Failure(const char* step) { return std::string(step) + " failed : " + std::to_string(GetLastError()); }

class WinHttpIpp : public SecureIpp {
public:
    SecureIppReply Post(const std::string& host, unsigned short port, const std::string& resource,
                        const std::vector<std::uint8_t>& ipp, int timeoutMs) override {
        SecureIppReply reply;
        Handle session, connection, request;
        session.h = WinHttpOpen(L"Orvane", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS, 0);
        if (!session.h) return reply.failure = Failure("WinHttpOpen"), reply;
        WinHttpSetTimeouts(session.h, timeoutMs, timeoutMs, timeoutMs, timeoutMs);
        connection.h = WinHttpConnect(session.h, AnsiToWide(host).c_str(), port, 0);
        if (!connection.h) return reply.failure = Failure("WinHttpConnect"), reply;
        request.h = WinHttpOpenRequest(connection.h, L"POST", AnsiToWide(resource).c_str(), nullptr,
                                       WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE);
        if (!request.h) return reply.failure = Failure("WinHttpOpenRequest"), reply;
        DWORD ignore = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                       SECURITY_FLAG_IGNORE_CERT_DATE_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
        WinHttpSetOption(request.h, WINHTTP_OPTION_SECURITY_FLAGS, &ignore, sizeof(ignore));
        const wchar_t kType[] = L"Content-Type: application/ipp\r\n";
        if (!WinHttpSendRequest(request.h, kType, static_cast<DWORD>(-1), const_cast<std::uint8_t*>(ipp.data()),
                                static_cast<DWORD>(ipp.size()), static_cast<DWORD>(ipp.size()), 0)) {
            return reply.failure = Failure("WinHttpSendRequest"), reply;
        }
        if (!WinHttpReceiveResponse(request.h, nullptr)) return reply.failure = Failure("WinHttpReceiveResponse"), reply;
        DWORD status = 0, size = sizeof(status);
        WinHttpQueryHeaders(request.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, nullptr, &status,
                            &size, nullptr);
        reply.status = static_cast<int>(status);
        for (;;) {
            std::uint8_t chunk[4096];
            DWORD got = 0;
            if (!WinHttpReadData(request.h, chunk, sizeof(chunk), &got)) {
                return reply.failure = Failure("WinHttpReadData"), reply;
            }
            if (got == 0) break;
            reply.body.insert(reply.body.end(), chunk, chunk + got);
            if (reply.body.size() > 256 * 1024) return reply.failure = "answer too long", reply;
        }
        reply.answered = true;
        return reply;
    }
};

}  // namespace

SecureIpp& SystemSecureIpp() {
    static WinHttpIpp ipp;
    return ipp;
}
