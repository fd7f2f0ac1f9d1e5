#include "device/lookup/batch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <utility>

#include "device/lookup/device_id_pairs.h"
#include "device/lookup/ipp_answer.h"
#include "device/lookup/printer_address.h"
#include "device/lookup/secure_ipp.h"
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

// Get-Printer-Attributes to one printer. The first connection has the whole
// budget: a printer waking from sleep answers late. The next resource is
// asked only when the printer says the last one does not exist; after any
// other failure the same one is asked again. Over plain HTTP the exchange
// loop carries the questions; over TLS the platform does, on a thread of its own.
class IppAsk : public snmp::Conversation {
public:
    // `resources` in the order they are asked.
    IppAsk(std::string host, unsigned short port, std::vector<std::string> resources, bool secure)
        : m_host(std::move(host)), m_port(port), m_resources(std::move(resources)), m_secure(secure) {}
    ~IppAsk() override {
        if (m_thread.joinable()) m_thread.join();
    }

    int resourceCount() const { return static_cast<int>(m_resources.size()); }

    std::vector<std::uint8_t> NextRequest() override {
        if (m_notFound && m_resource + 1 < m_resources.size()) ++m_resource;
        m_notFound = false;
        return EncodeIppDeviceIdRequest(m_host, m_resources[m_resource], ++m_attempt, m_port, m_secure);
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

    // The questions over TLS, within `budgetMs` from now.
    void StartSecure(SecureIpp& tls, int budgetMs) {
        m_thread = std::thread([this, &tls, budgetMs] {
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(budgetMs);
            for (int attempt = 0; attempt < resourceCount(); ++attempt) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    end - std::chrono::steady_clock::now()).count();
                if (left <= 0) break;
                const std::vector<std::uint8_t> request = NextRequest();
                const std::size_t bodyAt = HeadLength(request);
                const SecureIppReply reply = tls.Post(m_host, m_port, m_resources[m_resource],
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

    // Whether the ID was made up from document-format-supported: the printer
    // gave no printer-device-id with a command set of its own.
    bool fromFormats() const { return m_fromFormats; }
    const std::string& id() const { return m_id; }
    const std::string& failure() const { return m_failure; }
    bool secure() const { return m_secure; }
    // An answer came over TLS, from a certificate nobody checked.
    bool secureReached() const { return m_secureReached; }
    // In the batch's exchanges; none over TLS, whose questions run on their own thread.
    std::size_t exchange = SNMPGetBatch::kNoExchange;

private:
    static std::size_t HeadLength(const std::vector<std::uint8_t>& request) {
        static const char kEnd[] = "\r\n\r\n";
        auto at = std::search(request.begin(), request.end(), kEnd, kEnd + 4);
        return at == request.end() ? 0 : static_cast<std::size_t>(at - request.begin()) + 4;
    }

    Verdict JudgeAnswer(int status, const std::vector<std::uint8_t>& body) {
        m_notFound = status == 404;
        if (status != 200) return Refuse("HTTP status " + std::to_string(status));
        IppPrinterAttributes attributes;
        if (!DecodeIppResponse(body, m_attempt, &attributes)) return Refuse("unreadable IPP answer");
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

    Verdict Refuse(std::string why) {
        m_failure = std::move(why);
        return Verdict::kRefused;
    }

    static constexpr int kIppClientErrorNotFound = 0x0406;

    std::string m_host;
    unsigned short m_port;
    std::vector<std::string> m_resources;
    bool m_secure;
    int m_attempt = 0;
    std::size_t m_resource = 0;
    bool m_notFound = false;   // the last answer: no such resource
    bool m_fromFormats = false;
    std::string m_id, m_failure;
    std::thread m_thread;
    bool m_secureAnswered = false;
    bool m_secureReached = false;
};

// Once a source has found the ID, how long the sources that decide before it
// may still answer. A printer's agent that answers one object answers the
// others within a round trip (about a millisecond on a LAN, see the lookup
// benchmark); this leaves room for a slow agent without holding the window
// for a silent address's whole two seconds.
constexpr std::chrono::milliseconds kAnswerGrace(250);

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

// Returns the question's index in `asks.ipp`. A printer known by its URI is
// asked at the URI's port and resource first, then at the usual resources.
std::size_t StartIpp(StandardAsks& asks, const NetworkSource& target) {
    static const char* const kUsualResources[] = {"/ipp/print", "/ipp", "/"};
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
        ask.StartSecure(SystemSecureIpp(), kIppBudgetMs);
    } else {
        // One attempt per resource, each free to take the whole budget.
        ask.exchange = asks.batch.exchanges().Start(uri.host, uri.port, ask.resourceCount(), kIppBudgetMs, ask,
                                                    snmp::Transport::kStream, kIppBudgetMs);
    }
    return asks.ipp.size() - 1;
}

StandardAnswer ReadIpp(StandardAsks& asks, std::size_t index) {
    IppAsk& ask = *asks.ipp[index];
    StandardAnswer answer;
    const snmp::ExchangeResult result =
        ask.secure() ? (ask.FinishSecure() ? snmp::ExchangeResult::kAnswered : snmp::ExchangeResult::kReceiveFailed)
                     : asks.batch.exchanges().Wait(ask.exchange);
    if (ask.secureReached()) answer.note = "TLS certificate not verified";
    switch (result) {
        case snmp::ExchangeResult::kAnswered:
            answer.answered = answer.found = true;
            answer.id = ask.id();
            if (ask.fromFormats()) {
                answer.note += std::string(answer.note.empty() ? "" : "; ") +
                               "no printer-device-id with a command set: built from document-format-supported";
            }
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
    bool perCommunity;   // an SNMP object: one question per community (IPP knows none), none of a print server
    std::size_t (*start)(StandardAsks& asks, const NetworkSource& target);
    StandardAnswer (*read)(StandardAsks& asks, std::size_t index);
    std::size_t (*exchange)(StandardAsks& asks, std::size_t index);   // in the batch's exchanges
};

std::size_t GetExchange(StandardAsks& asks, std::size_t index) { return asks.batch.exchange(index); }
std::size_t IppExchange(StandardAsks& asks, std::size_t index) { return asks.ipp[index]->exchange; }

const StandardSource kStandardSources[] = {
    {"PWG ppmPrinterIEEE1284DeviceId", true,
     [](StandardAsks& asks, const NetworkSource& target) {
         return AddDeviceIdGet(asks.batch, target, "1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1");
     },
     [](StandardAsks& asks, std::size_t index) { return ReadObject(asks.batch, index); }, GetExchange},
    {"1.3.6.1.4.1.11.2.3.9.1.1.7.0", true,
     [](StandardAsks& asks, const NetworkSource& target) {
         return AddDeviceIdGet(asks.batch, target, "1.3.6.1.4.1.11.2.3.9.1.1.7.0");
     },
     [](StandardAsks& asks, std::size_t index) { return ReadObject(asks.batch, index); }, GetExchange},
    {"IPP printer-device-id", false, StartIpp, ReadIpp, IppExchange},
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
    // The SNMP objects (one question per community) are not asked of a print server.
    return !(kStandardSources[kind].perCommunity && m_standardTargets[target].ippOnly);
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
            const NetworkSource& target = m_standardTargets[t];
            std::size_t same = t;
            if (!source.perCommunity) {
                for (same = 0; m_standardTargets[same].address != target.address ||
                               m_standardTargets[same].uri != target.uri;)
                    ++same;
            }
            m_standardAsks.push_back(!Asks(kind, t) ? 0
                                     : same < t     ? m_standardAsks[first + same]
                                                    : source.start(*m_pAsks, target));
        }
    }
    RankAnswers();
}

void NetworkDeviceIdReads::RankAnswers() {
    StandardAsks& asks = *m_pAsks;
    std::vector<std::size_t> gets;
    for (std::size_t get = 0; m_firstInBatch + get < m_sources.size(); ++get) gets.push_back(get);
    std::stable_sort(gets.begin(), gets.end(), [this](std::size_t a, std::size_t b) {
        return m_sources[m_firstInBatch + a].rank < m_sources[m_firstInBatch + b].rank;
    });
    for (std::size_t get : gets) {
        m_ranked.push_back({asks.batch.exchange(get), [&asks, get] {
                                const DeviceIdAnswer answer = Await(asks.batch, get);
                                return answer.code == kSnmpSuccess && answer.octetString && HasCommandSet(answer.text);
                            }});
    }
    for (std::size_t kind = 0; kind < kStandardSourceCount; ++kind) {
        for (std::size_t t = 0; t < m_standardTargets.size(); ++t) {
            if (!Asks(kind, t)) continue;   // nothing was started for it
            const std::size_t index = m_standardAsks[kind * m_standardTargets.size() + t];
            const StandardSource& source = kStandardSources[kind];
            m_ranked.push_back({source.exchange(asks, index),
                                [&asks, &source, index] { return source.read(asks, index).found; }});
        }
    }
    asks.batch.exchanges().OnAnswered([this](std::size_t exchange) { GraceBefore(exchange); });
}

void NetworkDeviceIdReads::GraceBefore(std::size_t exchange) {
    snmp::ExchangeSet& exchanges = m_pAsks->batch.exchanges();
    for (std::size_t rank = 0; rank < m_ranked.size(); ++rank) {
        if (m_ranked[rank].exchange != exchange) continue;
        if (!m_ranked[rank].found()) return;
        for (std::size_t before = 0; before < rank; ++before) {
            const std::size_t other = m_ranked[before].exchange;
            if (other != SNMPGetBatch::kNoExchange && !exchanges.Over(other)) exchanges.Shorten(other, kAnswerGrace);
        }
        return;
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
