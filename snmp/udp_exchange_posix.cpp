#include "snmp/udp_exchange.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "snmp/ber.h"

namespace snmp {

namespace {

bool SameAddress(const sockaddr_storage& a, const sockaddr* b, socklen_t bLen) {
    if (a.ss_family != b->sa_family) return false;
    if (a.ss_family == AF_INET && bLen >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
        auto* x = reinterpret_cast<const sockaddr_in*>(&a);
        auto* y = reinterpret_cast<const sockaddr_in*>(b);
        return x->sin_port == y->sin_port && x->sin_addr.s_addr == y->sin_addr.s_addr;
    }
    if (a.ss_family == AF_INET6 && bLen >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
        auto* x = reinterpret_cast<const sockaddr_in6*>(&a);
        auto* y = reinterpret_cast<const sockaddr_in6*>(b);
        return x->sin6_port == y->sin6_port &&
               std::memcmp(&x->sin6_addr, &y->sin6_addr, sizeof(in6_addr)) == 0;
    }
    return false;
}

}  // namespace

int StartSockets() { return 0; }
void StopSockets() {}

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
    socklen_t agentLen = static_cast<socklen_t>(found->ai_addrlen);
    int fd = socket(found->ai_family, SOCK_DGRAM, IPPROTO_UDP);
    freeaddrinfo(found);
    if (fd < 0) return ExchangeResult::kSocketFailed;

    if (sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&agent),
               agentLen) != static_cast<ssize_t>(request.size())) {
        close(fd);
        return ExchangeResult::kSendFailed;
    }

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::uint8_t> buffer(kMaxMessageSize);
    ExchangeResult result = ExchangeResult::kTimeout;
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready <= 0) continue;   // time up or interrupted: the loop decides
        sockaddr_storage from{};
        socklen_t fromLen = sizeof(from);
        ssize_t got = recvfrom(fd, buffer.data(), buffer.size(), 0,
                               reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (got < 0) continue;
        if (!SameAddress(agent, reinterpret_cast<sockaddr*>(&from), fromLen)) continue;
        if (filter.Accept(buffer.data(), static_cast<std::size_t>(got))) {
            result = ExchangeResult::kAnswered;
            break;
        }
    }
    close(fd);
    return result;
}

}  // namespace snmp
