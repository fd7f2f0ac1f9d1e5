#include "device/network_device_id.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <utility>

#include "device/ipp_answer.h"
#include "device/printer_address.h"
#include "device/secure_ipp.h"
#include "snmp/snmp.h"

const char kDeviceIdOid[] = "1.3.6.1.4.1.47261.11.5.1.1.1.26.0";

namespace {

// One GET of a device-ID object: timeout 1 s, and a source that stays silent
// is asked a second time.
std::size_t AddDeviceIdGet(SNMPGetBatch& batch, const NetworkSource& source, const char* oid) {
    Target target;
    target.setAgentAddress(source.address.c_str());
    target.setReadCommunity(source.community.c_str());
    target.setTimeout(1);
    target.setRetryCount(1);
    VarBind binding;
    binding.setOID(OID(oid));
    ReqRespPDU request;
    request.setVarBindList(&binding, 1);
    return batch.add(request, target);
}

DeviceIdAnswer Await(SNMPGetBatch& batch, std::size_t index) {
    DeviceIdAnswer answer;
    answer.code = batch.wait(index);
    if (answer.code != kSnmpSuccess) return answer;
    if (const OctetString* text = batch.request(index).getVarBind(0).getValue().asOctetString()) {
        answer.octetString = true;
        answer.text = text->toString();
    }
    return answer;
}

// The text of an octet string up to its first zero byte, without a leading
// two-byte length (big-endian, as the 1284 device ID carries it) when that
// length is the text's, counted with or without the two bytes themselves.
std::string WithoutLengthPrefix(const std::vector<std::uint8_t>& bytes) {
    std::size_t start = 0;
    if (bytes.size() >= 2) {
        const std::size_t length = static_cast<std::size_t>(bytes[0]) << 8 | bytes[1];
        if (length == bytes.size() - 2 || length == bytes.size()) start = 2;
    }
    std::size_t end = start;
    while (end < bytes.size() && bytes[end] != 0) ++end;
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                       bytes.begin() + static_cast<std::ptrdiff_t>(end));
}

StandardAnswer ReadObject(SNMPGetBatch& batch, std::size_t index) {
    StandardAnswer answer;
    const int code = batch.wait(index);
    const OctetString* value =
        code == kSnmpSuccess ? batch.request(index).getVarBind(0).getValue().asOctetString() : nullptr;
    if (code != kSnmpSuccess) {
        answer.failure = SNMPManager::errorToString(code);
    } else if (value == nullptr) {
        answer.failure = "no octet string";
    } else {
        answer.id = WithoutLengthPrefix(value->content());
        answer.found = !answer.id.empty();
        if (!answer.found) answer.failure = "empty";
    }
    return answer;
}

// Get-Printer-Attributes to one printer: one resource per attempt, the last
// one again when attempts remain. Over plain HTTP the exchange loop carries
// it; over TLS the platform does, on a thread of its own.
class IppAsk : public snmp::Conversation {
public:
    IppAsk(std::string host, unsigned short port, std::vector<std::string> resources, bool secure)
        : m_host(std::move(host)), m_port(port), m_resources(std::move(resources)), m_secure(secure) {}
    ~IppAsk() override {
        if (m_thread.joinable()) m_thread.join();
    }

    std::vector<std::uint8_t> NextRequest() override {
        const std::string& resource = m_resources[std::min<std::size_t>(m_attempt, m_resources.size() - 1)];
        return EncodeIppDeviceIdRequest(m_host, resource, ++m_attempt, m_port, m_secure);
    }
    bool Accept(const std::uint8_t*, std::size_t) override { return false; }

    Verdict Judge(const std::vector<std::uint8_t>& received, bool closed) override {
        int status = 0;
        std::vector<std::uint8_t> body;
        switch (ReadHttpResponse(received, closed, &status, &body)) {
            case HttpFrame::kIncomplete: return Verdict::kMore;
            case HttpFrame::kBroken: return Refuse("unreadable HTTP answer");
            case HttpFrame::kComplete: break;
        }
        return JudgeAnswer(status, body);
    }

    // Every resource in turn over TLS, within `totalMs` from now.
    void StartSecure(SecureIpp& tls, int totalMs) {
        m_thread = std::thread([this, &tls, totalMs] {
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(totalMs);
            for (std::size_t i = 0; i < m_resources.size(); ++i) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    end - std::chrono::steady_clock::now()).count();
                if (left <= 0) break;
                const std::vector<std::uint8_t> request = NextRequest();
                const std::size_t bodyAt = HeadLength(request);
                const SecureIppReply reply = tls.Post(m_host, m_port, m_resources[i],
                    std::vector<std::uint8_t>(request.begin() + static_cast<std::ptrdiff_t>(bodyAt), request.end()),
                    static_cast<int>(left));
                if (!reply.answered) {
                    Refuse(reply.failure);
                    continue;
                }
                m_secureReached = true;
                if (JudgeAnswer(reply.status, reply.body) == Verdict::kAnswered) {
                    m_secureAnswered = true;
                    break;
                }
            }
        });
    }
    // The TLS questions' outcome, once they are over.
    bool FinishSecure() {
        if (m_thread.joinable()) m_thread.join();
        return m_secureAnswered;
    }

    const std::string& id() const { return m_id; }
    const std::string& failure() const { return m_failure; }
    bool secure() const { return m_secure; }
    // An answer came over TLS, from a certificate nobody checked.
    bool secureReached() const { return m_secureReached; }
    std::size_t exchange = 0;

private:
    static std::size_t HeadLength(const std::vector<std::uint8_t>& request) {
        static const char kEnd[] = "\r\n\r\n";
        auto at = std::search(request.begin(), request.end(), kEnd, kEnd + 4);
        return at == request.end() ? 0 : static_cast<std::size_t>(at - request.begin()) + 4;
    }

    Verdict JudgeAnswer(int status, const std::vector<std::uint8_t>& body) {
        if (status != 200) return Refuse("HTTP status " + std::to_string(status));
        IppPrinterAttributes attributes;
        if (!DecodeIppResponse(body, &attributes)) return Refuse("unreadable IPP answer");
        if (attributes.status > 0xFF) {
            char code[16];
            std::snprintf(code, sizeof(code), "0x%04X", static_cast<unsigned>(attributes.status));
            return Refuse(std::string("IPP status ") + code);
        }
        m_id = IppDeviceId(attributes);
        if (m_id.empty()) return Refuse("no printer-device-id with CMD: and none of the five formats");
        return Verdict::kAnswered;
    }

    Verdict Refuse(std::string why) {
        m_failure = std::move(why);
        return Verdict::kRefused;
    }

    std::string m_host;
    unsigned short m_port;
    std::vector<std::string> m_resources;
    bool m_secure;
    int m_attempt = 0;
    std::string m_id, m_failure;
    std::thread m_thread;
    bool m_secureAnswered = false;
    bool m_secureReached = false;
};

constexpr unsigned short kIppPort = 631;

}  // namespace

// Declared in this order so that the batch, whose loop talks to the IPP
// questions, is gone before they are.
struct StandardAsks {
    std::vector<std::unique_ptr<IppAsk>> ipp;
    SNMPGetBatch batch;
};

namespace {

constexpr int kIppDeadlineMs = 2000;   // the same two seconds as the SNMP GETs

// Returns the question's index in `asks.ipp`.
std::size_t StartIpp(StandardAsks& asks, const NetworkSource& target) {
    static const char* const kUsualResources[] = {"/ipp/print", "/ipp"};
    PrinterUri uri;
    if (target.uri.empty() || !ParsePrinterUri(target.uri, &uri)) {
        uri.host = target.address;
        uri.port = kIppPort;
    }
    std::vector<std::string> resources;
    if (!uri.resource.empty()) resources.push_back(uri.resource);
    for (const char* usual : kUsualResources)
        if (uri.resource != usual) resources.push_back(usual);
    asks.ipp.push_back(std::make_unique<IppAsk>(uri.host, uri.port, resources, uri.secure));
    IppAsk& ask = *asks.ipp.back();
    if (uri.secure) {
        ask.StartSecure(SystemSecureIpp(), kIppDeadlineMs);
    } else {
        const int attempts = static_cast<int>(resources.size());
        ask.exchange = asks.batch.exchanges().Start(uri.host, uri.port, attempts, kIppDeadlineMs / attempts, ask,
                                                    snmp::Transport::kStream);
    }
    return asks.ipp.size() - 1;
}

StandardAnswer ReadIpp(StandardAsks& asks, std::size_t index) {
    IppAsk& ask = *asks.ipp[index];
    StandardAnswer answer;
    if (ask.secure()) {
        answer.found = ask.FinishSecure();
        if (ask.secureReached()) answer.note = "TLS certificate not verified";
        answer.id = ask.id();
        answer.failure = ask.failure();
        if (!answer.found && answer.failure.empty()) answer.failure = "no answer";
        return answer;
    }
    switch (asks.batch.exchanges().Wait(ask.exchange)) {
        case snmp::ExchangeResult::kAnswered:
            answer.found = true;
            answer.id = ask.id();
            return answer;
        case snmp::ExchangeResult::kTimeout: answer.failure = "no answer"; break;
        case snmp::ExchangeResult::kResolveFailed: answer.failure = "unknown host"; break;
        case snmp::ExchangeResult::kSocketFailed:
        case snmp::ExchangeResult::kSendFailed: answer.failure = "no connection"; break;
        case snmp::ExchangeResult::kReceiveFailed: answer.failure = "connection lost"; break;
    }
    // What the printer itself said, when it said something.
    if (!ask.failure().empty()) answer.failure = ask.failure();
    return answer;
}

struct StandardSource {
    const char* name;
    bool snmp;   // not asked of a target known to IPP only
    std::size_t (*start)(StandardAsks& asks, const NetworkSource& target);
    StandardAnswer (*read)(StandardAsks& asks, std::size_t index);
};

const StandardSource kStandardSources[] = {
    {"PWG ppmPrinterIEEE1284DeviceId", true,
     [](StandardAsks& asks, const NetworkSource& target) {
         return AddDeviceIdGet(asks.batch, target, "1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1");
     },
     [](StandardAsks& asks, std::size_t index) { return ReadObject(asks.batch, index); }},
    {"1.3.6.1.4.1.11.2.3.9.1.1.7.0", true,
     [](StandardAsks& asks, const NetworkSource& target) {
         return AddDeviceIdGet(asks.batch, target, "1.3.6.1.4.1.11.2.3.9.1.1.7.0");
     },
     [](StandardAsks& asks, std::size_t index) { return ReadObject(asks.batch, index); }},
    {"IPP printer-device-id", false, StartIpp, ReadIpp},
};

}  // namespace

const std::size_t kStandardSourceCount = sizeof(kStandardSources) / sizeof(kStandardSources[0]);

const char* StandardSourceName(std::size_t kind) { return kStandardSources[kind].name; }

NetworkDeviceIdReads::NetworkDeviceIdReads(std::vector<NetworkSource> sources,
                                           const std::vector<NetworkSource>& ippTargets)
    : m_sources(std::move(sources)) {
    for (const NetworkSource& source : m_sources) {
        if (source.address.empty()) continue;
        bool seen = false;
        for (const NetworkSource& target : m_standardTargets)
            seen |= target.address == source.address && target.community == source.community;
        if (!seen) m_standardTargets.push_back({source.address, source.community});
    }
    for (const NetworkSource& known : ippTargets) {
        NetworkSource* same = nullptr;
        for (NetworkSource& target : m_standardTargets)
            if (!known.ippOnly && target.uri.empty() && target.address == known.address &&
                target.community == known.community)
                same = &target;
        if (same != nullptr) {
            same->uri = known.uri;
        } else {
            m_standardTargets.push_back(known);
        }
    }
}

bool NetworkDeviceIdReads::Asks(std::size_t kind, std::size_t target) const {
    return !(kStandardSources[kind].snmp && m_standardTargets[target].ippOnly);
}

NetworkDeviceIdReads::~NetworkDeviceIdReads() = default;

void NetworkDeviceIdReads::StartBatch() {
    m_pAsks = std::make_unique<StandardAsks>();
    m_firstInBatch = m_next;
    for (std::size_t i = m_next; i < m_sources.size(); ++i) {
        AddDeviceIdGet(m_pAsks->batch, m_sources[i], kDeviceIdOid);
    }
    for (std::size_t kind = 0; kind < kStandardSourceCount; ++kind) {
        for (std::size_t t = 0; t < m_standardTargets.size(); ++t)
            m_standardAsks.push_back(Asks(kind, t) ? kStandardSources[kind].start(*m_pAsks, m_standardTargets[t]) : 0);
    }
}

DeviceIdAnswer NetworkDeviceIdReads::Next(const std::string& address, const std::string& community) {
    if (m_next >= m_sources.size() || m_sources[m_next].address != address ||
        m_sources[m_next].community != community) {
        SNMPGetBatch alone;
        return Await(alone, AddDeviceIdGet(alone, {address, community}, kDeviceIdOid));
    }
    if (!m_pAsks) StartBatch();
    return Await(m_pAsks->batch, m_next++ - m_firstInBatch);
}

StandardAnswer NetworkDeviceIdReads::Standard(std::size_t kind, std::size_t target) {
    if (!m_pAsks) {
        m_next = m_sources.size();
        StartBatch();
    }
    return kStandardSources[kind].read(*m_pAsks, m_standardAsks[kind * m_standardTargets.size() + target]);
}
