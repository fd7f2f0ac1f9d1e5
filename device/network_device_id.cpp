#include "device/network_device_id.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "device/device_id_pairs.h"
#include "device/ipp_answer.h"
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

// The private object too may carry the two length bytes: without them its
// text would read as empty.
DeviceIdAnswer Await(SNMPGetBatch& batch, std::size_t index) {
    DeviceIdAnswer answer;
    answer.code = batch.wait(index);
    if (answer.code != kSnmpSuccess) return answer;
    if (const OctetString* text = batch.request(index).getVarBind(0).getValue().asOctetString()) {
        answer.octetString = true;
        answer.text = WithoutLengthPrefix(text->content());
    }
    return answer;
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
        answer.answered = true;
        answer.found = HasCommandSet(answer.id);
        if (!answer.found) answer.failure = answer.id.empty() ? "empty" : "no command set";
    }
    return answer;
}

// Get-Printer-Attributes to one printer over plain HTTP. The first connection
// has the whole budget: a printer waking from sleep answers late. The next
// resource is asked only when the printer says the last one does not exist;
// after any other failure the same one is asked again.
class IppAsk : public snmp::Conversation {
public:
    explicit IppAsk(std::string host) : m_host(std::move(host)) {}

    static constexpr int kResourceCount = 3;

    std::vector<std::uint8_t> NextRequest() override {
        static const char* const kResources[kResourceCount] = {"/ipp/print", "/ipp", "/"};
        if (m_notFound && m_resource + 1 < kResourceCount) ++m_resource;
        m_notFound = false;
        return EncodeIppDeviceIdRequest(m_host, kResources[m_resource], ++m_attempt);
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
        m_notFound = status == 404;
        if (status != 200) return Refuse("HTTP status " + std::to_string(status));
        IppPrinterAttributes attributes;
        if (!DecodeIppResponse(body, &attributes)) return Refuse("unreadable IPP answer");
        if (attributes.status > 0xFF) {
            m_notFound = attributes.status == kIppClientErrorNotFound;
            char code[16];
            std::snprintf(code, sizeof(code), "0x%04X", static_cast<unsigned>(attributes.status));
            return Refuse(std::string("IPP status ") + code);
        }
        m_id = IppDeviceId(attributes);
        if (m_id.empty()) return Refuse("no printer-device-id with CMD: and none of the five formats");
        m_fromFormats = !HasCommandSet(attributes.deviceId);
        return Verdict::kAnswered;
    }

    // Whether the ID was made up from document-format-supported: the printer
    // gave no printer-device-id with a command set of its own.
    bool fromFormats() const { return m_fromFormats; }
    const std::string& id() const { return m_id; }
    const std::string& failure() const { return m_failure; }
    std::size_t exchange = 0;

private:
    Verdict Refuse(std::string why) {
        m_failure = std::move(why);
        return Verdict::kRefused;
    }

    static constexpr int kIppClientErrorNotFound = 0x0406;

    std::string m_host;
    int m_attempt = 0;
    int m_resource = 0;
    bool m_notFound = false;   // the last answer: no such resource
    bool m_fromFormats = false;
    std::string m_id, m_failure;
};

constexpr unsigned short kIppPort = 631;
constexpr int kIppBudgetMs = 2000;   // the same two seconds as the SNMP GETs

}  // namespace

// Declared in this order so that the batch, whose loop talks to the IPP
// questions, is gone before they are.
struct StandardAsks {
    std::vector<std::unique_ptr<IppAsk>> ipp;
    SNMPGetBatch batch;
};

namespace {

// Returns the question's index in `asks.ipp`.
std::size_t StartIpp(StandardAsks& asks, const NetworkSource& target) {
    asks.ipp.push_back(std::make_unique<IppAsk>(target.address));
    IppAsk& ask = *asks.ipp.back();
    // One attempt per resource, each free to take the whole budget.
    ask.exchange = asks.batch.exchanges().Start(target.address, kIppPort, IppAsk::kResourceCount, kIppBudgetMs,
                                                ask, snmp::Transport::kStream, kIppBudgetMs);
    return asks.ipp.size() - 1;
}

StandardAnswer ReadIpp(StandardAsks& asks, std::size_t index) {
    IppAsk& ask = *asks.ipp[index];
    StandardAnswer answer;
    switch (asks.batch.exchanges().Wait(ask.exchange)) {
        case snmp::ExchangeResult::kAnswered:
            answer.answered = answer.found = true;
            answer.id = ask.id();
            if (ask.fromFormats()) answer.note = "no printer-device-id with a command set: built from document-format-supported";
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
    bool perCommunity;   // IPP knows no community: one question per address
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

NetworkDeviceIdReads::NetworkDeviceIdReads(std::vector<NetworkSource> sources) : m_sources(std::move(sources)) {
    for (const NetworkSource& source : m_sources) {
        if (source.address.empty()) continue;
        bool seen = false;
        for (const NetworkSource& target : m_standardTargets)
            seen |= target.address == source.address && target.community == source.community;
        if (!seen) m_standardTargets.push_back(source);
    }
}

NetworkDeviceIdReads::~NetworkDeviceIdReads() = default;

void NetworkDeviceIdReads::StartBatch() {
    m_pAsks = std::make_unique<StandardAsks>();
    m_firstInBatch = m_next;
    for (std::size_t i = m_next; i < m_sources.size(); ++i) {
        AddDeviceIdGet(m_pAsks->batch, m_sources[i], kDeviceIdOid);
    }
    for (std::size_t kind = 0; kind < kStandardSourceCount; ++kind) {
        const StandardSource& source = kStandardSources[kind];
        const std::size_t first = m_standardAsks.size();
        for (std::size_t t = 0; t < m_standardTargets.size(); ++t) {
            std::size_t same = t;
            if (!source.perCommunity) {
                for (same = 0; m_standardTargets[same].address != m_standardTargets[t].address;) ++same;
            }
            m_standardAsks.push_back(same < t ? m_standardAsks[first + same]
                                              : source.start(*m_pAsks, m_standardTargets[t]));
        }
    }
}

DeviceIdAnswer NetworkDeviceIdReads::Next(const std::string& address, const std::string& community) {
    // Sources the walk passes over (it found an ID before them) stay unread.
    std::size_t source = m_next;
    while (source < m_sources.size() &&
           (m_sources[source].address != address || m_sources[source].community != community)) {
        ++source;
    }
    if (source == m_sources.size()) {
        SNMPGetBatch alone;
        return Await(alone, AddDeviceIdGet(alone, {address, community}, kDeviceIdOid));
    }
    if (!m_pAsks) StartBatch();
    m_next = source + 1;
    return Await(m_pAsks->batch, source - m_firstInBatch);
}

StandardAnswer NetworkDeviceIdReads::Standard(std::size_t kind, std::size_t target) {
    if (!m_pAsks) {
        m_next = m_sources.size();
        StartBatch();
    }
    return kStandardSources[kind].read(*m_pAsks, m_standardAsks[kind * m_standardTargets.size() + target]);
}
