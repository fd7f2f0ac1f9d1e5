// Our SNMP client library: SNMPv1 GET over UDP port 161, one attempt per
// configured try, blocking. The class shapes follow what the printer code calls:
// a manager sends a request PDU to a target and fills in the bindings' values.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "snmp/udp_exchange.h"

// Starts the socket layer (Winsock on Windows). Returns 0 on success. Calls nest:
// every SNMPStartup is matched by one SNMPCleanup.
int SNMPStartup();
void SNMPCleanup();

class OID {
public:
    OID() = default;
    explicit OID(const char* dotted);
    ~OID() = default;

    bool valid() const { return !m_arrArcs.empty(); }
    const std::vector<std::uint32_t>& arcs() const { return m_arrArcs; }
    std::string toString() const;

private:
    std::vector<std::uint32_t> m_arrArcs;   // empty when the text was not an identifier
};

// A value of a variable binding: its BER tag and content bytes. getDataType()
// answers the tag: 2 integer, 4 octet string, 5 null, 6 object identifier,
// 0x40.. the application types, 0x80.. the SNMPv2 exceptions.
class OctetString;

class SNMPDataType {
public:
    SNMPDataType() = default;
    virtual ~SNMPDataType() = default;
    // A value of the given tag; an octet string is always an OctetString.
    static std::unique_ptr<SNMPDataType> make(int nType, std::vector<std::uint8_t> content);

    int getDataType() const { return m_nType; }
    const std::vector<std::uint8_t>& content() const { return m_arrContent; }
    virtual std::unique_ptr<SNMPDataType> clone() const;
    // The value as an octet string, or null when it is of another type.
    virtual const OctetString* asOctetString() const { return nullptr; }

protected:
    SNMPDataType(int nType, std::vector<std::uint8_t> content)
        : m_nType(nType), m_arrContent(std::move(content)) {}

    int m_nType = 5;
    std::vector<std::uint8_t> m_arrContent;
};

class OctetString : public SNMPDataType {
public:
    OctetString() : SNMPDataType(4, {}) {}
    explicit OctetString(std::vector<std::uint8_t> content) : SNMPDataType(4, std::move(content)) {}
    OctetString(const OctetString&) = default;
    OctetString& operator=(const OctetString&) = default;
    ~OctetString() override = default;

    // The bytes as text; a zero byte inside ends it, as for any C string.
    std::string toString() const;
    std::unique_ptr<SNMPDataType> clone() const override;
    const OctetString* asOctetString() const override { return this; }
};

class VarBind {
public:
    VarBind();
    VarBind(const VarBind& other);
    VarBind& operator=(const VarBind& other);
    ~VarBind();

    void setOID(const OID& oid);
    const OID& getOID() const { return m_oid; }
    // Null until an answer has filled it; an octet string value is an OctetString.
    SNMPDataType& getValue() { return *m_pValue; }
    void setValue(std::unique_ptr<SNMPDataType> value);

private:
    OID m_oid;
    std::unique_ptr<SNMPDataType> m_pValue;
};

class ReqRespPDU {
public:
    ReqRespPDU() = default;
    ~ReqRespPDU() = default;

    // Copies `count` bindings; the caller keeps its own.
    void setVarBindList(const VarBind* pVarBinds, int count);
    int getVarBindCount() const { return static_cast<int>(m_arrVarBinds.size()); }
    // Index past the end answers a shared empty binding rather than failing.
    VarBind& getVarBind(unsigned index);

private:
    std::vector<VarBind> m_arrVarBinds;
    VarBind m_emptyVarBind;
};

class Target {
public:
    Target() = default;
    ~Target() = default;

    void setAgentAddress(const char* address) { m_strAddress = address ? address : ""; }
    void setReadCommunity(const char* community) { m_strCommunity = community ? community : ""; }
    void setTimeout(int seconds) { m_nTimeout = seconds; }
    void setRetryCount(int count) { m_nRetryCount = count; }
    void setPort(unsigned short port) { m_nPort = port; }

    const std::string& agentAddress() const { return m_strAddress; }
    const std::string& readCommunity() const { return m_strCommunity; }
    int timeout() const { return m_nTimeout; }
    int retryCount() const { return m_nRetryCount; }
    unsigned short port() const { return m_nPort; }

private:
    std::string m_strAddress;
    std::string m_strCommunity = "public";
    int m_nTimeout = 1;       // seconds per attempt
    int m_nRetryCount = 0;    // attempts after the first
    unsigned short m_nPort = 161;
};

// Codes of SNMPManager::get: 0 when the agent answered (an error status
// included: the bindings then hold Null), negative for what went wrong on our
// side. 1..18 are the protocol's error statuses, known to errorToString.
enum SNMPError {
    kSnmpSuccess = 0,
    kSnmpErrTimeout = -1,
    kSnmpErrResolve = -2,
    kSnmpErrSocket = -3,
    kSnmpErrSend = -4,
    kSnmpErrNoAddress = -5,
    kSnmpErrBadVarBinds = -6,
    kSnmpErrTooLong = -7,
    kSnmpErrReceive = -8,
};

class SNMPManager {
public:
    SNMPManager() = default;
    ~SNMPManager() = default;

    // One GET of every binding of `request`; 0 once the agent answered, with the
    // answer's values in the bindings. Each attempt (1 + the target's retry
    // count) goes out from a fresh socket with a fresh request ID; an attempt
    // that fails in any way is followed by the next.
    int get(ReqRespPDU& request, Target& target);
    static const char* errorToString(int code);
};

// GETs to several targets at once: those to a literal address are sent when
// added, one to a host name as soon as its own thread has resolved it, and
// their answers are awaited together on the caller's thread, so the slowest
// decides how long they take, not their sum. Each behaves as SNMPManager::get on its own; a GET
// not yet awaited when the batch is destroyed is abandoned with its socket.
class SNMPGetBatch {
public:
    SNMPGetBatch();
    ~SNMPGetBatch();
    SNMPGetBatch(const SNMPGetBatch&) = delete;
    SNMPGetBatch& operator=(const SNMPGetBatch&) = delete;

    // Starts a GET of a copy of `request`; returns its index.
    std::size_t add(const ReqRespPDU& request, const Target& target);
    // Waits until that GET is over; returns get()'s code for it.
    int wait(std::size_t index);
    // The copy, with the answer's values once wait() returned 0.
    ReqRespPDU& request(std::size_t index);
    // The batch's exchanges, for questions of other protocols that share its
    // loop and deadlines.
    snmp::ExchangeSet& exchanges() { return m_exchanges; }
    // The exchange that carries GET `index`; kNoExchange when it never started
    // (no address, bad bindings).
    static constexpr std::size_t kNoExchange = static_cast<std::size_t>(-1);
    std::size_t exchange(std::size_t index) const;

private:
    struct Get;
    // Declared first: the sockets stay started until every exchange is closed.
    struct SocketsStarted {
        SocketsStarted();
        ~SocketsStarted();
    } m_started;
    snmp::ExchangeSet m_exchanges;
    std::vector<std::unique_ptr<Get>> m_gets;
};
