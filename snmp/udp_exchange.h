// The socket edge of the SNMP library: one datagram out, datagrams in until one
// is accepted or the time is up. Winsock on Windows, BSD sockets elsewhere.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace snmp {

// Decides about each datagram that arrives from the agent's address.
class DatagramFilter {
public:
    virtual ~DatagramFilter() = default;
    // True ends the exchange with this datagram.
    virtual bool Accept(const std::uint8_t* data, std::size_t size) = 0;
};

enum class ExchangeResult { kAnswered, kTimeout, kResolveFailed, kSocketFailed, kSendFailed };

// Resolves `host` (IPv4 or IPv6 literal or a name) with getaddrinfo and uses its
// first address. Datagrams from any other address or port, unreadable ones and
// those the filter refuses are dropped; socket errors such as an ICMP
// "unreachable" do not end the wait either, so every attempt lasts until the
// answer or the full timeout.
ExchangeResult ExchangeDatagram(const std::string& host, unsigned short port,
                                const std::vector<std::uint8_t>& request, int timeoutMs,
                                DatagramFilter& filter);

int StartSockets();
void StopSockets();

}  // namespace snmp
