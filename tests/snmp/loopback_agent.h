// A scripted SNMP agent for native tests: a UDP socket on a loopback address,
// served by its own thread for as long as the object lives. It answers the i-th
// request for the private device-ID object (or the object it is given) as
// script[i] says (the last entry for every later one) and counts them. Other objects are answered as by a printer
// without them: noSuchName, or nothing while the script is silent; they are not
// counted.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "snmp/ber.h"

class LoopbackAgent {
public:
    static constexpr const char* kPrivateObject = "1.3.6.1.4.1.47261.11.5.1.1.1.26.0";

    enum class Reply {
        kAnswer,           // the text as an octet string
        kInteger,          // the object as INTEGER 42
        kNoSuchName,       // error status 2, the binding echoed with Null
        kWrongRequestId,   // a well-formed answer to another request
        kSilent,
    };

    // Port 0 picks a free one. ok() is false when the address cannot be bound.
    LoopbackAgent(const std::string& address, unsigned short port, std::vector<Reply> script,
                  std::string text = "MFG:Acme;CMD:PDF;", const char* object = kPrivateObject)
        : m_script(std::move(script)), m_text(std::move(text)), m_object(OidContent(object)) {
        m_fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(port);
        inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
        socklen_t len = sizeof(sa);
        if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 ||
            getsockname(m_fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
            return;
        }
        m_port = ntohs(sa.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackAgent() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_fd >= 0) close(m_fd);
    }
    LoopbackAgent(const LoopbackAgent&) = delete;
    LoopbackAgent& operator=(const LoopbackAgent&) = delete;

    bool ok() const { return m_port != 0; }
    unsigned short port() const { return m_port; }
    int requests() const { return m_requests; }

private:
    using Bytes = std::vector<std::uint8_t>;

    static void PutTlv(Bytes& out, std::uint8_t tag, const Bytes& content) {
        out.push_back(tag);
        std::size_t n = content.size();
        if (n < 0x80) {
            out.push_back(static_cast<std::uint8_t>(n));
        } else {
            out.push_back(0x82);
            out.push_back(static_cast<std::uint8_t>(n >> 8));
            out.push_back(static_cast<std::uint8_t>(n));
        }
        out.insert(out.end(), content.begin(), content.end());
    }
    static Bytes Integer(std::int32_t v) {
        auto u = static_cast<std::uint32_t>(v);
        Bytes b = {static_cast<std::uint8_t>(u >> 24), static_cast<std::uint8_t>(u >> 16),
                   static_cast<std::uint8_t>(u >> 8), static_cast<std::uint8_t>(u)};
        // Minimal two's complement: drop leading bytes that only repeat the sign.
        while (b.size() > 1 && ((b[0] == 0 && !(b[1] & 0x80)) || (b[0] == 0xFF && (b[1] & 0x80)))) {
            b.erase(b.begin());
        }
        Bytes out;
        PutTlv(out, snmp::kTagInteger, b);
        return out;
    }

    static Bytes OidContent(const char* dotted) {
        std::vector<std::uint32_t> arcs;
        snmp::ParseOid(dotted, &arcs);
        return snmp::EncodeOidContent(arcs);
    }

    Bytes Response(const snmp::DecodedMessage& request, Reply reply) const {
        std::uint8_t tag = snmp::kTagOctetString;
        Bytes value(m_text.begin(), m_text.end());
        std::int32_t status = 0;
        if (reply == Reply::kInteger) { tag = snmp::kTagInteger; value = {42}; }
        if (reply == Reply::kNoSuchName) { tag = snmp::kTagNull; value.clear(); status = 2; }
        Bytes oid, binding, list, pdu, body, message;
        PutTlv(oid, snmp::kTagObjectId, request.varBinds.empty() ? Bytes{} : request.varBinds[0].oid);
        PutTlv(oid, tag, value);
        PutTlv(binding, snmp::kTagSequence, oid);
        PutTlv(list, snmp::kTagSequence, binding);
        Bytes id = Integer(reply == Reply::kWrongRequestId ? request.requestId ^ 0x5A5A : request.requestId);
        pdu.insert(pdu.end(), id.begin(), id.end());
        Bytes s = Integer(status), index = Integer(status ? 1 : 0);
        pdu.insert(pdu.end(), s.begin(), s.end());
        pdu.insert(pdu.end(), index.begin(), index.end());
        pdu.insert(pdu.end(), list.begin(), list.end());
        Bytes version = Integer(request.version);
        body.insert(body.end(), version.begin(), version.end());
        PutTlv(body, snmp::kTagOctetString, Bytes(request.community.begin(), request.community.end()));
        PutTlv(body, snmp::kTagGetResponse, pdu);
        PutTlv(message, snmp::kTagSequence, body);
        return message;
    }

    void Serve() {
        Bytes buffer(snmp::kMaxMessageSize);
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            sockaddr_storage from{};
            socklen_t fromLen = sizeof(from);
            ssize_t got = recvfrom(m_fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                                   &fromLen);
            snmp::DecodedMessage request;
            if (got <= 0 || !snmp::ParseMessage(buffer.data(), static_cast<std::size_t>(got), &request)) continue;
            const Bytes oid = request.varBinds.empty() ? Bytes{} : request.varBinds[0].oid;
            const bool scripted = oid == m_object;
            int n = scripted ? m_requests++ : m_requests.load();
            Reply reply = m_script.empty() ? Reply::kSilent
                                           : m_script[std::min<std::size_t>(n, m_script.size() - 1)];
            if (reply == Reply::kSilent) continue;
            if (!scripted) reply = Reply::kNoSuchName;
            Bytes answer = Response(request, reply);
            sendto(m_fd, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLen);
        }
    }

    std::vector<Reply> m_script;
    std::string m_text;
    const Bytes m_object;
    int m_fd = -1;
    unsigned short m_port = 0;
    std::atomic<int> m_requests{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
