// The SNMP client against a scripted agent on loopback: what get() returns, what
// the binding holds and how many requests the agent saw.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <string>
#include <vector>

#include "snmp/snmp.h"
#include "snmp/udp_exchange.h"
#include "tests/snmp/loopback_agent.h"

namespace {

const char kDeviceIdOid[] = "1.3.6.1.4.1.47261.11.5.1.1.1.26.0";
using Reply = LoopbackAgent::Reply;

}  // namespace

TEST(SnmpClient, GetAgainstAScriptedAgent) {
    struct Case {
        const char* name;
        std::vector<Reply> script;
        int retryCount;
        int code;
        int dataType;
        const char* text;
        int requests;
    };
    const Case cases[] = {
        {"answer", {Reply::kAnswer}, 0, kSnmpSuccess, 4, "MFG:Acme;CMD:PDF;", 1},
        {"integer value", {Reply::kInteger}, 0, kSnmpSuccess, 2, nullptr, 1},
        {"error status is an answer", {Reply::kNoSuchName}, 1, kSnmpSuccess, 5, nullptr, 1},
        {"answer to another request", {Reply::kWrongRequestId}, 0, kSnmpErrTimeout, 5, nullptr, 1},
        {"silence", {Reply::kSilent}, 0, kSnmpErrTimeout, 5, nullptr, 1},
        {"retry once, answered", {Reply::kSilent, Reply::kAnswer}, 1, kSnmpSuccess, 4, "MFG:Acme;CMD:PDF;", 2},
        {"retry once, still silent", {Reply::kSilent}, 1, kSnmpErrTimeout, 5, nullptr, 2},
        {"late answer to the first try", {Reply::kLate, Reply::kSilent}, 1, kSnmpSuccess, 4, "MFG:Acme;CMD:PDF;", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackAgent agent("127.0.0.1", 0, c.script);
        ASSERT_TRUE(agent.ok());
        ASSERT_EQ(SNMPStartup(), 0);
        SNMPManager manager;
        Target target;
        target.setAgentAddress("127.0.0.1");
        target.setPort(agent.port());
        target.setTimeout(1);
        target.setRetryCount(c.retryCount);
        VarBind binding;
        binding.setOID(OID(kDeviceIdOid));
        ReqRespPDU request;
        request.setVarBindList(&binding, 1);
        EXPECT_EQ(manager.get(request, target), c.code);
        SNMPDataType& value = request.getVarBind(0).getValue();
        EXPECT_EQ(value.getDataType(), c.dataType);
        if (c.text) {
            const OctetString* text = value.asOctetString();
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(text->toString(), c.text);
        }
        SNMPCleanup();
        EXPECT_EQ(agent.requests(), c.requests);
    }
}

namespace {

// Socket calls that succeed but whose wait always fails; counts what the loop
// does and records the names it resolved (literal addresses start with a digit).
class BrokenWaitSockets : public snmp::DatagramSockets {
public:
    int waits = 0, sends = 0, open = 0;
    std::vector<std::string> names;
    bool Resolve(const std::string& host, unsigned short port, bool numericOnly, snmp::Endpoint* agent) override {
        if (numericOnly && !std::isdigit(static_cast<unsigned char>(host[0]))) return false;
        if (!numericOnly) names.push_back(host);
        *agent = snmp::Endpoint{};
        agent->family = 4;
        agent->port = port;
        return true;
    }
    Handle Open(const snmp::Endpoint&) override { return ++open; }
    bool SendTo(Handle, const snmp::Endpoint&, const std::vector<std::uint8_t>&) override { return ++sends, true; }
    WaitResult WaitReadable(const std::vector<Handle>&, const std::vector<bool>&, int, std::vector<bool>*) override {
        ++waits;
        return WaitResult::kFailed;
    }
    bool ReceiveFrom(Handle, std::vector<std::uint8_t>*, std::size_t*, snmp::Endpoint*) override { return false; }
    void Close(Handle) override { --open; }
    Handle Connect(const snmp::Endpoint&) override { return kNoSocket; }
    bool Connected(Handle) override { return false; }
    bool Send(Handle, const std::vector<std::uint8_t>&) override { return false; }
    bool Receive(Handle, std::vector<std::uint8_t>*, std::size_t*) override { return false; }
};

struct Silence : snmp::Conversation {
    std::vector<std::uint8_t> NextRequest() override { return {0x30, 0x00}; }
    bool Accept(const std::uint8_t*, std::size_t) override { return false; }
};

}  // namespace

TEST(SnmpClient, AFailingWaitEndsTheAttemptAndNoSocketOutlivesTheSet) {
    BrokenWaitSockets sockets;
    Silence conversation;
    {
        snmp::ExchangeSet set(sockets);
        auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(set.Wait(set.Start("agent", 161, 2, 1000, conversation)), snmp::ExchangeResult::kReceiveFailed);
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));
        EXPECT_EQ(sockets.waits, 2);   // one per attempt, not a spin until the deadline
        EXPECT_EQ(sockets.sends, 2);
        set.Start("10.0.0.1", 161, 2, 1000, conversation);   // abandoned in flight
        set.Start("other", 161, 1, 1000, conversation);
        EXPECT_EQ(sockets.open, 1);
    }
    EXPECT_EQ(sockets.open, 0);
}

// A stale host name behind an answering address must cost nothing: it is
// resolved only when its own answer is awaited, once for all its attempts, and
// not at all once its time is over.
TEST(SnmpClient, HostNamesAreResolvedOnlyWhenTheirAnswerIsAwaited) {
    BrokenWaitSockets sockets;
    Silence conversation;
    snmp::ExchangeSet set(sockets);
    std::size_t address = set.Start("10.0.0.1", 161, 2, 1000, conversation);
    std::size_t name = set.Start("printer.example", 161, 2, 1000, conversation);
    std::size_t late = set.Start("late.example", 161, 1, 0, conversation);   // over as it starts
    set.Wait(address);
    EXPECT_TRUE(sockets.names.empty());
    set.Wait(name);
    set.Wait(late);
    EXPECT_EQ(sockets.names, std::vector<std::string>{"printer.example"});
    EXPECT_EQ(sockets.sends, 4);
}
