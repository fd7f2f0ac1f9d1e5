// The network lookup against scripted SNMP agents on loopback addresses: its
// sources are asked at once, yet every result, device ID and trace line is the
// one the lookup gives when it asks them one by one.
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "device/prt_control.h"
#include "snmp/snmp.h"
#include "tests/device/device_doubles.h"
#include "tests/snmp/loopback_agent.h"

namespace {

using Reply = LoopbackAgent::Reply;
using Clock = std::chrono::steady_clock;

const std::string kMonitors = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
const std::vector<std::string> kVendorKeys = {
    kMonitors + "Corvath Network Printer Port\\", kMonitors + "Multi Direct Print Type S\\",
    kMonitors + "Xerox Network Printer Port\\", kMonitors + "Dell Network Printer Port\\"};
const char kPort[] = "NPI_LOOP";

// The six sources of a port, in the lookup's order: the standard monitor's
// address and host name, then the four vendor monitors. Each has its own agent
// on port 161 of an address of a /24 that only this process uses.
struct Agents {
    std::string net;
    std::vector<std::unique_ptr<LoopbackAgent>> agents;
    std::vector<std::string> addresses;

    explicit Agents(const std::vector<std::vector<Reply>>& scripts, const std::vector<std::string>& texts) {
        int pid = static_cast<int>(getpid());
        net = "127." + std::to_string(100 + pid % 100) + "." + std::to_string(1 + (pid / 100) % 250) + ".";
        for (std::size_t i = 0; i < scripts.size(); ++i) {
            addresses.push_back(net + std::to_string(10 + i));
            agents.push_back(std::make_unique<LoopbackAgent>(addresses.back(), 161, scripts[i], texts[i]));
        }
    }
    bool ok() const {
        for (const auto& a : agents)
            if (!a->ok()) return false;
        return true;
    }
};

// What the agent's script makes of a lookup that asks it once, twice at most.
struct Outcome {
    int code;            // 0 answered, otherwise a timeout
    bool octetString;
    int requests;
};

Outcome OutcomeOf(const std::vector<Reply>& script) {
    for (std::size_t attempt = 0; attempt < 2; ++attempt) {
        Reply r = script[std::min(attempt, script.size() - 1)];
        if (r == Reply::kAnswer) return {0, true, static_cast<int>(attempt) + 1};
        if (r == Reply::kNoSuchName || r == Reply::kInteger) return {0, false, static_cast<int>(attempt) + 1};
    }
    return {kSnmpErrTimeout, false, 2};
}

// The lookup asking one source after the other: each agent's outcome, known
// from its script, stands in for the network, and is traced as the real read
// traces it.
class OneByOne : public CPrtControl {
public:
    using CPrtControl::CPrtControl;
    std::map<std::string, std::pair<Outcome, std::string>> sources;   // address -> outcome, text
    std::vector<std::string> asked;

    int GetNetworkDeviceID(std::string address, std::string community, std::string& out) override {
        out.clear();
        asked.push_back(address);
        const auto& [outcome, text] = sources.at(address);
        DebugLog("[CPrtControl] GetNetworkDeviceID : IP Address :  %s", address.c_str());
        DebugLog("[CPrtControl] GetNetworkDeviceID : SNMP Community :  %s", community.c_str());
        if (outcome.code != 0) {
            DebugLog("Failed to SNMP get/ %s", SNMPManager::errorToString(outcome.code));
        } else if (outcome.octetString) {
            DebugLog("Success MIB Value. USB Device ID is %s", text.c_str());
            out = text;
        } else {
            DebugLog("Failed to MIB Value.");
        }
        DebugLog("GetNetworkDeviceID / pNetworkDeviceID / %s", out.c_str());
        DebugLog("GetNetworkDeviceID / bRet / %d", out.empty() ? 0 : 1);
        return out.empty() ? 0 : 1;
    }
};

int OpenDescriptors() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

bool WaitForRequests(const LoopbackAgent& agent, int atLeast) {
    auto until = Clock::now() + std::chrono::seconds(2);
    while (agent.requests() < atLeast && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return agent.requests() >= atLeast;
}

}  // namespace

TEST(NetworkLookup, AsksAllSourcesAtOnceAndDecidesAsOneByOne) {
    const auto S = Reply::kSilent, A = Reply::kAnswer;
    struct Case {
        std::string name;
        std::vector<std::vector<Reply>> scripts;   // six, in the lookup's order
        double atMost;                             // seconds; one by one it takes up to 12
    };
    std::vector<Case> cases = {{"all silent", {{S}, {S}, {S}, {S}, {S}, {S}}, 4.0}};
    const char* position[] = {"address", "host name", "Corvath", "Ricoh", "Xerox", "Dell"};
    for (int p = 0; p < 6; ++p) {
        Case c{std::string(position[p]) + " answers, the others are silent", {{S}, {S}, {S}, {S}, {S}, {S}}, 4.0};
        c.scripts[p] = {A};
        cases.push_back(c);
    }
    cases.push_back({"two vendors answer: the later decides", {{S}, {S}, {A}, {S}, {A}, {S}}, 4.0});
    cases.push_back({"the address answers after the first timeout", {{S, A}, {A}, {A}, {A}, {A}, {A}}, 4.0});
    cases.push_back({"noSuchName is an answer, the host name is asked next",
                     {{Reply::kNoSuchName}, {A}, {S}, {S}, {S}, {S}}, 1.0});
    cases.push_back({"the last vendor answers with another type", {{S}, {S}, {A}, {S}, {S}, {Reply::kInteger}}, 4.0});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> texts;
        for (int i = 0; i < 6; ++i) texts.push_back("MFG:Acme;CMD:PDF;MDL:Source " + std::to_string(i) + ";");
        Agents agents(c.scripts, texts);
        if (!agents.ok()) GTEST_SKIP() << "cannot bind port 161 on " << agents.net << "x (needs root)";

        PrinterOnPort printer(kPort);
        StagedRegistry registry;
        registry.keys[kMonitors + "Standard TCP/IP Port\\Ports\\" + kPort] = {
            {"IPAddress", agents.addresses[0]}, {"HostName", agents.addresses[1]}};
        for (int v = 0; v < 4; ++v) registry.keys[kVendorKeys[v] + kPort] = {{"IP", agents.addresses[2 + v]}};
        NoDevices devices;

        OneByOne reference(printer.printers, devices, registry);
        for (int i = 0; i < 6; ++i) reference.sources[agents.addresses[i]] = {OutcomeOf(c.scripts[i]), texts[i]};
        std::string expectedId;
        int expectedResult;
        std::vector<std::string> expectedTrace;
        {
            TraceCapture trace;
            expectedResult = reference.GetCurrentPrinterDeviceID(expectedId);
            expectedTrace = trace.lines();
        }

        CPrtControl control(printer.printers, devices, registry);
        const int descriptors = OpenDescriptors();
        TraceCapture trace;
        std::string id = "previous";
        auto t0 = Clock::now();
        int result = control.GetCurrentPrinterDeviceID(id);
        double took = std::chrono::duration<double>(Clock::now() - t0).count();
        std::printf("[ figure   ] %s: %.2f s\n", c.name.c_str(), took);

        EXPECT_EQ(result, expectedResult);
        EXPECT_EQ(id, expectedId);
        EXPECT_EQ(trace.lines(), expectedTrace);
        EXPECT_LT(took, c.atMost);
        EXPECT_EQ(OpenDescriptors(), descriptors);   // no socket outlives the lookup
        // Every source asked one by one sees the same requests; the others may
        // have been asked too, but never more than twice.
        for (int i = 0; i < 6; ++i) {
            bool asked = false;
            for (const auto& a : reference.asked) asked |= a == agents.addresses[i];
            if (asked) {
                EXPECT_TRUE(WaitForRequests(*agents.agents[i], OutcomeOf(c.scripts[i]).requests)) << position[i];
                EXPECT_EQ(agents.agents[i]->requests(), OutcomeOf(c.scripts[i]).requests) << position[i];
            } else {
                EXPECT_LE(agents.agents[i]->requests(), 2) << position[i];
            }
        }
    }
}
