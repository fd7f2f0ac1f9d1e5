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
    Endpoint agent;
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
        if (exchange.socket != DatagramSockets::kNoSocket) m_sockets.Close(exchange.socket);
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
    exchange.resolved = m_sockets.Resolve(host, port, true, &exchange.agent);
    if (!exchange.resolved) {
        auto resolution = std::make_shared<Resolution>();
        exchange.resolving = resolution;
        auto resolve = [resolution, sockets = &m_sockets, host, port] {
            Endpoint agent;
            const bool ok = sockets->Resolve(host, port, false, &agent);
            std::lock_guard<std::mutex> lock(resolution->mutex);
            resolution->agent = agent;
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
        exchange.agent = exchange.resolving->agent;
        if (!exchange.resolving->ok) {
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

void ExchangeSet::Shorten(std::size_t index, std::chrono::milliseconds within) {
    Exchange& exchange = m_exchanges.at(index);
    exchange.end = std::min(exchange.end, Clock::now() + within);
    exchange.deadline = std::min(exchange.deadline, exchange.end);
}

void ExchangeSet::SendNextAttempt(Exchange& exchange) {
    while (exchange.attemptsLeft > 0 && Clock::now() < exchange.end) {
        --exchange.attemptsLeft;
        std::vector<std::uint8_t> request = exchange.conversation->NextRequest();
        if (exchange.stream) {
            exchange.socket = m_sockets.Connect(exchange.agent);
            if (exchange.socket == DatagramSockets::kNoSocket) {
                exchange.result = ExchangeResult::kSendFailed;
                continue;
            }
            exchange.outgoing = std::move(request);
            exchange.received.clear();
            exchange.connecting = true;
            exchange.deadline = std::min(Clock::now() + std::chrono::milliseconds(exchange.timeoutMs), exchange.end);
            return;
        }
        // Every attempt goes out from the same socket, so that an answer to an
        // earlier attempt still finds it open.
        if (exchange.socket == DatagramSockets::kNoSocket) exchange.socket = m_sockets.Open(exchange.agent);
        if (exchange.socket == DatagramSockets::kNoSocket) {
            exchange.result = ExchangeResult::kSocketFailed;
            continue;
        }
        if (!m_sockets.SendTo(exchange.socket, exchange.agent, request)) {
            CloseSocket(exchange);
            exchange.result = ExchangeResult::kSendFailed;
            continue;
        }
        exchange.deadline = std::min(Clock::now() + std::chrono::milliseconds(exchange.timeoutMs), exchange.end);
        return;
    }
    CloseSocket(exchange);
    exchange.over = true;
}

void ExchangeSet::CloseSocket(Exchange& exchange) {
    if (exchange.socket == DatagramSockets::kNoSocket) return;
    m_sockets.Close(exchange.socket);
    exchange.socket = DatagramSockets::kNoSocket;
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

void ExchangeSet::ServeStream(Exchange& exchange) {
    if (exchange.connecting) {
        exchange.connecting = false;
        if (!m_sockets.Connected(exchange.socket) || !m_sockets.Send(exchange.socket, exchange.outgoing)) {
            EndAttempt(exchange, ExchangeResult::kSendFailed);
        }
        return;
    }
    std::size_t size = 0;
    if (!m_sockets.Receive(exchange.socket, &m_buffer, &size)) {
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

std::size_t ExchangeSet::StartOutside(int budgetMs, std::shared_ptr<std::atomic<int>> outcome) {
    Exchange exchange;
    exchange.outside = std::move(outcome);
    exchange.resolved = true;
    exchange.end = Clock::now() + std::chrono::milliseconds(budgetMs);
    exchange.deadline = exchange.end;
    m_exchanges.push_back(std::move(exchange));
    return m_exchanges.size() - 1;
}

ExchangeResult ExchangeSet::Wait(std::size_t index) {
    std::vector<DatagramSockets::Handle> sockets;
    std::vector<Exchange*> waiting;
    std::vector<bool> readable, connecting;
    const Exchange& awaited = m_exchanges.at(index);
    while (!awaited.over) {
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
        for (Exchange& exchange : m_exchanges) {
            if (!exchange.outside || exchange.over) continue;
            const int outcome = exchange.outside->load();
            if (outcome == 0 && Clock::now() < exchange.end) {
                resolving = true;   // looked at again soon
                continue;
            }
            exchange.over = true;
            exchange.result = outcome == 1 ? ExchangeResult::kAnswered
                              : outcome == 0 ? ExchangeResult::kTimeout
                                             : ExchangeResult::kReceiveFailed;
            if (outcome == 1 && m_onAnswered) m_onAnswered(static_cast<std::size_t>(&exchange - m_exchanges.data()));
        }
        if (awaited.over) break;
        if (resolving) first = Clock::now() + kResolvePoll;
        for (Exchange& exchange : m_exchanges) {
            if (exchange.socket == DatagramSockets::kNoSocket) continue;
            sockets.push_back(exchange.socket);
            connecting.push_back(exchange.connecting);
            waiting.push_back(&exchange);
            if (exchange.deadline < first) first = exchange.deadline;
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
                for (Exchange* exchange : waiting) EndAttempt(*exchange, ExchangeResult::kReceiveFailed);
                continue;
            case DatagramSockets::WaitResult::kNothing:
                break;
            case DatagramSockets::WaitResult::kReadable:
                if (m_buffer.size() < kMaxMessageSize) m_buffer.resize(kMaxMessageSize);
                for (std::size_t i = 0; i < waiting.size(); ++i) {
                    if (!readable[i]) continue;
                    Exchange& exchange = *waiting[i];
                    if (exchange.stream) {
                        ServeStream(exchange);
                        continue;
                    }
                    std::size_t size = 0;
                    Endpoint from;
                    if (!m_sockets.ReceiveFrom(exchange.socket, &m_buffer, &size, &from)) continue;
                    if (!(from == exchange.agent)) continue;
                    if (exchange.conversation->Accept(m_buffer.data(), size)) {
                        EndAttempt(exchange, ExchangeResult::kAnswered);
                    }
                }
                break;
        }
        const Clock::time_point now = Clock::now();
        for (Exchange* exchange : waiting) {
            if (exchange->socket != DatagramSockets::kNoSocket && !exchange->over && exchange->deadline <= now) {
                EndAttempt(*exchange, ExchangeResult::kTimeout);
            }
        }
    }
    return awaited.result;
}

}  // namespace snmp
