#include "snmp/udp_exchange.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <cstring>

#include "snmp/ber.h"

namespace snmp {

namespace {

bool SameAddress(const sockaddr_storage& a, const sockaddr* b, int bLen) {
    if (a.ss_family != b->sa_family) return false;
    if (a.ss_family == AF_INET && bLen >= static_cast<int>(sizeof(sockaddr_in))) {
        auto* x = reinterpret_cast<const sockaddr_in*>(&a);
        auto* y = reinterpret_cast<const sockaddr_in*>(b);
        return x->sin_port == y->sin_port && x->sin_addr.s_addr == y->sin_addr.s_addr;
    }
    if (a.ss_family == AF_INET6 && bLen >= static_cast<int>(sizeof(sockaddr_in6))) {
        auto* x = reinterpret_cast<const sockaddr_in6*>(&a);
        auto* y = reinterpret_cast<const sockaddr_in6*>(b);
        return x->sin6_port == y->sin6_port &&
               std::memcmp(&x->sin6_addr, &y->sin6_addr, sizeof(in6_addr)) == 0;
    }
    return false;
}

}  // namespace

int StartSockets() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
}

void StopSockets() { WSACleanup(); }

ExchangeResult ExchangeDatagram(const std::string& host, unsigned short port,
                                const std::vector<std::uint8_t>& request, int timeoutMs,
                                DatagramFilter& filter) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr) {
        return ExchangeResult::kResolveFailed;
    }
    sockaddr_storage agent{};
    std::memcpy(&agent, found->ai_addr, found->ai_addrlen);
    int agentLen = static_cast<int>(found->ai_addrlen);
    SOCKET s = socket(found->ai_family, SOCK_DGRAM, IPPROTO_UDP);
    freeaddrinfo(found);
    if (s == INVALID_SOCKET) return ExchangeResult::kSocketFailed;

    if (sendto(s, reinterpret_cast<const char*>(request.data()), static_cast<int>(request.size()), 0,
               reinterpret_cast<sockaddr*>(&agent), agentLen) != static_cast<int>(request.size())) {
        closesocket(s);
        return ExchangeResult::kSendFailed;
    }

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<char> buffer(kMaxMessageSize);
    ExchangeResult result = ExchangeResult::kTimeout;
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval wait{static_cast<long>(left.count() / 1000000), static_cast<long>(left.count() % 1000000)};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
        sockaddr_storage from{};
        int fromLen = sizeof(from);
        // An ICMP "port unreachable" shows up here as WSAECONNRESET; like any other
        // stray event it does not end the attempt.
        int got = recvfrom(s, buffer.data(), static_cast<int>(buffer.size()), 0,
                           reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (got < 0) continue;
        if (!SameAddress(agent, reinterpret_cast<sockaddr*>(&from), fromLen)) continue;
        if (filter.Accept(reinterpret_cast<const std::uint8_t*>(buffer.data()),
                          static_cast<std::size_t>(got))) {
            result = ExchangeResult::kAnswered;
            break;
        }
    }
    closesocket(s);
    return result;
}

}  // namespace snmp
