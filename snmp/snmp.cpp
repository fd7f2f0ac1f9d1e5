#include "snmp/snmp.h"

#include <chrono>
#include <cstring>

#include "snmp/ber.h"
#include "snmp/udp_exchange.h"

namespace {

// Request IDs only need to be hard to guess for an off-path sender and distinct
// between our own requests: a counter scrambled with splitmix64.
std::int32_t NextRequestId() {
    static std::uint64_t state =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) ^
        reinterpret_cast<std::uintptr_t>(&state);
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    std::int32_t id = static_cast<std::int32_t>(z & 0x7FFFFFFF);
    return id == 0 ? 1 : id;
}

std::unique_ptr<SNMPDataType> MakeValue(std::uint8_t tag, std::vector<std::uint8_t> content) {
    if (tag == snmp::kTagOctetString) return std::make_unique<OctetString>(std::move(content));
    return std::make_unique<SNMPDataType>(tag, std::move(content));
}

// Accepts the first datagram that answers our request, well-formed and for us;
// a matching answer with an error status also ends the wait.
class ResponseFilter : public snmp::DatagramFilter {
public:
    explicit ResponseFilter(const snmp::ExpectedResponse& expected) : m_expected(expected) {}

    bool Accept(const std::uint8_t* data, std::size_t size) override {
        snmp::DecodedMessage message;
        snmp::ResponseCheck check = snmp::CheckResponse(data, size, m_expected, &message);
        if (check != snmp::ResponseCheck::kAccepted && check != snmp::ResponseCheck::kAgentError) {
            return false;
        }
        m_check = check;
        m_message = std::move(message);
        return true;
    }

    snmp::ResponseCheck check() const { return m_check; }
    snmp::DecodedMessage& message() { return m_message; }

private:
    const snmp::ExpectedResponse& m_expected;
    snmp::ResponseCheck m_check = snmp::ResponseCheck::kMalformed;
    snmp::DecodedMessage m_message;
};

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

// ---- SNMPManager -------------------------------------------------------------

int SNMPManager::get(ReqRespPDU& request, Target& target) {
    if (target.agentAddress().empty()) return kSnmpErrNoAddress;
    const int count = request.getVarBindCount();
    if (count <= 0 || static_cast<std::size_t>(count) > snmp::kMaxVarBinds) return kSnmpErrBadVarBinds;

    snmp::ExpectedResponse expected;
    expected.version = snmp::kVersion1;
    expected.community = target.readCommunity();
    expected.requestId = NextRequestId();
    for (int i = 0; i < count; ++i) {
        const OID& oid = request.getVarBind(static_cast<unsigned>(i)).getOID();
        if (!oid.valid()) return kSnmpErrBadVarBinds;
        expected.oids.push_back(snmp::EncodeOidContent(oid.arcs()));
    }
    std::vector<std::uint8_t> message =
        snmp::EncodeGetRequest(expected.version, expected.community, expected.requestId, expected.oids);
    if (message.size() > snmp::kMaxMessageSize) return kSnmpErrTooLong;

    // Whole seconds, as configured; a value below one still waits one second.
    const int seconds = target.timeout() < 1 ? 1 : (target.timeout() > 60 ? 60 : target.timeout());
    const int attempts = 1 + (target.retryCount() < 0 ? 0 : (target.retryCount() > 10 ? 10 : target.retryCount()));

    int code = kSnmpErrTimeout;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        ResponseFilter filter(expected);
        snmp::ExchangeResult result = snmp::ExchangeDatagram(target.agentAddress(), target.port(),
                                                             message, seconds * 1000, filter);
        switch (result) {
            case snmp::ExchangeResult::kResolveFailed: return kSnmpErrResolve;
            case snmp::ExchangeResult::kSocketFailed: return kSnmpErrSocket;
            case snmp::ExchangeResult::kSendFailed: code = kSnmpErrSend; continue;
            case snmp::ExchangeResult::kTimeout: code = kSnmpErrTimeout; continue;
            case snmp::ExchangeResult::kAnswered: break;
        }
        snmp::DecodedMessage& answer = filter.message();
        if (filter.check() == snmp::ResponseCheck::kAgentError) {
            // An error reply (noSuchName from a printer that lacks the object) is
            // still the agent's answer: it ends the GET, but carries no values.
            for (int i = 0; i < count; ++i) request.getVarBind(static_cast<unsigned>(i)).setValue(nullptr);
            return kSnmpSuccess;
        }
        for (int i = 0; i < count; ++i) {
            auto& decoded = answer.varBinds[static_cast<std::size_t>(i)];
            request.getVarBind(static_cast<unsigned>(i))
                .setValue(MakeValue(decoded.valueTag, std::move(decoded.value)));
        }
        return kSnmpSuccess;
    }
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
        default: break;
    }
    if (code > 0 && code <= 18) return "The agent reported an error";
    return "Unknown error";
}
