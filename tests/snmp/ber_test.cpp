// The SNMP codec against hand-built messages: what it must accept, and every
// way a datagram can be malformed, foreign or hostile.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "snmp/ber.h"
#include "snmp/snmp.h"

using namespace snmp;
using Bytes = std::vector<std::uint8_t>;

namespace {

const char kDeviceIdOid[] = "1.3.6.1.4.1.47261.11.5.1.1.1.26.0";

Bytes Tlv(std::uint8_t tag, const Bytes& content, int lengthBytes = 0) {
    Bytes out{tag};
    std::size_t n = content.size();
    if (lengthBytes == 0 && n < 0x80) {
        out.push_back(static_cast<std::uint8_t>(n));
    } else {
        int k = lengthBytes ? lengthBytes : (n < 0x100 ? 1 : 2);
        out.push_back(static_cast<std::uint8_t>(0x80 | k));
        for (int i = k - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Str(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes OidBytes(const char* dotted) {
    std::vector<std::uint32_t> arcs;
    EXPECT_TRUE(ParseOid(dotted, &arcs));
    return EncodeOidContent(arcs);
}

struct Msg {
    Bytes version{0x00};
    std::string community = "public";
    std::uint8_t pduTag = kTagGetResponse;
    Bytes requestId{0x12, 0x34};
    Bytes errorStatus{0x00};
    Bytes errorIndex{0x00};
    Bytes varBinds;   // the content of the binding list
    int lengthBytes = 0;

    Bytes Build() const {
        Bytes pdu = Cat({Tlv(kTagInteger, requestId, lengthBytes), Tlv(kTagInteger, errorStatus),
                         Tlv(kTagInteger, errorIndex), Tlv(kTagSequence, varBinds, lengthBytes)});
        Bytes body = Cat({Tlv(kTagInteger, version), Tlv(kTagOctetString, Str(community), lengthBytes),
                          Tlv(pduTag, pdu, lengthBytes)});
        return Tlv(kTagSequence, body, lengthBytes);
    }
};

Bytes VarBindOf(const Bytes& oid, std::uint8_t tag, const Bytes& value) {
    return Tlv(kTagSequence, Cat({Tlv(kTagObjectId, oid), Tlv(tag, value)}));
}

ExpectedResponse Expected() {
    ExpectedResponse e;
    e.community = "public";
    e.requestId = 0x1234;
    e.oids = {OidBytes(kDeviceIdOid)};
    return e;
}

Msg GoodMessage() {
    Msg m;
    m.varBinds = VarBindOf(OidBytes(kDeviceIdOid), kTagOctetString, Str("MFG:Acme;CMD:PDF,JPEG;"));
    return m;
}

}  // namespace

TEST(BerCodec, ChecksResponsesAgainstTheRequest) {
    struct Case {
        const char* name;
        Msg msg;
        ResponseCheck expected;
    };
    std::vector<Case> cases;
    cases.push_back({"octet string answer", GoodMessage(), ResponseCheck::kAccepted});
    {
        Msg m = GoodMessage();
        m.lengthBytes = 2;   // non-minimal long-form lengths are still BER
        cases.push_back({"long-form lengths", m, ResponseCheck::kAccepted});
    }
    {
        Msg m = GoodMessage();
        m.varBinds = VarBindOf(OidBytes(kDeviceIdOid), kTagInteger, {0x2A});
        cases.push_back({"integer answer", m, ResponseCheck::kAccepted});
    }
    {
        Msg m = GoodMessage();
        m.requestId = {0x12, 0x35};
        cases.push_back({"other request id", m, ResponseCheck::kWrongRequestId});
    }
    {
        Msg m = GoodMessage();
        m.community = "private";
        cases.push_back({"other community", m, ResponseCheck::kWrongCommunity});
    }
    {
        Msg m = GoodMessage();
        m.community = "Public";
        cases.push_back({"community differs in case", m, ResponseCheck::kWrongCommunity});
    }
    {
        Msg m = GoodMessage();
        m.version = {0x01};
        cases.push_back({"SNMPv2c answer", m, ResponseCheck::kWrongVersion});
    }
    {
        Msg m = GoodMessage();
        m.errorStatus = {0x02};
        m.errorIndex = {0x01};
        cases.push_back({"noSuchName", m, ResponseCheck::kAgentError});
    }
    {
        Msg m = GoodMessage();
        m.pduTag = kTagGetRequest;
        cases.push_back({"a request, not an answer", m, ResponseCheck::kNotResponse});
    }
    {
        Msg m = GoodMessage();
        m.varBinds = VarBindOf(OidBytes("1.3.6.1.2.1.1.1.0"), kTagOctetString, Str("x"));
        cases.push_back({"other object", m, ResponseCheck::kWrongVarBinds});
    }
    {
        Msg m = GoodMessage();
        m.varBinds = Cat({m.varBinds, m.varBinds});
        cases.push_back({"two bindings", m, ResponseCheck::kWrongVarBinds});
    }
    {
        Msg m = GoodMessage();
        m.varBinds = {};
        cases.push_back({"no binding", m, ResponseCheck::kWrongVarBinds});
    }
    {
        Msg m = GoodMessage();
        m.requestId = {0x00, 0x00, 0x00, 0x12, 0x34};
        cases.push_back({"request id of five bytes", m, ResponseCheck::kMalformed});
    }
    {
        Msg m = GoodMessage();
        m.requestId = {};
        cases.push_back({"empty integer", m, ResponseCheck::kMalformed});
    }
    {
        Msg m = GoodMessage();
        m.varBinds = VarBindOf(OidBytes(kDeviceIdOid), 0x24, Tlv(kTagOctetString, Str("x")));
        cases.push_back({"constructed value", m, ResponseCheck::kMalformed});
    }
    {
        Msg m = GoodMessage();
        m.varBinds = VarBindOf(OidBytes(kDeviceIdOid), 0x1F, Str("x"));
        cases.push_back({"high tag number", m, ResponseCheck::kMalformed});
    }
    {
        Msg m = GoodMessage();
        m.varBinds = Tlv(kTagSequence, Cat({Tlv(kTagObjectId, OidBytes(kDeviceIdOid)),
                                            Tlv(kTagOctetString, Str("x")), Tlv(kTagNull, {})}));
        cases.push_back({"three elements in a binding", m, ResponseCheck::kMalformed});
    }
    {
        Msg m = GoodMessage();
        m.pduTag = 0x02;
        cases.push_back({"PDU that is not constructed", m, ResponseCheck::kMalformed});
    }

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bytes = c.msg.Build();
        DecodedMessage out;
        EXPECT_EQ(CheckResponse(bytes.data(), bytes.size(), Expected(), &out), c.expected);
    }
}

TEST(BerCodec, DecodesTheValueOfAnAcceptedAnswer) {
    Bytes bytes = GoodMessage().Build();
    DecodedMessage out;
    ASSERT_EQ(CheckResponse(bytes.data(), bytes.size(), Expected(), &out), ResponseCheck::kAccepted);
    ASSERT_EQ(out.varBinds.size(), 1u);
    EXPECT_EQ(out.varBinds[0].valueTag, kTagOctetString);
    EXPECT_EQ(std::string(out.varBinds[0].value.begin(), out.varBinds[0].value.end()),
              "MFG:Acme;CMD:PDF,JPEG;");
}

TEST(BerCodec, RejectsEveryTruncationAndTrailingBytes) {
    Bytes bytes = GoodMessage().Build();
    DecodedMessage out;
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        Bytes cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
        EXPECT_FALSE(ParseMessage(cut.data(), cut.size(), &out)) << "prefix of " << n;
    }
    Bytes longer = bytes;
    longer.push_back(0x00);
    EXPECT_FALSE(ParseMessage(longer.data(), longer.size(), &out));
    EXPECT_FALSE(ParseMessage(nullptr, 0, &out));
}

TEST(BerCodec, RejectsHostileLengthsAndNesting) {
    struct Case {
        const char* name;
        Bytes bytes;
    };
    Bytes deep;
    for (int i = 0; i < 20000; ++i) {
        deep.push_back(0x30);
        deep.push_back(0x80);   // indefinite
    }
    Bytes deepDefinite{0x02, 0x01, 0x00};
    for (int i = 0; i < 300; ++i) deepDefinite = Tlv(kTagSequence, deepDefinite);
    Bytes valid = GoodMessage().Build();
    Bytes hugeInner = valid;
    hugeInner[1] = 0x84;   // claims 4 GiB inside a short datagram
    hugeInner.insert(hugeInner.begin() + 2, {0xFF, 0xFF, 0xFF});
    const std::vector<Case> cases = {
        {"length of 2^32-1", {0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x01, 0x00}},
        {"five length bytes", {0x30, 0x85, 0x00, 0x00, 0x00, 0x00, 0x03, 0x02, 0x01, 0x00}},
        {"indefinite length", {0x30, 0x80, 0x02, 0x01, 0x00, 0x00, 0x00}},
        {"length byte missing", {0x30, 0x82, 0x00}},
        {"length past the end", {0x30, 0x05, 0x02, 0x01, 0x00}},
        {"deep indefinite nesting", deep},
        {"deep definite nesting", deepDefinite},
        {"huge inner length", hugeInner},
        {"high tag number at the top", {0x3F, 0x81, 0x01, 0x00}},
        {"lone tag", {0x30}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DecodedMessage out;
        EXPECT_FALSE(ParseMessage(c.bytes.data(), c.bytes.size(), &out));
    }
    Bytes oversized(kMaxMessageSize + 1, 0);
    DecodedMessage out;
    EXPECT_FALSE(ParseMessage(oversized.data(), oversized.size(), &out));
}

TEST(BerCodec, EncodesAGetRequestThatParsesBack) {
    std::vector<std::uint32_t> arcs;
    ASSERT_TRUE(ParseOid(kDeviceIdOid, &arcs));
    Bytes oid = EncodeOidContent(arcs);
    // 47261 needs three base-128 bytes; 1.3 folds into 0x2B.
    EXPECT_EQ(oid, (Bytes{0x2B, 0x06, 0x01, 0x04, 0x01, 0x82, 0xF1, 0x1D, 0x0B, 0x05, 0x01, 0x01,
                          0x01, 0x1A, 0x00}));
    for (std::int32_t id : {1, 127, 128, 0x7FFFFFFF, -1, -129}) {
        for (std::size_t communityLength : {0u, 6u, 127u, 300u}) {
            std::string community(communityLength, 'c');
            Bytes msg = EncodeGetRequest(kVersion1, community, id, {oid});
            DecodedMessage out;
            ASSERT_TRUE(ParseMessage(msg.data(), msg.size(), &out)) << id << " " << communityLength;
            EXPECT_EQ(out.pduTag, kTagGetRequest);
            EXPECT_EQ(out.requestId, id);
            EXPECT_EQ(out.community, community);
            ASSERT_EQ(out.varBinds.size(), 1u);
            EXPECT_EQ(out.varBinds[0].oid, oid);
            EXPECT_EQ(out.varBinds[0].valueTag, kTagNull);
        }
    }
}

TEST(BerCodec, ParsesObjectIdentifiers) {
    struct Case {
        const char* text;
        bool ok;
    };
    const Case cases[] = {
        {kDeviceIdOid, true},      {".1.3.6.1", true},  {"2.999.1", true},   {"1.3.", false},
        {"1..3", false},           {"", false},         {"1", false},        {"3.1", false},
        {"1.40", false},           {"1.3.4294967295", true}, {"1.3.4294967296", false},
        {"1.3.6a", false},         {"-1.3", false},
    };
    for (const auto& c : cases) {
        std::vector<std::uint32_t> arcs;
        EXPECT_EQ(ParseOid(c.text, &arcs), c.ok) << c.text;
    }
    std::vector<std::uint32_t> none;
    EXPECT_FALSE(ParseOid(nullptr, &none));
    EXPECT_EQ(OID("1.3.6.1.4.1.47261.11.5.1.1.1.26.0").toString(), "1.3.6.1.4.1.47261.11.5.1.1.1.26.0");
    EXPECT_FALSE(OID("not an oid").valid());
}

TEST(SnmpValues, OctetStringTextEndsAtAZeroByte) {
    EXPECT_EQ(OctetString(Str("MFG:A;")).toString(), "MFG:A;");
    EXPECT_EQ(OctetString(Bytes{'A', 0, 'B'}).toString(), "A");
    EXPECT_EQ(OctetString().toString(), "");

    VarBind vb;
    EXPECT_EQ(vb.getValue().getDataType(), kTagNull);
    vb.setValue(std::make_unique<OctetString>(Str("x")));
    ReqRespPDU pdu;
    pdu.setVarBindList(&vb, 1);
    ASSERT_EQ(pdu.getVarBind(0).getValue().getDataType(), kTagOctetString);
    ASSERT_NE(pdu.getVarBind(0).getValue().asOctetString(), nullptr);
    EXPECT_EQ(pdu.getVarBind(0).getValue().asOctetString()->toString(), "x");
    EXPECT_EQ(pdu.getVarBind(5).getValue().getDataType(), kTagNull);
    EXPECT_EQ(pdu.getVarBind(5).getValue().asOctetString(), nullptr);
    // Only an octet string reads as one, whatever made the value.
    EXPECT_EQ(SNMPDataType::make(kTagOctetString, Str("y"))->asOctetString()->toString(), "y");
    EXPECT_EQ(SNMPDataType::make(kTagInteger, {42})->asOctetString(), nullptr);
}
