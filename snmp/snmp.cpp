#include "snmp/snmp.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <utility>

#include "snmp/ber.h"
#include "snmp/udp_exchange.h"

namespace {

// Request IDs only need to be hard to guess for an off-path sender and distinct
// between our own requests: a counter scrambled with splitmix64.
std::int32_t NextRequestId() {
    // Atomic: the checks of several printers (-L -C) run on threads of their own.
    static std::atomic<std::uint64_t> state{
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count())};
    std::uint64_t z = state.fetch_add(0x9E3779B97F4A7C15ull) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    std::int32_t id = static_cast<std::int32_t>(z & 0x7FFFFFFF);
    return id == 0 ? 1 : id;
}

}  // namespace

int SNMPStartup() { return snmp::StartSockets(); }

void SNMPCleanup() { snmp::StopSockets(); }

// ---- OID ---------------------------------------------------------------------

OID::OID(const char* dotted) {
    if (!snmp::ParseOid(dotted, &m_arrArcs)) m_arrArcs.clear();
}

std::string OID::toString() const {
    std::string text;
    for (std::size_t i = 0; i < m_arrArcs.size(); ++i) {
        if (i) text += '.';
        text += std::to_string(m_arrArcs[i]);
    }
    return text;
}

// ---- values ------------------------------------------------------------------

std::unique_ptr<SNMPDataType> SNMPDataType::make(int nType, std::vector<std::uint8_t> content) {
    if (nType == snmp::kTagOctetString) return std::make_unique<OctetString>(std::move(content));
    return std::unique_ptr<SNMPDataType>(new SNMPDataType(nType, std::move(content)));
}

std::unique_ptr<SNMPDataType> SNMPDataType::clone() const {
    return std::make_unique<SNMPDataType>(*this);
}

std::string OctetString::toString() const {
    const char* p = reinterpret_cast<const char*>(m_arrContent.data());
    std::size_t n = 0;
    while (n < m_arrContent.size() && p[n] != '\0') ++n;
    return std::string(p, n);
}

std::unique_ptr<SNMPDataType> OctetString::clone() const {
    return std::make_unique<OctetString>(*this);
}

// ---- VarBind -----------------------------------------------------------------

VarBind::VarBind() : m_pValue(std::make_unique<SNMPDataType>()) {}

VarBind::VarBind(const VarBind& other) : m_oid(other.m_oid), m_pValue(other.m_pValue->clone()) {}

VarBind& VarBind::operator=(const VarBind& other) {
    if (this != &other) {
        m_oid = other.m_oid;
        m_pValue = other.m_pValue->clone();
    }
    return *this;
}

VarBind::~VarBind() = default;

void VarBind::setOID(const OID& oid) { m_oid = oid; }

void VarBind::setValue(std::unique_ptr<SNMPDataType> value) {
    m_pValue = value ? std::move(value) : std::make_unique<SNMPDataType>();
}

// ---- ReqRespPDU --------------------------------------------------------------

void ReqRespPDU::setVarBindList(const VarBind* pVarBinds, int count) {
    m_arrVarBinds.clear();
    if (pVarBinds == nullptr || count <= 0) return;
    m_arrVarBinds.assign(pVarBinds, pVarBinds + count);
}

VarBind& ReqRespPDU::getVarBind(unsigned index) {
    if (index < m_arrVarBinds.size()) return m_arrVarBinds[index];
    m_emptyVarBind = VarBind();
    return m_emptyVarBind;
}

// ---- SNMPGetBatch ------------------------------------------------------------

// One GET of a batch: its own copy of the request, one request ID for all its
// attempts (a retry is the same question asked again, so a late answer to the
// first try is as good as one to the last), and the answer that ends it.
struct SNMPGetBatch::Get : snmp::Conversation {
    ReqRespPDU request;
    snmp::ExpectedResponse expected;
    int code = kSnmpErrTimeout;
    bool over = false;
    std::size_t exchange = kNoExchange;
    snmp::DecodedMessage answer;
    snmp::ResponseCheck check = snmp::ResponseCheck::kMalformed;

    std::vector<std::uint8_t> NextRequest() override {
        if (expected.requestId == 0) expected.requestId = NextRequestId();
        return snmp::EncodeGetRequest(expected.version, expected.community, expected.requestId, expected.oids);
    }

    bool Accept(const std::uint8_t* data, std::size_t size) override {
        snmp::DecodedMessage message;
        snmp::ResponseCheck result = snmp::CheckResponse(data, size, expected, &message);
        if (result != snmp::ResponseCheck::kAccepted && result != snmp::ResponseCheck::kAgentError) return false;
        check = result;
        answer = std::move(message);
        return true;
    }

    // What the agent said, into the request's bindings. An error reply
    // (noSuchName from a printer that lacks the object) is still the agent's
    // answer: it ends the GET, but carries no values.
    void TakeAnswer() {
        code = kSnmpSuccess;
        for (int i = 0; i < request.getVarBindCount(); ++i) {
            VarBind& binding = request.getVarBind(static_cast<unsigned>(i));
            if (check == snmp::ResponseCheck::kAgentError) {
                binding.setValue(nullptr);
            } else {
                auto& decoded = answer.varBinds[static_cast<std::size_t>(i)];
                binding.setValue(SNMPDataType::make(decoded.valueTag, std::move(decoded.value)));
            }
        }
    }
};

SNMPGetBatch::SocketsStarted::SocketsStarted() { SNMPStartup(); }
SNMPGetBatch::SocketsStarted::~SocketsStarted() { SNMPCleanup(); }

SNMPGetBatch::SNMPGetBatch() : m_exchanges(snmp::SystemSockets()) {}

SNMPGetBatch::~SNMPGetBatch() = default;

std::size_t SNMPGetBatch::add(const ReqRespPDU& request, const Target& target) {
    m_gets.push_back(std::make_unique<Get>());
    Get& get = *m_gets.back();
    get.request = request;
    const std::size_t index = m_gets.size() - 1;

    get.over = true;
    if (target.agentAddress().empty()) { get.code = kSnmpErrNoAddress; return index; }
    const int count = get.request.getVarBindCount();
    if (count <= 0 || static_cast<std::size_t>(count) > snmp::kMaxVarBinds) {
        get.code = kSnmpErrBadVarBinds;
        return index;
    }
    get.expected.version = snmp::kVersion1;
    get.expected.community = target.readCommunity();
    for (int i = 0; i < count; ++i) {
        const OID& oid = get.request.getVarBind(static_cast<unsigned>(i)).getOID();
        if (!oid.valid()) { get.code = kSnmpErrBadVarBinds; return index; }
        get.expected.oids.push_back(snmp::EncodeOidContent(oid.arcs()));
    }
    if (snmp::EncodeGetRequest(get.expected.version, get.expected.community, 0, get.expected.oids).size() +
            8 > snmp::kMaxMessageSize) {   // room for the longest request ID
        get.code = kSnmpErrTooLong;
        return index;
    }

    // Whole seconds, as configured; a value below one still waits one second.
    const int seconds = target.timeout() < 1 ? 1 : (target.timeout() > 60 ? 60 : target.timeout());
    const int attempts = 1 + (target.retryCount() < 0 ? 0 : (target.retryCount() > 10 ? 10 : target.retryCount()));
    get.over = false;
    get.exchange = m_exchanges.Start(target.agentAddress(), target.port(), attempts, seconds * 1000, get);
    return index;
}

int SNMPGetBatch::wait(std::size_t index) {
    Get& get = *m_gets.at(index);
    if (get.over) return get.code;
    get.over = true;
    switch (m_exchanges.Wait(get.exchange)) {
        case snmp::ExchangeResult::kAnswered: get.TakeAnswer(); break;
        case snmp::ExchangeResult::kTimeout: get.code = kSnmpErrTimeout; break;
        case snmp::ExchangeResult::kResolveFailed: get.code = kSnmpErrResolve; break;
        case snmp::ExchangeResult::kSocketFailed: get.code = kSnmpErrSocket; break;
        case snmp::ExchangeResult::kSendFailed: get.code = kSnmpErrSend; break;
        case snmp::ExchangeResult::kReceiveFailed: get.code = kSnmpErrReceive; break;
    }
    return get.code;
}

ReqRespPDU& SNMPGetBatch::request(std::size_t index) { return m_gets.at(index)->request; }

std::size_t SNMPGetBatch::exchange(std::size_t index) const { return m_gets.at(index)->exchange; }

// ---- SNMPManager -------------------------------------------------------------

int SNMPManager::get(ReqRespPDU& request, Target& target) {
    SNMPGetBatch batch;
    std::size_t index = batch.add(request, target);
    int code = batch.wait(index);
    if (code == kSnmpSuccess) request = batch.request(index);
    return code;
}

const char* SNMPManager::errorToString(int code) {
    switch (code) {
        case kSnmpSuccess: return "Success";
        case 1: return "Response message would have been too large (tooBig)";
        case 2: return "There is no such variable name in this MIB (noSuchName)";
        case 3: return "The value given has the wrong type or length (badValue)";
        case 4: return "The variable is read-only (readOnly)";
        case 5: return "A general failure occurred on the agent (genErr)";
        case 6: return "Access denied (noAccess)";
        case kSnmpErrTimeout: return "Timeout: no response from the agent";
        case kSnmpErrResolve: return "Unknown host: the agent address cannot be resolved";
        case kSnmpErrSocket: return "Cannot open a UDP socket";
        case kSnmpErrSend: return "Cannot send the request";
        case kSnmpErrNoAddress: return "No agent address";
        case kSnmpErrBadVarBinds: return "Invalid variable bindings in the request";
        case kSnmpErrTooLong: return "Request too long for one datagram";
        case kSnmpErrReceive: return "Cannot wait for the answer";
        default: break;
    }
    if (code > 0 && code <= 18) return "The agent reported an error";
    return "Unknown error";
}
