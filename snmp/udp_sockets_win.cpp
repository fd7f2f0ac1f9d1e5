// Winsock under the receive loop.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "snmp/endpoint_sockaddr.h"
#include "snmp/udp_exchange.h"

namespace snmp {

namespace {

class WinsockSockets : public DatagramSockets {
public:
    bool Resolve(const std::string& host, unsigned short port, Endpoint* agent) override {
        return ResolveEndpoint(host, port, agent);
    }

    Handle Open(const Endpoint& agent) override {
        SOCKET s = socket(agent.family == 6 ? AF_INET6 : AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        return s == INVALID_SOCKET ? kNoSocket : static_cast<Handle>(s);
    }

    bool SendTo(Handle socket, const Endpoint& agent, const std::vector<std::uint8_t>& datagram) override {
        sockaddr_storage to{};
        int length = SockaddrFromEndpoint(agent, &to);
        return sendto(static_cast<SOCKET>(socket), reinterpret_cast<const char*>(datagram.data()),
                      static_cast<int>(datagram.size()), 0, reinterpret_cast<sockaddr*>(&to),
                      length) == static_cast<int>(datagram.size());
    }

    WaitResult WaitReadable(const std::vector<Handle>& sockets, int timeoutMs,
                            std::vector<bool>* readable) override {
        fd_set set;
        FD_ZERO(&set);
        for (Handle s : sockets) FD_SET(static_cast<SOCKET>(s), &set);
        timeval wait{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
        int ready = select(0, &set, nullptr, nullptr, &wait);
        if (ready == SOCKET_ERROR) return WaitResult::kFailed;
        if (ready == 0) return WaitResult::kNothing;
        for (std::size_t i = 0; i < sockets.size(); ++i) {
            (*readable)[i] = FD_ISSET(static_cast<SOCKET>(sockets[i]), &set) != 0;
        }
        return WaitResult::kReadable;
    }

    // An ICMP "port unreachable" shows up here as WSAECONNRESET: no datagram.
    bool ReceiveFrom(Handle socket, std::vector<std::uint8_t>* buffer, std::size_t* size, Endpoint* from) override {
        sockaddr_storage sender{};
        int senderLength = sizeof(sender);
        int got = recvfrom(static_cast<SOCKET>(socket), reinterpret_cast<char*>(buffer->data()),
                           static_cast<int>(buffer->size()), 0, reinterpret_cast<sockaddr*>(&sender),
                           &senderLength);
        if (got < 0) return false;
        *size = static_cast<std::size_t>(got);
        return EndpointFromSockaddr(reinterpret_cast<sockaddr*>(&sender), static_cast<std::size_t>(senderLength),
                                    from);
    }

    void Close(Handle socket) override { closesocket(static_cast<SOCKET>(socket)); }
};

}  // namespace

DatagramSockets& SystemSockets() {
    static WinsockSockets sockets;
    return sockets;
}

int StartSockets() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
}

void StopSockets() { WSACleanup(); }

}  // namespace snmp
