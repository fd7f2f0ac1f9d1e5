// The SNMP client against a scripted agent on loopback: what get() returns, what
// the binding holds and how many requests the agent saw.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
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

// Socket calls that succeed, in real time; the wait fails at once when
// `waitFails`, or else sleeps its time and finds nothing. Host names resolve
// after their delay to an endpoint whose first byte is theirs (literal
// addresses start with a digit, at 0); every send is recorded with that byte
// and the moment it left.
class ScriptedSockets : public snmp::DatagramSockets {
public:
    struct Name {
        int delayMs;
        bool known;
        std::uint8_t id;
    };
    bool waitFails = true;
    std::map<std::string, Name> names;
    int waits = 0, open = 0;
    std::mutex mutex;
    std::vector<std::pair<std::uint8_t, std::chrono::steady_clock::time_point>> sends;

    bool Resolve(const std::string& host, unsigned short port, bool numericOnly,
                 std::vector<snmp::Endpoint>* agents) override {
        snmp::Endpoint agent;
        agent.family = 4;
        agent.port = port;
        agents->assign(1, agent);
        if (std::isdigit(static_cast<unsigned char>(host[0]))) return true;
        if (numericOnly) return false;
        const Name name = names.count(host) ? names.at(host) : Name{0, true, 9};
        std::this_thread::sleep_for(std::chrono::milliseconds(name.delayMs));
        agents->front().address[0] = name.id;
        return name.known;
    }
    Handle Open(const snmp::Endpoint&) override { return ++open; }
    bool SendTo(Handle, const snmp::Endpoint& agent, const std::vector<std::uint8_t>&) override {
        std::lock_guard<std::mutex> lock(mutex);
        sends.emplace_back(agent.address[0], std::chrono::steady_clock::now());
        return true;
    }
    WaitResult WaitReadable(const std::vector<Handle>&, const std::vector<bool>&, int timeoutMs,
                            std::vector<bool>*) override {
        ++waits;
        if (waitFails) return WaitResult::kFailed;
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return WaitResult::kNothing;
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
    static ScriptedSockets sockets;   // a name's thread may outlive the set
    Silence conversation;
    {
        snmp::ExchangeSet set(sockets);
        auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(set.Wait(set.Start("agent", 161, 2, 1000, conversation)), snmp::ExchangeResult::kReceiveFailed);
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));
        EXPECT_EQ(sockets.waits, 2);   // one per attempt, not a spin until the deadline
        EXPECT_EQ(sockets.sends.size(), 2u);
        set.Start("10.0.0.1", 161, 2, 1000, conversation);   // abandoned in flight
        set.Start("other", 161, 1, 1000, conversation);
        EXPECT_EQ(sockets.open, 1);
    }
    EXPECT_EQ(sockets.open, 0);
}

// A host name resolves on its own thread from the start of its exchange and
// goes on the wire while the exchanges before it are still awaited, within its
// own time: a stale address ahead of it no longer uses that time up.
TEST(SnmpClient, HostNamesResolveAlongsideTheExchangesBeforeThem) {
    static ScriptedSockets sockets;   // a name's thread may outlive the set
    sockets.waitFails = false;
    sockets.names = {{"printer.example", {50, true, 1}},
                     {"slow.example", {400, true, 2}},
                     {"unknown.example", {0, false, 3}}};
    Silence conversation;
    const auto t0 = std::chrono::steady_clock::now();
    {
        snmp::ExchangeSet set(sockets);
        const std::size_t address = set.Start("10.0.0.1", 161, 2, 500, conversation);
        const std::size_t name = set.Start("printer.example", 161, 2, 500, conversation);
        const std::size_t slow = set.Start("slow.example", 161, 1, 200, conversation);
        const std::size_t unknown = set.Start("unknown.example", 161, 1, 500, conversation);
        EXPECT_EQ(set.Wait(address), snmp::ExchangeResult::kTimeout);
        EXPECT_EQ(set.Wait(name), snmp::ExchangeResult::kTimeout);
        EXPECT_EQ(set.Wait(slow), snmp::ExchangeResult::kTimeout);
        EXPECT_EQ(set.Wait(unknown), snmp::ExchangeResult::kResolveFailed);
    }
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(took, 1.5);   // one after the other: about two seconds
    std::map<std::uint8_t, int> sent;
    for (const auto& [id, at] : sockets.sends) {
        ++sent[id];
        if (id == 1) {
            EXPECT_LT(at - t0, std::chrono::milliseconds(900));   // not after the address's time
        }
    }
    EXPECT_EQ(sent, (std::map<std::uint8_t, int>{{0, 2}, {1, 2}}));   // the slow name missed its time
}

// Literal addresses as the socket takes them, an IPv6 one also in the brackets
// a URI or a registry value puts round it.
TEST(SnmpClient, ReadsLiteralAddressesWithOrWithoutBrackets) {
    const std::pair<const char*, int> cases[] = {{"127.0.0.1", 4}, {"::1", 6}, {"[2001:db8::5]", 6}, {"[::1", 0}};
    for (const auto& [host, family] : cases) {
        std::vector<snmp::Endpoint> found;
        EXPECT_EQ(snmp::SystemSockets().Resolve(host, 161, true, &found) ? found.at(0).family : 0, family) << host;
    }
}
