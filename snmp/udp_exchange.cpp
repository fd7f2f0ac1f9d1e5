#include "snmp/udp_exchange.h"

#include <cstring>

#include "snmp/ber.h"

namespace snmp {

bool Endpoint::operator==(const Endpoint& other) const {
    return family == other.family && port == other.port &&
           std::memcmp(address, other.address, family == 4 ? 4 : sizeof(address)) == 0;
}

ExchangeSet::~ExchangeSet() {
    for (Exchange& exchange : m_exchanges) {
        if (exchange.socket != DatagramSockets::kNoSocket) m_sockets.Close(exchange.socket);
    }
}

std::size_t ExchangeSet::Start(const std::string& host, unsigned short port, int attempts, int timeoutMs,
                               Conversation& conversation) {
    Exchange exchange;
    exchange.host = host;
    exchange.port = port;
    exchange.attemptsLeft = attempts;
    exchange.timeoutMs = timeoutMs;
    exchange.conversation = &conversation;
    m_exchanges.push_back(exchange);
    SendNextAttempt(m_exchanges.back());
    return m_exchanges.size() - 1;
}

void ExchangeSet::SendNextAttempt(Exchange& exchange) {
    while (exchange.attemptsLeft > 0) {
        --exchange.attemptsLeft;
        std::vector<std::uint8_t> request = exchange.conversation->NextRequest();
        if (!m_sockets.Resolve(exchange.host, exchange.port, &exchange.agent)) {
            exchange.result = ExchangeResult::kResolveFailed;
            continue;
        }
        exchange.socket = m_sockets.Open(exchange.agent);
        if (exchange.socket == DatagramSockets::kNoSocket) {
            exchange.result = ExchangeResult::kSocketFailed;
            continue;
        }
        if (!m_sockets.SendTo(exchange.socket, exchange.agent, request)) {
            m_sockets.Close(exchange.socket);
            exchange.socket = DatagramSockets::kNoSocket;
            exchange.result = ExchangeResult::kSendFailed;
            continue;
        }
        exchange.deadline = Clock::now() + std::chrono::milliseconds(exchange.timeoutMs);
        return;
    }
    exchange.over = true;
}

void ExchangeSet::EndAttempt(Exchange& exchange, ExchangeResult result) {
    m_sockets.Close(exchange.socket);
    exchange.socket = DatagramSockets::kNoSocket;
    exchange.result = result;
    if (result == ExchangeResult::kAnswered) {
        exchange.over = true;
    } else {
        SendNextAttempt(exchange);
    }
}

ExchangeResult ExchangeSet::Wait(std::size_t index) {
    std::vector<DatagramSockets::Handle> sockets;
    std::vector<Exchange*> waiting;
    std::vector<bool> readable;
    while (!m_exchanges.at(index).over) {
        // The exchange at `index` is not over, so at least one attempt is on the wire.
        sockets.clear();
        waiting.clear();
        Clock::time_point first = Clock::time_point::max();
        for (Exchange& exchange : m_exchanges) {
            if (exchange.socket == DatagramSockets::kNoSocket) continue;
            sockets.push_back(exchange.socket);
            waiting.push_back(&exchange);
            if (exchange.deadline < first) first = exchange.deadline;
        }
        if (sockets.empty()) break;
        auto left = std::chrono::ceil<std::chrono::milliseconds>(first - Clock::now()).count();
        readable.assign(sockets.size(), false);
        switch (m_sockets.WaitReadable(sockets, left > 0 ? static_cast<int>(left) : 0, &readable)) {
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
    return m_exchanges[index].result;
}

}  // namespace snmp
