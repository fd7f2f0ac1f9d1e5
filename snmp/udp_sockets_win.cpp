// Winsock under the receive loop.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "snmp/endpoint_sockaddr.h"
#include "snmp/udp_exchange.h"

namespace snmp {

namespace {

class WinsockSockets : public DatagramSockets {
public:
    bool Resolve(const std::string& host, unsigned short port, bool numericOnly,
                 std::vector<Endpoint>* agents) override {
        return ResolveEndpoints(host, port, numericOnly, agents);
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

    // A connect that fails is reported in the exception set, one that
    // succeeds in the write set.
    WaitResult WaitReadable(const std::vector<Handle>& sockets, const std::vector<bool>& connecting, int timeoutMs,
                            std::vector<bool>* readable) override {
        fd_set reads, writes, failures;
        FD_ZERO(&reads);
        FD_ZERO(&writes);
        FD_ZERO(&failures);
        for (std::size_t i = 0; i < sockets.size(); ++i) {
            SOCKET s = static_cast<SOCKET>(sockets[i]);
            if (connecting[i]) {
                FD_SET(s, &writes);
                FD_SET(s, &failures);
            } else {
                FD_SET(s, &reads);
            }
        }
        timeval wait{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
        int ready = select(0, &reads, &writes, &failures, &wait);
        if (ready == SOCKET_ERROR) return WaitResult::kFailed;
        if (ready == 0) return WaitResult::kNothing;
        for (std::size_t i = 0; i < sockets.size(); ++i) {
            SOCKET s = static_cast<SOCKET>(sockets[i]);
            (*readable)[i] = FD_ISSET(s, &reads) || FD_ISSET(s, &writes) || FD_ISSET(s, &failures);
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

    Handle Connect(const Endpoint& peer) override {
        sockaddr_storage to{};
        int length = SockaddrFromEndpoint(peer, &to);
        SOCKET s = socket(peer.family == 6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) return kNoSocket;
        u_long nonBlocking = 1;
        if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0 ||
            (connect(s, reinterpret_cast<sockaddr*>(&to), length) != 0 && WSAGetLastError() != WSAEWOULDBLOCK)) {
            closesocket(s);
            return kNoSocket;
        }
        return static_cast<Handle>(s);
    }

    bool Connected(Handle socket) override {
        int error = 0;
        int length = sizeof(error);
        return getsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                          &length) == 0 &&
               error == 0;
    }

    bool Send(Handle socket, const std::vector<std::uint8_t>& bytes) override {
        return send(static_cast<SOCKET>(socket), reinterpret_cast<const char*>(bytes.data()),
                    static_cast<int>(bytes.size()), 0) == static_cast<int>(bytes.size());
    }

    bool Receive(Handle socket, std::vector<std::uint8_t>* buffer, std::size_t* size) override {
        int got = recv(static_cast<SOCKET>(socket), reinterpret_cast<char*>(buffer->data()),
                       static_cast<int>(buffer->size()), 0);
        if (got < 0) return false;
        *size = static_cast<std::size_t>(got);
        return true;
    }
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
