// Name resolution and the conversions between Endpoint and the socket address
// records, which Winsock and BSD sockets share. Include after the platform's
// socket headers.
#pragma once
#include <cstring>
#include <string>
#include <vector>

#include "snmp/udp_exchange.h"

namespace snmp {

inline bool EndpointFromSockaddr(const sockaddr* address, std::size_t length, Endpoint* out) {
    *out = Endpoint{};
    if (address->sa_family == AF_INET && length >= sizeof(sockaddr_in)) {
        auto* in = reinterpret_cast<const sockaddr_in*>(address);
        out->family = 4;
        std::memcpy(out->address, &in->sin_addr, 4);
        out->port = ntohs(in->sin_port);
        return true;
    }
    if (address->sa_family == AF_INET6 && length >= sizeof(sockaddr_in6)) {
        auto* in6 = reinterpret_cast<const sockaddr_in6*>(address);
        out->family = 6;
        std::memcpy(out->address, &in6->sin6_addr, 16);
        out->port = ntohs(in6->sin6_port);
        out->scope = in6->sin6_scope_id;
        return true;
    }
    return false;
}

// Every address getaddrinfo gives for `host`, each once, in its order; with
// `numericOnly` a literal address only. Brackets round a literal (as URIs and
// some registry values write it) are not part of it.
inline bool ResolveEndpoints(const std::string& host, unsigned short port, bool numericOnly,
                             std::vector<Endpoint>* out) {
    out->clear();
    const bool bracketed = host.size() > 2 && host.front() == '[' && host.back() == ']';
    const std::string bare = bracketed ? host.substr(1, host.size() - 2) : host;
    addrinfo hints{};
    hints.ai_flags = numericOnly ? AI_NUMERICHOST : 0;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    addrinfo* found = nullptr;
    if (getaddrinfo(bare.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || found == nullptr) {
        return false;
    }
    for (const addrinfo* one = found; one != nullptr; one = one->ai_next) {
        Endpoint endpoint;
        if (!EndpointFromSockaddr(one->ai_addr, static_cast<std::size_t>(one->ai_addrlen), &endpoint)) continue;
        bool seen = false;
        for (const Endpoint& earlier : *out) seen |= earlier == endpoint;
        if (!seen) out->push_back(endpoint);
    }
    freeaddrinfo(found);
    return !out->empty();
}

// The record's length, 0 for an endpoint of no known family.
inline int SockaddrFromEndpoint(const Endpoint& endpoint, sockaddr_storage* out) {
    std::memset(out, 0, sizeof(*out));
    if (endpoint.family == 4) {
        auto* in = reinterpret_cast<sockaddr_in*>(out);
        in->sin_family = AF_INET;
        std::memcpy(&in->sin_addr, endpoint.address, 4);
        in->sin_port = htons(endpoint.port);
        return static_cast<int>(sizeof(sockaddr_in));
    }
    if (endpoint.family == 6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(out);
        in6->sin6_family = AF_INET6;
        std::memcpy(&in6->sin6_addr, endpoint.address, 16);
        in6->sin6_port = htons(endpoint.port);
        in6->sin6_scope_id = endpoint.scope;
        return static_cast<int>(sizeof(sockaddr_in6));
    }
    return 0;
}

}  // namespace snmp
