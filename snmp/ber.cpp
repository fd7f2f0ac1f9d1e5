#include "snmp/ber.h"

#include <cstring>

namespace snmp {

namespace {

// ---- encoding --------------------------------------------------------------

void PutLength(std::vector<std::uint8_t>& out, std::size_t length) {
    if (length < 0x80) {
        out.push_back(static_cast<std::uint8_t>(length));
        return;
    }
    std::uint8_t bytes[sizeof(std::size_t)];
    int n = 0;
    while (length != 0) {
        bytes[n++] = static_cast<std::uint8_t>(length & 0xFF);
        length >>= 8;
    }
    out.push_back(static_cast<std::uint8_t>(0x80 | n));
    while (n > 0) out.push_back(bytes[--n]);
}

void PutTlv(std::vector<std::uint8_t>& out, std::uint8_t tag, const std::uint8_t* content,
            std::size_t size) {
    out.push_back(tag);
    PutLength(out, size);
    out.insert(out.end(), content, content + size);
}

void PutTlv(std::vector<std::uint8_t>& out, std::uint8_t tag, const std::vector<std::uint8_t>& content) {
    PutTlv(out, tag, content.data(), content.size());
}

void PutInteger(std::vector<std::uint8_t>& out, std::int32_t value) {
    // Minimal two's complement: drop leading bytes that only repeat the sign.
    std::uint8_t bytes[4];
    std::uint32_t u = static_cast<std::uint32_t>(value);
    for (int i = 3; i >= 0; --i) {
        bytes[i] = static_cast<std::uint8_t>(u & 0xFF);
        u >>= 8;
    }
    int start = 0;
    while (start < 3 && ((bytes[start] == 0x00 && (bytes[start + 1] & 0x80) == 0) ||
                         (bytes[start] == 0xFF && (bytes[start + 1] & 0x80) != 0))) {
        ++start;
    }
    PutTlv(out, kTagInteger, bytes + start, static_cast<std::size_t>(4 - start));
}

void PutBase128(std::vector<std::uint8_t>& out, std::uint64_t value) {
    std::uint8_t bytes[10];
    int n = 0;
    do {
        bytes[n++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (n > 1) out.push_back(static_cast<std::uint8_t>(bytes[--n] | 0x80));
    out.push_back(bytes[0]);
}

// ---- decoding --------------------------------------------------------------

// A window on the input. Every read checks the remaining size first, so the
// decoder can only ever look at bytes inside the window it was given.
struct Reader {
    const std::uint8_t* p;
    std::size_t left;

    bool empty() const { return left == 0; }

    // One tag-length-value. Only single-byte tags (SNMP uses no high tag
    // numbers); definite lengths of at most four length bytes that fit the window.
    bool Next(std::uint8_t* tag, Reader* content) {
        if (left < 2) return false;
        std::uint8_t t = p[0];
        if ((t & 0x1F) == 0x1F) return false;
        std::uint8_t first = p[1];
        std::size_t header = 2;
        std::size_t length = 0;
        if (first < 0x80) {
            length = first;
        } else {
            std::size_t n = first & 0x7F;
            if (n == 0 || n > 4) return false;   // indefinite, or beyond any datagram
            if (left < 2 + n) return false;
            for (std::size_t i = 0; i < n; ++i) length = (length << 8) | p[2 + i];
            header += n;
        }
        if (length > left - header) return false;
        *tag = t;
        content->p = p + header;
        content->left = length;
        p += header + length;
        left -= header + length;
        return true;
    }

    bool Expect(std::uint8_t wanted, Reader* content) {
        std::uint8_t tag = 0;
        return Next(&tag, content) && tag == wanted;
    }
};

bool DecodeInt32(const Reader& r, std::int32_t* value) {
    if (r.left == 0 || r.left > 4) return false;
    std::uint32_t u = (r.p[0] & 0x80) ? 0xFFFFFFFFu : 0u;
    for (std::size_t i = 0; i < r.left; ++i) u = (u << 8) | r.p[i];
    *value = static_cast<std::int32_t>(u);
    return true;
}

bool ReadInt32(Reader& r, std::int32_t* value) {
    Reader content{};
    return r.Expect(kTagInteger, &content) && DecodeInt32(content, value);
}

bool ParseVarBind(Reader vb, DecodedVarBind* out) {
    Reader oid{};
    Reader value{};
    std::uint8_t valueTag = 0;
    if (!vb.Expect(kTagObjectId, &oid) || oid.left == 0) return false;
    if (!vb.Next(&valueTag, &value) || !vb.empty()) return false;
    // Values are primitive in every SNMP type; refusing constructed ones keeps
    // the nesting depth of an accepted message fixed.
    if (valueTag & 0x20) return false;
    out->oid.assign(oid.p, oid.p + oid.left);
    out->valueTag = valueTag;
    out->value.assign(value.p, value.p + value.left);
    return true;
}

}  // namespace

bool ParseOid(const char* dotted, std::vector<std::uint32_t>* arcs) {
    arcs->clear();
    if (dotted == nullptr) return false;
    const char* s = dotted;
    if (*s == '.') ++s;   // a leading dot is common in tools' output
    while (true) {
        if (*s < '0' || *s > '9') return false;
        std::uint64_t value = 0;
        while (*s >= '0' && *s <= '9') {
            value = value * 10 + static_cast<unsigned>(*s - '0');
            if (value > 0xFFFFFFFFull) return false;
            ++s;
        }
        if (arcs->size() >= kMaxOidArcs) return false;
        arcs->push_back(static_cast<std::uint32_t>(value));
        if (*s == '\0') break;
        if (*s != '.') return false;
        ++s;
    }
    if (arcs->size() < 2 || (*arcs)[0] > 2) return false;
    if ((*arcs)[0] < 2 && (*arcs)[1] >= 40) return false;
    return true;
}

std::vector<std::uint8_t> EncodeOidContent(const std::vector<std::uint32_t>& arcs) {
    std::vector<std::uint8_t> out;
    if (arcs.size() < 2) return out;
    PutBase128(out, static_cast<std::uint64_t>(arcs[0]) * 40 + arcs[1]);
    for (std::size_t i = 2; i < arcs.size(); ++i) PutBase128(out, arcs[i]);
    return out;
}

std::vector<std::uint8_t> EncodeGetRequest(std::int32_t version, const std::string& community,
                                           std::int32_t requestId,
                                           const std::vector<std::vector<std::uint8_t>>& oids) {
    std::vector<std::uint8_t> list;
    for (const auto& oid : oids) {
        std::vector<std::uint8_t> vb;
        PutTlv(vb, kTagObjectId, oid);
        PutTlv(vb, kTagNull, nullptr, 0);
        PutTlv(list, kTagSequence, vb);
    }
    std::vector<std::uint8_t> pdu;
    PutInteger(pdu, requestId);
    PutInteger(pdu, 0);   // error-status
    PutInteger(pdu, 0);   // error-index
    PutTlv(pdu, kTagSequence, list);

    std::vector<std::uint8_t> body;
    PutInteger(body, version);
    PutTlv(body, kTagOctetString, reinterpret_cast<const std::uint8_t*>(community.data()),
           community.size());
    PutTlv(body, kTagGetRequest, pdu);

    std::vector<std::uint8_t> message;
    PutTlv(message, kTagSequence, body);
    return message;
}

bool ParseMessage(const std::uint8_t* data, std::size_t size, DecodedMessage* out) {
    if (data == nullptr || size > kMaxMessageSize) return false;
    Reader all{data, size};
    Reader message{};
    if (!all.Expect(kTagSequence, &message) || !all.empty()) return false;

    Reader community{};
    Reader pdu{};
    if (!ReadInt32(message, &out->version)) return false;
    if (!message.Expect(kTagOctetString, &community)) return false;
    if (!message.Next(&out->pduTag, &pdu) || !message.empty()) return false;
    // PDUs are constructed, context-specific: 0xA0 and up.
    if ((out->pduTag & 0xE0) != 0xA0) return false;
    out->community.assign(reinterpret_cast<const char*>(community.p), community.left);

    Reader list{};
    if (!ReadInt32(pdu, &out->requestId) || !ReadInt32(pdu, &out->errorStatus) ||
        !ReadInt32(pdu, &out->errorIndex) || !pdu.Expect(kTagSequence, &list) || !pdu.empty()) {
        return false;
    }
    out->varBinds.clear();
    while (!list.empty()) {
        Reader vb{};
        if (out->varBinds.size() >= kMaxVarBinds) return false;
        if (!list.Expect(kTagSequence, &vb)) return false;
        DecodedVarBind decoded;
        if (!ParseVarBind(vb, &decoded)) return false;
        out->varBinds.push_back(std::move(decoded));
    }
    return true;
}

ResponseCheck CheckResponse(const std::uint8_t* data, std::size_t size,
                            const ExpectedResponse& expected, DecodedMessage* out) {
    if (!ParseMessage(data, size, out)) return ResponseCheck::kMalformed;
    if (out->pduTag != kTagGetResponse) return ResponseCheck::kNotResponse;
    if (out->version != expected.version) return ResponseCheck::kWrongVersion;
    if (out->community != expected.community) return ResponseCheck::kWrongCommunity;
    if (out->requestId != expected.requestId) return ResponseCheck::kWrongRequestId;
    if (out->errorStatus != 0) return ResponseCheck::kAgentError;
    if (out->varBinds.size() != expected.oids.size()) return ResponseCheck::kWrongVarBinds;
    for (std::size_t i = 0; i < expected.oids.size(); ++i) {
        if (out->varBinds[i].oid != expected.oids[i]) return ResponseCheck::kWrongVarBinds;
    }
    return ResponseCheck::kAccepted;
}

}  // namespace snmp
