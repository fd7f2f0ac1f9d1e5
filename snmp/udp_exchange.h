// The socket edge of the SNMP library: request/answer exchanges over UDP. Each
// exchange sends one datagram per attempt from a fresh socket and waits for the
// answer until that attempt's deadline; any number of exchanges run together in
// one receive loop on the caller's thread. The loop is portable; only the
// socket calls below it differ between Winsock and BSD sockets.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace snmp {

// A UDP address as portable code compares it.
struct Endpoint {
    int family = 0;                   // 4 or 6
    std::uint8_t address[16] = {};    // IPv4 uses the first four bytes
    unsigned short port = 0;
    std::uint32_t scope = 0;          // IPv6 zone, kept for sending, not compared

    bool operator==(const Endpoint& other) const;
};

// The platform's socket calls, as the receive loop uses them.
class DatagramSockets {
public:
    using Handle = std::intptr_t;
    static constexpr Handle kNoSocket = -1;
    enum class WaitResult { kReadable, kNothing, kFailed };

    virtual ~DatagramSockets() = default;
    // getaddrinfo's first address for `host` (a literal or a name).
    virtual bool Resolve(const std::string& host, unsigned short port, Endpoint* agent) = 0;
    // A UDP socket of the agent's family, or kNoSocket.
    virtual Handle Open(const Endpoint& agent) = 0;
    virtual bool SendTo(Handle socket, const Endpoint& agent, const std::vector<std::uint8_t>& datagram) = 0;
    // Waits up to `timeoutMs` for any of `sockets`; marks in `readable` which have
    // a datagram. kNothing also covers an interrupted wait.
    virtual WaitResult WaitReadable(const std::vector<Handle>& sockets, int timeoutMs,
                                    std::vector<bool>* readable) = 0;
    // One datagram; false when none could be read (an ICMP error, for one).
    virtual bool ReceiveFrom(Handle socket, std::vector<std::uint8_t>* buffer, std::size_t* size,
                             Endpoint* from) = 0;
    virtual void Close(Handle socket) = 0;
};

DatagramSockets& SystemSockets();
int StartSockets();
void StopSockets();

enum class ExchangeResult { kAnswered, kTimeout, kResolveFailed, kSocketFailed, kSendFailed, kReceiveFailed };

// What an exchange sends and which answer ends it.
class Conversation {
public:
    virtual ~Conversation() = default;
    // The datagram of the next attempt; called once per attempt, before it is sent.
    virtual std::vector<std::uint8_t> NextRequest() = 0;
    // True when a datagram from the agent answers the current attempt.
    virtual bool Accept(const std::uint8_t* data, std::size_t size) = 0;
};

// Exchanges that run at the same time. An attempt that fails in any way
// (unresolvable host, no socket, send error, failed wait, silence until its
// deadline) is followed by the next, up to the exchange's attempt count; the
// last attempt's outcome is the exchange's. Datagrams from other addresses,
// unreadable ones and those the conversation refuses are dropped and do not
// shorten an attempt. Every socket is closed by the time the set is destroyed.
class ExchangeSet {
public:
    explicit ExchangeSet(DatagramSockets& sockets) : m_sockets(sockets) {}
    ~ExchangeSet();
    ExchangeSet(const ExchangeSet&) = delete;
    ExchangeSet& operator=(const ExchangeSet&) = delete;

    // Starts an exchange and sends its first attempt now; returns its index.
    // `conversation` must outlive the set.
    std::size_t Start(const std::string& host, unsigned short port, int attempts, int timeoutMs,
                      Conversation& conversation);
    // Serves every running exchange until the one at `index` is over.
    ExchangeResult Wait(std::size_t index);

private:
    using Clock = std::chrono::steady_clock;
    struct Exchange {
        std::string host;
        unsigned short port = 0;
        int attemptsLeft = 0;
        int timeoutMs = 0;
        Conversation* conversation = nullptr;
        Endpoint agent;
        DatagramSockets::Handle socket = DatagramSockets::kNoSocket;
        Clock::time_point deadline;
        bool over = false;
        ExchangeResult result = ExchangeResult::kTimeout;
    };

    // Sends the next attempt that gets as far as the wire, or ends the exchange.
    void SendNextAttempt(Exchange& exchange);
    void EndAttempt(Exchange& exchange, ExchangeResult result);

    DatagramSockets& m_sockets;
    std::vector<Exchange> m_exchanges;
    std::vector<std::uint8_t> m_buffer;
};

}  // namespace snmp
