// The socket edge of the SNMP library: request/answer exchanges over UDP. Each
// exchange sends one datagram per attempt, all from one socket that stays open
// until the exchange is over, and takes an answer to any of its attempts while
// it runs; any number of exchanges run together in
// one receive loop on the caller's thread. An exchange may instead run over a
// TCP connection per attempt, so that other protocols' questions to the same
// printers share the loop and its deadlines. The loop is portable; only the
// socket calls below it differ between Winsock and BSD sockets.
#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
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
    // Bytes a stream may bring for one answer; more ends the attempt.
    static constexpr std::size_t kMaxStreamAnswer = 256 * 1024;

    virtual ~DatagramSockets() = default;
    // Every address getaddrinfo gives for `host`, in its order, each once;
    // with `numericOnly` a literal address only (no name service is asked, so
    // it never blocks). A literal may stand in brackets, as URIs write it.
    virtual bool Resolve(const std::string& host, unsigned short port, bool numericOnly,
                         std::vector<Endpoint>* agents) = 0;
    // A UDP socket of the agent's family, or kNoSocket.
    virtual Handle Open(const Endpoint& agent) = 0;
    virtual bool SendTo(Handle socket, const Endpoint& agent, const std::vector<std::uint8_t>& datagram) = 0;
    // Waits up to `timeoutMs` for any of `sockets`; marks in `readable` which have
    // something to read, or, where `connecting` is set, whose connect is over
    // (done or failed). kNothing also covers an interrupted wait.
    virtual WaitResult WaitReadable(const std::vector<Handle>& sockets, const std::vector<bool>& connecting,
                                    int timeoutMs, std::vector<bool>* readable) = 0;
    // One datagram; false when none could be read (an ICMP error, for one).
    virtual bool ReceiveFrom(Handle socket, std::vector<std::uint8_t>* buffer, std::size_t* size,
                             Endpoint* from) = 0;
    virtual void Close(Handle socket) = 0;

    // TCP: a non-blocking socket whose connect to `peer` has begun, or kNoSocket.
    virtual Handle Connect(const Endpoint& peer) = 0;
    // Once the wait reported the connect over: whether it succeeded.
    virtual bool Connected(Handle socket) = 0;
    // Sends all of `bytes`; false when they did not all go.
    virtual bool Send(Handle socket, const std::vector<std::uint8_t>& bytes) = 0;
    // What has arrived, up to the buffer's size; *size 0 when the peer closed.
    virtual bool Receive(Handle socket, std::vector<std::uint8_t>* buffer, std::size_t* size) = 0;
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
    // True when a datagram from the agent answers this exchange (any attempt of it).
    virtual bool Accept(const std::uint8_t* data, std::size_t size) = 0;

    // Over a stream: what the bytes received so far on this attempt are.
    // `closed` when the peer has closed its side. kRefused ends the attempt.
    enum class Verdict { kMore, kAnswered, kRefused };
    virtual Verdict Judge(const std::vector<std::uint8_t>& /*received*/, bool /*closed*/) {
        return Verdict::kRefused;
    }
};

enum class Transport { kDatagram, kStream };

// Exchanges that run at the same time. An attempt that fails in any way
// (no socket, send error, failed wait, silence until its deadline) is followed
// by the next, up to the exchange's attempt count; the last attempt's outcome
// is the exchange's. Every exchange ends by its start time plus its attempts'
// time. A literal address goes on the wire when the exchange starts; a host
// name is resolved on a thread of its own from that moment, since resolution
// blocks and a stale name must hold up neither the other exchanges nor its
// own time, and joins the loop once it resolves. A name resolved after its
// exchange's end is not asked. A name with several addresses (IPv6 and IPv4,
// say, of which the printer serves one) is asked at all of them within the
// same time: each datagram attempt goes to every address, and a stream
// attempt connects to every address and talks over the first connection made.
// Datagrams from another address or port, unreadable ones and those the
// conversation refuses are dropped and do not shorten an attempt (an agent
// answers from where it was asked; taking answers from anywhere would leave
// only the request-id between us and a forged one). Over a stream, a failed
// connect, a closed connection or an answer the conversation refuses ends
// the attempt at once. Every socket is closed by the time the set is destroyed.
class ExchangeSet {
public:
    explicit ExchangeSet(DatagramSockets& sockets) : m_sockets(sockets) {}
    ~ExchangeSet();
    ExchangeSet(const ExchangeSet&) = delete;
    ExchangeSet& operator=(const ExchangeSet&) = delete;

    // Starts an exchange and, for a literal address, sends its first attempt
    // now; returns its index. The exchange ends `budgetMs` after its start
    // (0: all its attempts' time), so an attempt that fails early leaves the
    // rest of the budget to the next.
    // `conversation` must outlive the set.
    std::size_t Start(const std::string& host, unsigned short port, int attempts, int timeoutMs,
                      Conversation& conversation, Transport transport = Transport::kDatagram, int budgetMs = 0);
    // An exchange carried on a thread of the caller's (a platform call that
    // blocks): it ends when `outcome` turns non-zero (1 answered, anything else
    // failed) or when its budget is spent, whichever is first. The set looks at
    // it while it waits, as at a name being resolved, so its answer counts as
    // any other's; the thread is never waited for.
    std::size_t StartOutside(int budgetMs, std::shared_ptr<std::atomic<int>> outcome);
    // Serves every running exchange until the one at `index` is over.
    ExchangeResult Wait(std::size_t index);

    // How many exchanges were started, over or not.
    std::size_t Size() const { return m_exchanges.size(); }
    // Whether the exchange at `index` is over; Wait then returns at once.
    bool Over(std::size_t index) const { return m_exchanges.at(index).over; }
    // Called on the waiting thread with an exchange's index as soon as it ends
    // answered, whichever exchange is being waited for.
    void OnAnswered(std::function<void(std::size_t index)> listener) { m_onAnswered = std::move(listener); }
    // Ends the exchange at `index` no later than `within` from now.
    void Shorten(std::size_t index, std::chrono::milliseconds within);

private:
    using Clock = std::chrono::steady_clock;
    struct Resolution;
    // One address of the exchange's host, with its socket of this attempt.
    struct Leg {
        Endpoint agent;
        DatagramSockets::Handle socket = DatagramSockets::kNoSocket;
        bool connecting = false;                  // stream: the connect is not over yet
    };
    struct Exchange {
        std::string host;
        unsigned short port = 0;
        int attemptsLeft = 0;
        int timeoutMs = 0;
        Conversation* conversation = nullptr;
        std::vector<Leg> legs;        // once resolved: one per address
        unsigned attempt = 0;         // counts the attempts put on the wire
        Clock::time_point deadline;   // of the attempt on the wire
        Clock::time_point end;        // of the whole exchange
        bool resolved = false;
        std::shared_ptr<Resolution> resolving;    // a host name's, until its thread is done
        std::shared_ptr<std::atomic<int>> outside;   // StartOutside's outcome
        bool stream = false;
        std::vector<std::uint8_t> outgoing, received;   // stream: this attempt's bytes
        bool over = false;
        ExchangeResult result = ExchangeResult::kTimeout;
    };

    // A host name whose thread has resolved it goes on the wire.
    void Reach(Exchange& exchange);
    void TakeAddresses(Exchange& exchange, const std::vector<Endpoint>& agents);
    // Sends the next attempt that gets as far as the wire, or ends the exchange.
    void SendNextAttempt(Exchange& exchange);
    void EndAttempt(Exchange& exchange, ExchangeResult result);
    void CloseSocket(Exchange& exchange);
    bool OnTheWire(const Exchange& exchange) const;
    // A stream socket the wait reported ready: the connect's end, or bytes.
    void ServeStream(Exchange& exchange, Leg& leg);

    DatagramSockets& m_sockets;
    std::vector<Exchange> m_exchanges;
    std::function<void(std::size_t)> m_onAnswered;
    std::vector<std::uint8_t> m_buffer;
};

}  // namespace snmp
