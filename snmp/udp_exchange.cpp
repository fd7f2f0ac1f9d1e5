#include "snmp/udp_exchange.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "snmp/ber.h"

namespace snmp {

bool Endpoint::operator==(const Endpoint& other) const {
    return family == other.family && port == other.port &&
           std::memcmp(address, other.address, family == 4 ? 4 : sizeof(address)) == 0;
}

// A host name being resolved, shared with the thread that resolves it: the
// thread may outlive the set when the name service stalls.
struct ExchangeSet::Resolution {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool ok = false;
    std::vector<Endpoint> agents;
};

namespace {

// How often the loop looks for names resolved meanwhile, and how long the set
// waits at its end for resolutions still running (a stalled one is left behind).
constexpr std::chrono::milliseconds kResolvePoll(10);
constexpr std::chrono::milliseconds kResolveLinger(50);

}  // namespace

ExchangeSet::~ExchangeSet() {
    const Clock::time_point linger = Clock::now() + kResolveLinger;
    for (Exchange& exchange : m_exchanges) {
        CloseSocket(exchange);
        if (exchange.resolving) {
            std::unique_lock<std::mutex> lock(exchange.resolving->mutex);
            exchange.resolving->finished.wait_until(lock, linger, [&] { return exchange.resolving->done; });
        }
    }
}

std::size_t ExchangeSet::Start(const std::string& host, unsigned short port, int attempts, int timeoutMs,
                               Conversation& conversation, Transport transport, int budgetMs) {
    Exchange exchange;
    exchange.stream = transport == Transport::kStream;
    exchange.host = host;
    exchange.port = port;
    exchange.attemptsLeft = attempts;
    exchange.timeoutMs = timeoutMs;
    exchange.conversation = &conversation;
    const long long budget = budgetMs > 0 ? budgetMs : static_cast<long long>(attempts) * timeoutMs;
    exchange.end = Clock::now() + std::chrono::milliseconds(budget);
    std::vector<Endpoint> literal;
    exchange.resolved = m_sockets.Resolve(host, port, true, &literal);
    if (exchange.resolved) TakeAddresses(exchange, literal);
    if (!exchange.resolved) {
        auto resolution = std::make_shared<Resolution>();
        exchange.resolving = resolution;
        auto resolve = [resolution, sockets = &m_sockets, host, port] {
            std::vector<Endpoint> agents;
            const bool ok = sockets->Resolve(host, port, false, &agents);
            std::lock_guard<std::mutex> lock(resolution->mutex);
            resolution->agents = agents;
            resolution->ok = ok;
            resolution->done = true;
            resolution->finished.notify_all();
        };
        try {
            std::thread(resolve).detach();
        } catch (const std::system_error&) {
            resolve();   // no thread to be had: resolved here, blocking as it must
        }
    }
    m_exchanges.push_back(exchange);
    if (exchange.resolved) SendNextAttempt(m_exchanges.back());
    return m_exchanges.size() - 1;
}

void ExchangeSet::Reach(Exchange& exchange) {
    {
        std::lock_guard<std::mutex> lock(exchange.resolving->mutex);
        if (!exchange.resolving->done) {
            if (Clock::now() >= exchange.end) exchange.over = true;   // result: timeout
            return;
        }
        exchange.resolved = true;
        TakeAddresses(exchange, exchange.resolving->agents);
        if (!exchange.resolving->ok || exchange.legs.empty()) {
            exchange.result = ExchangeResult::kResolveFailed;
            exchange.over = true;
        }
    }
    exchange.resolving.reset();
    if (exchange.over) return;
    if (Clock::now() >= exchange.end) {
        exchange.over = true;
    } else {
        SendNextAttempt(exchange);
    }
}

void ExchangeSet::TakeAddresses(Exchange& exchange, const std::vector<Endpoint>& agents) {
    exchange.legs.clear();
    for (const Endpoint& agent : agents) {
        Leg leg;
        leg.agent = agent;
        exchange.legs.push_back(leg);
    }
}

bool ExchangeSet::OnTheWire(const Exchange& exchange) const {
    for (const Leg& leg : exchange.legs)
        if (leg.socket != DatagramSockets::kNoSocket) return true;
    return false;
}

void ExchangeSet::Shorten(std::size_t index, std::chrono::milliseconds within) {
    Exchange& exchange = m_exchanges.at(index);
    exchange.end = std::min(exchange.end, Clock::now() + within);
    exchange.deadline = std::min(exchange.deadline, exchange.end);
}

void ExchangeSet::SendNextAttempt(Exchange& exchange) {
    while (exchange.attemptsLeft > 0 && Clock::now() < exchange.end) {
        --exchange.attemptsLeft;
        ++exchange.attempt;
        std::vector<std::uint8_t> request = exchange.conversation->NextRequest();
        if (exchange.stream) {
            // Every address at once; the first connection made carries the attempt.
            for (Leg& leg : exchange.legs) {
                leg.socket = m_sockets.Connect(leg.agent);
                leg.connecting = leg.socket != DatagramSockets::kNoSocket;
            }
            if (!OnTheWire(exchange)) {
                exchange.result = ExchangeResult::kSendFailed;
                continue;
            }
            exchange.outgoing = std::move(request);
            exchange.received.clear();
            exchange.deadline = std::min(Clock::now() + std::chrono::milliseconds(exchange.timeoutMs), exchange.end);
            return;
        }
        // Every attempt goes out from the same sockets, so that an answer to an
        // earlier attempt still finds them open.
        bool sent = false;
        ExchangeResult failure = ExchangeResult::kSocketFailed;
        for (Leg& leg : exchange.legs) {
            if (leg.socket == DatagramSockets::kNoSocket) leg.socket = m_sockets.Open(leg.agent);
            if (leg.socket == DatagramSockets::kNoSocket) continue;
            if (m_sockets.SendTo(leg.socket, leg.agent, request)) {
                sent = true;
            } else {
                m_sockets.Close(leg.socket);
                leg.socket = DatagramSockets::kNoSocket;
                failure = ExchangeResult::kSendFailed;
            }
        }
        if (!sent) {
            exchange.result = failure;
            continue;
        }
        exchange.deadline = std::min(Clock::now() + std::chrono::milliseconds(exchange.timeoutMs), exchange.end);
        return;
    }
    CloseSocket(exchange);
    exchange.over = true;
}

void ExchangeSet::CloseSocket(Exchange& exchange) {
    for (Leg& leg : exchange.legs) {
        if (leg.socket == DatagramSockets::kNoSocket) continue;
        m_sockets.Close(leg.socket);
        leg.socket = DatagramSockets::kNoSocket;
        leg.connecting = false;
    }
}

void ExchangeSet::EndAttempt(Exchange& exchange, ExchangeResult result) {
    // A silent datagram attempt leaves its socket to the next one; a stream's
    // connection belongs to its attempt, and a failed socket is not reused.
    if (exchange.stream || result != ExchangeResult::kTimeout) CloseSocket(exchange);
    exchange.result = result;
    if (result == ExchangeResult::kAnswered) {
        exchange.over = true;
        if (m_onAnswered) m_onAnswered(static_cast<std::size_t>(&exchange - m_exchanges.data()));
    } else {
        SendNextAttempt(exchange);
    }
}

void ExchangeSet::ServeStream(Exchange& exchange, Leg& leg) {
    if (leg.connecting) {
        leg.connecting = false;
        if (m_sockets.Connected(leg.socket)) {
            // This address carries the attempt; the other connects are dropped.
            for (Leg& other : exchange.legs) {
                if (&other == &leg || other.socket == DatagramSockets::kNoSocket) continue;
                m_sockets.Close(other.socket);
                other.socket = DatagramSockets::kNoSocket;
                other.connecting = false;
            }
            if (!m_sockets.Send(leg.socket, exchange.outgoing)) EndAttempt(exchange, ExchangeResult::kSendFailed);
            return;
        }
        m_sockets.Close(leg.socket);
        leg.socket = DatagramSockets::kNoSocket;
        if (!OnTheWire(exchange)) EndAttempt(exchange, ExchangeResult::kSendFailed);
        return;
    }
    std::size_t size = 0;
    if (!m_sockets.Receive(leg.socket, &m_buffer, &size)) {
        EndAttempt(exchange, ExchangeResult::kReceiveFailed);
        return;
    }
    exchange.received.insert(exchange.received.end(), m_buffer.begin(),
                             m_buffer.begin() + static_cast<std::ptrdiff_t>(size));
    const bool closed = size == 0;
    if (exchange.received.size() > DatagramSockets::kMaxStreamAnswer) {
        EndAttempt(exchange, ExchangeResult::kReceiveFailed);
        return;
    }
    switch (exchange.conversation->Judge(exchange.received, closed)) {
        case Conversation::Verdict::kAnswered: EndAttempt(exchange, ExchangeResult::kAnswered); break;
        case Conversation::Verdict::kRefused: EndAttempt(exchange, ExchangeResult::kReceiveFailed); break;
        case Conversation::Verdict::kMore:
            if (closed) EndAttempt(exchange, ExchangeResult::kReceiveFailed);
            break;
    }
}

ExchangeResult ExchangeSet::Wait(std::size_t index) {
    struct Waiting {
        std::size_t exchange, leg;
        unsigned attempt;   // a socket of an attempt that has ended since is not served
    };
    std::vector<DatagramSockets::Handle> sockets;
    std::vector<Waiting> waiting;
    std::vector<bool> readable, connecting;
    while (!m_exchanges.at(index).over) {
        sockets.clear();
        waiting.clear();
        connecting.clear();
        Clock::time_point first = Clock::time_point::max();
        bool resolving = false;
        for (Exchange& exchange : m_exchanges) {
            if (exchange.resolving && !exchange.over) {
                Reach(exchange);
                resolving |= exchange.resolving != nullptr && !exchange.over;
            }
        }
        if (m_exchanges.at(index).over) break;
        if (resolving) first = Clock::now() + kResolvePoll;
        for (std::size_t e = 0; e < m_exchanges.size(); ++e) {
            const Exchange& exchange = m_exchanges[e];
            for (std::size_t l = 0; l < exchange.legs.size(); ++l) {
                if (exchange.legs[l].socket == DatagramSockets::kNoSocket) continue;
                sockets.push_back(exchange.legs[l].socket);
                connecting.push_back(exchange.legs[l].connecting);
                waiting.push_back({e, l, exchange.attempt});
            }
            if (OnTheWire(exchange) && exchange.deadline < first) first = exchange.deadline;
        }
        if (sockets.empty()) {
            // Only names still being resolved: nothing to wait on but them.
            if (!resolving) break;
            std::this_thread::sleep_for(kResolvePoll);
            continue;
        }
        auto left = std::chrono::ceil<std::chrono::milliseconds>(first - Clock::now()).count();
        readable.assign(sockets.size(), false);
        switch (m_sockets.WaitReadable(sockets, connecting, left > 0 ? static_cast<int>(left) : 0, &readable)) {
            case DatagramSockets::WaitResult::kFailed:
                // Retrying a broken wait would only spin until the deadline.
                for (std::size_t i = 0; i < waiting.size(); ++i) {
                    Exchange& exchange = m_exchanges[waiting[i].exchange];
                    if (!exchange.over && (i == 0 || waiting[i - 1].exchange != waiting[i].exchange))
                        EndAttempt(exchange, ExchangeResult::kReceiveFailed);
                }
                continue;
            case DatagramSockets::WaitResult::kNothing:
                break;
            case DatagramSockets::WaitResult::kReadable:
                if (m_buffer.size() < kMaxMessageSize) m_buffer.resize(kMaxMessageSize);
                for (std::size_t i = 0; i < waiting.size(); ++i) {
                    if (!readable[i]) continue;
                    Exchange& exchange = m_exchanges[waiting[i].exchange];
                    Leg& leg = exchange.legs[waiting[i].leg];
                    // An earlier socket's answer may have ended the attempt.
                    if (exchange.over || exchange.attempt != waiting[i].attempt || leg.socket != sockets[i]) continue;
                    if (exchange.stream) {
                        ServeStream(exchange, leg);
                        continue;
                    }
                    std::size_t size = 0;
                    Endpoint from;
                    if (!m_sockets.ReceiveFrom(leg.socket, &m_buffer, &size, &from)) continue;
                    if (!(from == leg.agent)) continue;
                    if (exchange.conversation->Accept(m_buffer.data(), size)) {
                        EndAttempt(exchange, ExchangeResult::kAnswered);
                    }
                }
                break;
        }
        const Clock::time_point now = Clock::now();
        for (std::size_t i = 0; i < waiting.size(); ++i) {
            Exchange& exchange = m_exchanges[waiting[i].exchange];
            if (i > 0 && waiting[i - 1].exchange == waiting[i].exchange) continue;   // once per exchange
            if (OnTheWire(exchange) && !exchange.over && exchange.deadline <= now) {
                EndAttempt(exchange, ExchangeResult::kTimeout);
            }
        }
    }
    return m_exchanges.at(index).result;
}

}  // namespace snmp
