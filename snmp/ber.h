// SNMPv1 message codec: encodes one GetRequest and decodes the agent's
// GetResponse. Portable and allocation-bounded: a decoder input of n bytes never
// makes it read outside those bytes nor allocate more than n bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace snmp {

// BER tags the codec knows (universal, application and context classes).
enum BerTag : std::uint8_t {
    kTagInteger = 0x02,
    kTagOctetString = 0x04,
    kTagNull = 0x05,
    kTagObjectId = 0x06,
    kTagSequence = 0x30,
    kTagIpAddress = 0x40,
    kTagCounter32 = 0x41,
    kTagGauge32 = 0x42,
    kTagTimeTicks = 0x43,
    kTagOpaque = 0x44,
    kTagCounter64 = 0x46,
    kTagGetRequest = 0xA0,
    kTagGetResponse = 0xA2,
};

constexpr std::int32_t kVersion1 = 0;
// A UDP datagram cannot carry more; anything longer is not a message of ours.
constexpr std::size_t kMaxMessageSize = 65535;
constexpr std::size_t kMaxVarBinds = 64;
constexpr std::size_t kMaxOidArcs = 128;

// Parses "1.3.6.1..." into arcs. At least two arcs, the first 0..2, the second
// below 40 unless the first is 2, each arc fitting 32 bits, no empty arc.
bool ParseOid(const char* dotted, std::vector<std::uint32_t>* arcs);

// The BER content bytes of an object identifier (without tag and length).
std::vector<std::uint8_t> EncodeOidContent(const std::vector<std::uint32_t>& arcs);

// A whole GetRequest message with a Null value for each identifier.
// `oids` holds the content bytes of each identifier (EncodeOidContent).
std::vector<std::uint8_t> EncodeGetRequest(std::int32_t version, const std::string& community,
                                           std::int32_t requestId,
                                           const std::vector<std::vector<std::uint8_t>>& oids);

// One variable binding of a decoded message: identifier content bytes and the
// value's tag and content bytes.
struct DecodedVarBind {
    std::vector<std::uint8_t> oid;
    std::uint8_t valueTag = kTagNull;
    std::vector<std::uint8_t> value;
};

struct DecodedMessage {
    std::int32_t version = 0;
    std::string community;
    std::uint8_t pduTag = 0;
    std::int32_t requestId = 0;
    std::int32_t errorStatus = 0;
    std::int32_t errorIndex = 0;
    std::vector<DecodedVarBind> varBinds;
};

// Structural parse of one SNMPv1/v2c message (any PDU type). False for anything
// that is not exactly one well-formed message: truncation, trailing bytes,
// indefinite or over-long lengths, high tag numbers, constructed values,
// integers that do not fit 32 bits, more than kMaxVarBinds bindings.
bool ParseMessage(const std::uint8_t* data, std::size_t size, DecodedMessage* out);

enum class ResponseCheck {
    kAccepted,        // our answer, no error status
    kAgentError,      // our answer, but the agent reports an error status
    kMalformed,
    kNotResponse,     // some other PDU type
    kWrongVersion,
    kWrongCommunity,
    kWrongRequestId,
    kWrongVarBinds,   // count or identifiers differ from the request
};

struct ExpectedResponse {
    std::int32_t version = kVersion1;
    std::string community;
    std::int32_t requestId = 0;
    std::vector<std::vector<std::uint8_t>> oids;   // content bytes, in request order
};

// Decides whether a datagram is the answer to our request. On kAccepted and
// kAgentError `out` holds the message.
ResponseCheck CheckResponse(const std::uint8_t* data, std::size_t size,
                            const ExpectedResponse& expected, DecodedMessage* out);

}  // namespace snmp
