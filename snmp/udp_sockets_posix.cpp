// BSD sockets under the receive loop.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "snmp/endpoint_sockaddr.h"
#include "snmp/udp_exchange.h"

namespace snmp {

namespace {

class PosixSockets : public DatagramSockets {
public:
    bool Resolve(const std::string& host, unsigned short port, bool numericOnly,
                 std::vector<Endpoint>* agents) override {
        return ResolveEndpoints(host, port, numericOnly, agents);
    }

    Handle Open(const Endpoint& agent) override {
        int fd = socket(agent.family == 6 ? AF_INET6 : AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        return fd < 0 ? kNoSocket : fd;
    }

    bool SendTo(Handle socket, const Endpoint& agent, const std::vector<std::uint8_t>& datagram) override {
        sockaddr_storage to{};
        int length = SockaddrFromEndpoint(agent, &to);
        return sendto(static_cast<int>(socket), datagram.data(), datagram.size(), 0,
                      reinterpret_cast<sockaddr*>(&to), static_cast<socklen_t>(length)) ==
               static_cast<ssize_t>(datagram.size());
    }

    WaitResult WaitReadable(const std::vector<Handle>& sockets, const std::vector<bool>& connecting, int timeoutMs,
                            std::vector<bool>* readable) override {
        std::vector<pollfd> polled;
        for (std::size_t i = 0; i < sockets.size(); ++i) {
            polled.push_back({static_cast<int>(sockets[i]), static_cast<short>(connecting[i] ? POLLOUT : POLLIN), 0});
        }
        int ready = poll(polled.data(), polled.size(), timeoutMs);
        if (ready < 0) return errno == EINTR ? WaitResult::kNothing : WaitResult::kFailed;
        if (ready == 0) return WaitResult::kNothing;
        for (std::size_t i = 0; i < polled.size(); ++i) (*readable)[i] = polled[i].revents != 0;
        return WaitResult::kReadable;
    }

    bool ReceiveFrom(Handle socket, std::vector<std::uint8_t>* buffer, std::size_t* size, Endpoint* from) override {
        sockaddr_storage sender{};
        socklen_t senderLength = sizeof(sender);
        ssize_t got = recvfrom(static_cast<int>(socket), buffer->data(), buffer->size(), 0,
                               reinterpret_cast<sockaddr*>(&sender), &senderLength);
        if (got < 0) return false;
        *size = static_cast<std::size_t>(got);
        return EndpointFromSockaddr(reinterpret_cast<sockaddr*>(&sender), senderLength, from);
    }

    void Close(Handle socket) override { close(static_cast<int>(socket)); }

    Handle Connect(const Endpoint& peer) override {
        sockaddr_storage to{};
        int length = SockaddrFromEndpoint(peer, &to);
        int fd = socket(peer.family == 6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (fd < 0) return kNoSocket;
        if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK) != 0 ||
            (connect(fd, reinterpret_cast<sockaddr*>(&to), static_cast<socklen_t>(length)) != 0 &&
             errno != EINPROGRESS)) {
            close(fd);
            return kNoSocket;
        }
        return fd;
    }

    bool Connected(Handle socket) override {
        int error = 0;
        socklen_t length = sizeof(error);
        return getsockopt(static_cast<int>(socket), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }

    bool Send(Handle socket, const std::vector<std::uint8_t>& bytes) override {
        return send(static_cast<int>(socket), bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }

    bool Receive(Handle socket, std::vector<std::uint8_t>* buffer, std::size_t* size) override {
        ssize_t got = recv(static_cast<int>(socket), buffer->data(), buffer->size(), 0);
        if (got < 0) return false;
        *size = static_cast<std::size_t>(got);
        return true;
    }
};

}  // namespace

DatagramSockets& SystemSockets() {
    static PosixSockets sockets;
    return sockets;
}

int StartSockets() { return 0; }
void StopSockets() {}

}  // namespace snmp
