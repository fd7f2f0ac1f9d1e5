#include "device/lookup/questions.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <utility>

#include "device/lookup/device_id_pairs.h"
#include "device/lookup/ipp_answer.h"
#include "device/lookup/printer_address.h"
#include "device/lookup/secure_ipp.h"

const char kDeviceIdOid[] = "1.3.6.1.4.1.47261.11.5.1.1.1.26.0";

namespace {

// One GET of a device-ID object: timeout 1 s, and an agent that stays silent
// is asked a second time.
std::size_t AddDeviceIdGet(SNMPGetBatch& batch, const Candidate& source, const char* oid) {
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

// An octet string read as a local device's reply: one length-prefix rule.
std::string WithoutLengthPrefix(const std::vector<std::uint8_t>& bytes) {
    return DeviceIdText(bytes.data(), bytes.size(), bytes.size());
}

// The private object too may carry the two length bytes: without them its
// text would read as empty.
}  // namespace

DeviceIdAnswer ReadPrivateObject(SNMPGetBatch& batch, std::size_t index) {
    DeviceIdAnswer answer;
    answer.code = batch.wait(index);
    if (answer.code != kSnmpSuccess) return answer;
    if (const OctetString* text = batch.request(index).getVarBind(0).getValue().asOctetString()) {
        answer.octetString = true;
        answer.text = WithoutLengthPrefix(text->content());
    }
    return answer;
}

namespace {

QuestionAnswer ReadObject(SNMPGetBatch& batch, std::size_t index) {
    QuestionAnswer answer;
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

}  // namespace

// Get-Printer-Attributes to one printer. The first connection has the whole
// budget: a printer waking from sleep answers late. The next resource is
// asked only when the printer says the last one does not exist; after any
// other failure the same one is asked again. Over plain HTTP the exchange
// loop carries the questions; over TLS the platform does, on a thread of its own.
struct SecureRun;

class IppAsk : public snmp::Conversation {
public:
    // `resources` in the order they are asked.
    IppAsk(std::string host, unsigned short port, std::vector<std::string> resources, bool secure)
        : m_host(std::move(host)), m_port(port), m_resources(std::move(resources)), m_secure(secure) {}
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

    // The questions over TLS, within `budgetMs` from now, on a thread that
    // owns its own copy of this question: the lookup never waits for it past
    // its deadline, and may be gone before it ends.
    void StartSecure(SecureIpp& tls, int budgetMs);
    // The TLS questions' outcome: once they are over, or at the deadline
    // ("no answer"), whichever comes first.
    bool FinishSecure();

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
    bool m_secureReached = false;
    std::shared_ptr<SecureRun> m_run;   // the TLS thread's, while it runs
    std::chrono::steady_clock::time_point m_deadline;

    // The questions over TLS until `end`: true with the ID.
    bool AskSecure(SecureIpp& tls, std::chrono::steady_clock::time_point end) {
        for (int attempt = 0; attempt < resourceCount(); ++attempt) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
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
            if (JudgeAnswer(reply.status, reply.body) == Verdict::kAnswered) return true;
        }
        return false;
    }
};

// What the TLS thread works on: its own copy of the question, and whether it is over.
struct SecureRun {
    explicit SecureRun(const IppAsk& question) : ask(question) {}
    IppAsk ask;
    std::mutex mutex;
    std::condition_variable done;
    bool over = false;
    bool answered = false;
};

void IppAsk::StartSecure(SecureIpp& tls, int budgetMs) {
    m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(budgetMs);
    auto run = std::make_shared<SecureRun>(*this);
    m_run = run;
    std::thread([run, &tls, end = m_deadline] {
        const bool answered = run->ask.AskSecure(tls, end);
        std::lock_guard<std::mutex> lock(run->mutex);
        run->over = true;
        run->answered = answered;
        run->done.notify_all();
    }).detach();
}

bool IppAsk::FinishSecure() {
    std::unique_lock<std::mutex> lock(m_run->mutex);
    if (!m_run->done.wait_until(lock, m_deadline, [this] { return m_run->over; })) {
        m_failure = "no answer";
        return false;
    }
    const IppAsk& asked = m_run->ask;
    m_id = asked.m_id;
    m_failure = asked.m_failure;
    m_fromFormats = asked.m_fromFormats;
    m_secureReached = asked.m_secureReached;
    return m_run->answered;
}

Exchanges::Exchanges(SecureIpp& tls_) : tls(tls_) {}
Exchanges::~Exchanges() = default;

namespace {

constexpr int kIppBudgetMs = 2000;   // the same two seconds as the SNMP GETs

// Returns the question's index in `asks.ipp`. A printer known by its URI is
// asked at the URI's port and resource first, then at the usual resources.
std::size_t StartIpp(Exchanges& asks, const Candidate& target) {
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
        ask.StartSecure(asks.tls, kIppBudgetMs);
    } else {
        // One attempt per resource, each free to take the whole budget.
        ask.exchange = asks.batch.exchanges().Start(uri.host, uri.port, ask.resourceCount(), kIppBudgetMs, ask,
                                                    snmp::Transport::kStream, kIppBudgetMs);
    }
    return asks.ipp.size() - 1;
}

QuestionAnswer ReadIpp(Exchanges& asks, std::size_t index) {
    IppAsk& ask = *asks.ipp[index];
    QuestionAnswer answer;
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

std::size_t GetExchange(Exchanges& asks, std::size_t index) { return asks.batch.exchange(index); }
std::size_t IppExchange(Exchanges& asks, std::size_t index) { return asks.ipp[index]->exchange; }

}  // namespace

const Question kQuestions[] = {
    {"PWG ppmPrinterIEEE1284DeviceId", true,
     [](Exchanges& asks, const Candidate& target) {
         return AddDeviceIdGet(asks.batch, target, "1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1");
     },
     [](Exchanges& asks, std::size_t index) { return ReadObject(asks.batch, index); }, GetExchange},
    {"1.3.6.1.4.1.11.2.3.9.1.1.7.0", true,
     [](Exchanges& asks, const Candidate& target) {
         return AddDeviceIdGet(asks.batch, target, "1.3.6.1.4.1.11.2.3.9.1.1.7.0");
     },
     [](Exchanges& asks, std::size_t index) { return ReadObject(asks.batch, index); }, GetExchange},
    {"IPP printer-device-id", false, StartIpp, ReadIpp, IppExchange},
};

const std::size_t kQuestionCount = sizeof(kQuestions) / sizeof(kQuestions[0]);

std::size_t AskPrivateObject(SNMPGetBatch& batch, const Candidate& candidate) {
    return AddDeviceIdGet(batch, candidate, kDeviceIdOid);
}

bool HasDeviceId(const DeviceIdAnswer& answer) {
    return answer.code == kSnmpSuccess && answer.octetString && HasCommandSet(answer.text);
}
