// The network lookup against scripted SNMP agents on loopback addresses: its
// sources are asked at once, yet every result, device ID and trace line is the
// one the lookup gives when it asks them one by one.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/lookup/secure_ipp.h"
#include "device/prt_control.h"
#include "snmp/snmp.h"
#include "tests/device/device_doubles.h"
#include "tests/device/loopback_ipp.h"
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

    // Each agent's text at `object`, the private object unless told.
    Agents(const std::vector<std::vector<Reply>>& scripts, const std::vector<std::string>& texts,
           const char* object = LoopbackAgent::kPrivateObject) {
        int pid = static_cast<int>(getpid());
        net = "127." + std::to_string(100 + pid % 100) + "." + std::to_string(1 + (pid / 100) % 250) + ".";
        for (std::size_t i = 0; i < scripts.size(); ++i) {
            addresses.push_back(net + std::to_string(10 + i));
            agents.push_back(std::make_unique<LoopbackAgent>(addresses.back(), 161, scripts[i], texts[i], object));
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

// The six sources staged as in the agents' order: the standard monitor's
// address and host name, then one vendor monitor each.
void StageSources(StagedRegistry& registry, const std::vector<std::string>& addresses) {
    registry.keys[kMonitors + "Standard TCP/IP Port\\Ports\\" + kPort] = {{"IPAddress", addresses[0]},
                                                                       {"HostName", addresses[1]}};
    for (int v = 0; v < 4; ++v) registry.keys[kVendorKeys[v] + kPort] = {{"IP", addresses[2 + v]}};
}

// A printer on kPort, with its port keys and no local devices.
struct StagedPrinter {
    PrinterOnPort printer{kPort};
    StagedRegistry registry;
    NoDevices devices;
};

struct Looked {
    int result;
    std::string id;
    std::vector<std::string> trace;
    double took;
};

Looked LookUp(CPrtControl& control) {
    TraceCapture trace;
    Looked out{0, "previous", {}, 0};
    auto t0 = Clock::now();
    out.result = control.GetCurrentPrinterDeviceID(out.id);
    out.took = std::chrono::duration<double>(Clock::now() - t0).count();
    out.trace = trace.lines();
    return out;
}

bool WaitForRequests(const LoopbackAgent& agent, int atLeast) {
    auto until = Clock::now() + std::chrono::seconds(2);
    while (agent.requests() < atLeast && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return agent.requests() >= atLeast;
}

// What `body` returns, run in a child process with a network and a mount
// namespace of its own (loopback only, up; `hosts` as /etc/hosts); nullopt
// when the namespaces cannot be had (needs root). The child is this test run
// afresh (this program, filtered to the current test), never a bare fork: a
// fork of this many-threaded process can inherit a name-service lock that an
// earlier test's resolver thread held, and its getaddrinfo never returns.
// `key` names the call; the fresh run does only that one and ends.
std::optional<std::string> InPrivateNetwork(const std::string& key, const std::string& hosts,
                                            const std::function<std::string()>& body) {
    constexpr int kResultFd = 3;
    if (const char* wanted = std::getenv("ORVANE_PRIVATE_NET")) {
        if (key != wanted) return std::string();   // another call's turn; what this run checks is not read
        char file[] = "/tmp/orvane-hosts-XXXXXX";
        const int fd = mkstemp(file);
        ifreq lo{};
        std::snprintf(lo.ifr_name, sizeof(lo.ifr_name), "lo");
        const int s = write(fd, hosts.data(), hosts.size()) == static_cast<ssize_t>(hosts.size()) &&
                              unshare(CLONE_NEWNET | CLONE_NEWNS) == 0 &&
                              mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                              mount(file, "/etc/hosts", nullptr, MS_BIND, nullptr) == 0
                          ? socket(AF_INET, SOCK_DGRAM, 0) : -1;
        const bool up = s >= 0 && ioctl(s, SIOCGIFFLAGS, &lo) == 0 && (lo.ifr_flags |= IFF_UP) &&
                        ioctl(s, SIOCSIFFLAGS, &lo) == 0;
        unlink(file);
        const std::string out = up ? "ok " + body() : "no";
        _exit(write(kResultFd, out.data(), out.size()) < 0);
    }
    // Everything the child needs is made before the fork: after it, only exec.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    std::vector<std::string> env{"ORVANE_PRIVATE_NET=" + key};
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "ORVANE_PRIVATE_NET=", 19) != 0) env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(&e[0]);
    envp.push_back(nullptr);
    char self[] = "/proc/self/exe";
    char* argv[] = {self, const_cast<char*>(filter.c_str()), nullptr};
    int fds[2];
    if (pipe(fds) != 0) return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(fds[1], kResultFd);
        dup2(quiet, 1);
        dup2(quiet, 2);
        execve(self, argv, envp.data());
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char chunk[4096];
    for (ssize_t n; (n = read(fds[0], chunk, sizeof chunk)) > 0;) out.append(chunk, static_cast<std::size_t>(n));
    close(fds[0]);
    if (child > 0) waitpid(child, nullptr, 0);
    if (out.compare(0, 3, "ok ") != 0) return std::nullopt;
    return out.substr(3);
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
    cases.push_back({"the address answers after the first timeout", {{S, A}, {S}, {S}, {S}, {S}, {S}}, 4.0});
    cases.push_back({"noSuchName is an answer, the host name is asked next",
                     {{Reply::kNoSuchName}, {A}, {S}, {S}, {S}, {S}}, 1.0});
    cases.push_back({"the last vendor answers with another type", {{S}, {S}, {A}, {S}, {S}, {Reply::kInteger}}, 4.0});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> texts;
        for (int i = 0; i < 6; ++i) texts.push_back("MFG:Acme;CMD:PDF;MDL:Source " + std::to_string(i) + ";");
        Agents agents(c.scripts, texts);
        if (!agents.ok()) GTEST_SKIP() << "cannot bind port 161 on " << agents.net << "x (needs root)";

        StagedPrinter staged;
        StageSources(staged.registry, agents.addresses);
        PrinterOnPort& printer = staged.printer;
        StagedRegistry& registry = staged.registry;
        NoDevices& devices = staged.devices;

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
        // Every source asked one by one sees the same requests, except that a
        // silent one is not asked again once another source has the ID at once:
        // whether it decides before that one or not, it is not waited for. The
        // others may have been asked too, but never more than twice.
        for (int i = 0; i < 6; ++i) {
            bool asked = false, cut = false;
            for (const auto& a : reference.asked) asked |= a == agents.addresses[i];
            for (int j = 0; j < 6; ++j) cut |= j != i && c.scripts[j][0] == A;
            const int requests = OutcomeOf(c.scripts[i]).code == 0 || !cut ? OutcomeOf(c.scripts[i]).requests : 1;
            if (asked) {
                EXPECT_TRUE(WaitForRequests(*agents.agents[i], requests)) << position[i];
                EXPECT_EQ(agents.agents[i]->requests(), requests) << position[i];
            } else {
                EXPECT_LE(agents.agents[i]->requests(), 2) << position[i];
            }
        }
    }
}

// An answer without a command set (none at all, an empty one, or one hidden
// behind the 1284 length bytes) is no device ID: the next source decides, and
// it stands only when no source has one.
TEST(NetworkLookup, AnIdWithoutACommandSetLeavesTheDecisionToTheNextSource) {
    const auto S = Reply::kSilent, A = Reply::kAnswer;
    const std::string full = "MFG:Acme;MDL:Model 9;CMD:PDF,JPEG;";
    struct Case {
        std::string name;
        std::vector<std::vector<Reply>> scripts;
        std::vector<std::string> texts;
        std::string id;   // the result is 1 in every case
    };
    const std::string prefixed = std::string("\x00\x24", 2) + full;
    const std::string lowFirst = std::string("\x24\x00", 2) + full;
    const std::vector<Case> cases = {
        {"length bytes before the private object's ID", {{A}, {A}, {S}, {S}, {S}, {S}},
         {prefixed, "MFG:Other;CMD:PCL;", "", "", "", ""}, full},
        {"length bytes low byte first", {{A}, {A}, {S}, {S}, {S}, {S}},
         {lowFirst, "MFG:Other;CMD:PCL;", "", "", "", ""}, full},
        {"an empty private object, the host name has the ID", {{A}, {A}, {S}, {S}, {S}, {S}},
         {"", full, "", "", "", ""}, full},
        {"no command set at the address, a vendor monitor has one", {{A}, {S}, {S}, {S}, {A}, {S}},
         {"MFG:Acme;MDL:Model 9;", "", "", "", full, ""}, full},
        {"the long key counts", {{A}, {A}, {S}, {S}, {S}, {S}},
         {"MANUFACTURER:Acme;COMMAND SET:PDF;", full, "", "", "", ""}, "MANUFACTURER:Acme;COMMAND SET:PDF;"},
        {"no source has a command set: the first answer stands", {{A}, {A}, {S}, {S}, {S}, {S}},
         {"MFG:Acme;MDL:Model 9;", "MFG:Other;", "", "", "", ""}, "MFG:Acme;MDL:Model 9;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Agents agents(c.scripts, c.texts);
        if (!agents.ok()) GTEST_SKIP() << "cannot bind port 161 on " << agents.net << "x (needs root)";
        StagedPrinter staged;
        StageSources(staged.registry, agents.addresses);
        CPrtControl control(staged.printer.printers, staged.devices, staged.registry);
        Looked looked = LookUp(control);
        EXPECT_EQ(looked.result, 1);
        EXPECT_EQ(looked.id, c.id);
        EXPECT_LT(looked.took, 2.6);
    }
}

// IPP at a printer without SNMP: a late first answer is waited for, and the
// next resource is asked only when the printer says the last does not exist.
// Once IPP has the ID, the silent SNMP objects before it are given only a
// short grace, not their two seconds.
TEST(NetworkLookup, IppKeepsItsConnectionAndMovesOnOnlyWhenNotFound) {
    const std::string full = "MFG:Acme;MDL:Model 9;CMD:PDF,JPEG;";
    const std::string note =
        "[IPP printer-device-id] no printer-device-id with a command set: built from document-format-supported";
    struct Case {
        std::string name;
        LoopbackIpp::Script script;
        std::string id;
        std::vector<std::string> resources;
        double atMost;   // seconds; the SNMP objects' whole time is two
        std::string pwg = "";   // what an agent answers at the PWG object; none when empty
    };
    const std::vector<Case> cases = {
        {"the first answer takes 1.3 s", {{"/ipp/print"}, full, {}, 1300}, full, {"/ipp/print"}, 1.9},
        {"served only at /", {{"/"}, full, {}, 0}, full, {"/ipp/print", "/ipp", "/"}, 1.0},
        {"served only at /ipp, late", {{"/ipp"}, full, {}, 300}, full, {"/ipp/print", "/ipp"}, 1.2},
        {"formats only", {{"/ipp/print"}, "", {"application/pdf", "image/jpeg"}, 0}, "MFG:;MDL:;CMD:PDF,JPEG;",
         {"/ipp/print"}, 1.0},
        {"the PWG object has no command set", {{"/ipp/print"}, full, {}, 0}, full, {"/ipp/print"}, 1.0,
         "MFG:Acme;MDL:Model 9;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Agents agents({{c.pwg.empty() ? Reply::kSilent : Reply::kAnswer}}, {c.pwg}, "1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1");
        LoopbackIpp ipp(agents.addresses[0], c.script);
        if (!agents.ok() || !ipp.ok()) GTEST_SKIP() << "cannot bind ports 161 and 631 on " << agents.net << "x";
        StagedPrinter staged;
        const std::string key = kMonitors + "Standard TCP/IP Port\\Ports\\" + kPort;
        staged.registry.keys[key] = {{"IPAddress", agents.addresses[0]}};
        CPrtControl control(staged.printer.printers, staged.devices, staged.registry);
        Looked looked = LookUp(control);
        EXPECT_EQ(looked.result, 1);
        EXPECT_EQ(looked.id, c.id);
        EXPECT_EQ(ipp.resources(), c.resources);
        EXPECT_EQ(std::count(looked.trace.begin(), looked.trace.end(), note), c.script.deviceId.empty() ? 1 : 0);
        std::printf("[ figure   ] IPP %s: %.2f s\n", c.name.c_str(), looked.took);
        EXPECT_LT(looked.took, c.atMost);
    }
}

// A stale address before a host name that resolves: the name is resolved and
// asked while the address is still awaited, so it answers within the check's
// two seconds (an agent on 127.0.0.1 stands for the printer "localhost" names).
TEST(NetworkLookup, AStaleAddressLeavesTheHostNameItsTime) {
    Agents silent({{Reply::kSilent}}, {""});
    LoopbackAgent named("127.0.0.1", 161, {Reply::kAnswer}, "MFG:Acme;CMD:PDF;MDL:Named;");
    if (!silent.ok() || !named.ok()) GTEST_SKIP() << "cannot bind port 161 on 127.0.0.1 and " << silent.net << "x";
    StagedPrinter staged;
    staged.registry.keys[kMonitors + "Standard TCP/IP Port\\Ports\\" + kPort] = {{"IPAddress", silent.addresses[0]},
                                                                              {"HostName", "localhost"}};
    CPrtControl control(staged.printer.printers, staged.devices, staged.registry);
    Looked looked = LookUp(control);
    std::printf("[ figure   ] silent address, host name localhost answers: %.2f s\n", looked.took);
    EXPECT_EQ(looked.result, 1);
    EXPECT_EQ(looked.id, "MFG:Acme;CMD:PDF;MDL:Named;");
    EXPECT_LT(looked.took, 2.5);
}

// A TLS peer that holds every request (a port that takes connections and
// never answers) until it is let go, and counts the requests it gave back.
class HeldTls : public SecureIpp {
public:
    SecureIppReply Post(const std::string&, unsigned short, const std::string&, const std::vector<std::uint8_t>&,
                        int) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_letGoNow.wait_for(lock, std::chrono::seconds(5), [this] { return m_letGo; });
        ++m_returned;
        SecureIppReply reply;
        reply.failure = "held";
        return reply;
    }
    int Returned() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_returned;
    }
    void LetGo() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_letGo = true;
        m_letGoNow.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_letGoNow;
    int m_returned = 0;
    bool m_letGo = false;
};

class PlacesWithTls : public PrinterPlaces {
public:
    explicit PlacesWithTls(SecureIpp& tls) : m_tls(tls) {}
    bool AskPortMonitor(const std::string&, const char*, const std::vector<std::uint8_t>&, std::vector<std::uint8_t>*,
                        unsigned long* error) override {
        return *error = 1, false;
    }
    std::vector<DeviceRecord> Devices() override { return {}; }
    SecureIpp& Tls() override { return m_tls; }
    bool serverHeld = false;   // a print server whose records never come
    std::shared_ptr<PrinterPlaces> ReaderOfItsOwn() override;

private:
    SecureIpp& m_tls;
};

// A print server's records held as the TLS peer holds its requests.
struct HeldServer : PlacesWithTls {
    using PlacesWithTls::PlacesWithTls;
    bool AskPortMonitor(const std::string& name, const char* command, const std::vector<std::uint8_t>& in,
                        std::vector<std::uint8_t>* out, unsigned long* error) override {
        Tls().Post(name, 0, command, in, 0);
        return PlacesWithTls::AskPortMonitor(name, command, in, out, error);
    }
};

std::shared_ptr<PrinterPlaces> PlacesWithTls::ReaderOfItsOwn() {
    return serverHeld ? std::make_shared<HeldServer>(m_tls) : nullptr;
}

// A printer Windows keeps by its URI is asked at that URI first, then at the
// usual resources; a print server is asked over IPP only, never over SNMP.
TEST(NetworkLookup, PrintersKnownByTheirUri) {
    const std::string full = "MFG:Acme;MDL:Model 9;CMD:PDF,JPEG;";
    struct Case {
        std::string name;
        bool printServer;
        std::vector<std::string> served, resources;
        int requests;   // requests for the private object at the printer's address
        bool tls = false;
        bool serverHeld = false;
    };
    const std::vector<Case> cases = {
        // The silent agent is asked once: IPP's answer leaves it a grace shorter than its retry.
        {"served at its URI", false, {"/custom"}, {"/custom"}, 1},
        {"served only at /ipp", false, {"/ipp"}, {"/custom", "/ipp/print", "/ipp"}, 1},
        {"a print server's printer", true, {"/custom"}, {}, 0},
        // Its agent has the ID at once: the TLS question, held by its peer, is not waited for.
        {"over TLS, the agent answers", false, {}, {}, 1, true},
        // Its records never come: the port's address is still asked, in what
        // is left of the check's two seconds (no time for a second try).
        {"a print server that does not answer", true, {}, {"/ipp/print", "/ipp", "/"}, 1, false, true},
    };
    // Never freed: a TLS thread the lookup left behind may still be on it.
    static HeldTls* const tls = new HeldTls;
    PlacesWithTls places(*tls);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Agents agents({{c.tls ? Reply::kAnswer : Reply::kSilent}}, {c.tls ? full : ""});
        LoopbackIpp ipp(agents.addresses[0], {c.served, full, {}, 0});
        if (!agents.ok() || !ipp.ok()) GTEST_SKIP() << "cannot bind ports 161 and 631 on " << agents.net << "x";
        const std::string& address = agents.addresses[0];
        places.serverHeld = c.serverHeld;
        PrinterOnPort printer(c.serverHeld    ? "IP_" + address
                              : c.printServer ? "Ne01:"
                                              : (c.tls ? "ipps://" : "ipp://") + address + "/custom",
                              c.printServer ? "\\\\" + address + "\\Laser" : "Test Printer");
        StagedRegistry registry;
        NoDevices devices;
        CPrtControl control(printer.printers, devices, registry, places);
        Looked looked = LookUp(control);
        EXPECT_EQ(tls->Returned(), 0);   // the lookup is over while its TLS peer still holds the request
        EXPECT_EQ(looked.result, c.printServer ? 0 : 1);
        EXPECT_EQ(looked.id, c.printServer ? "" : full);
        EXPECT_EQ(ipp.resources(), c.resources);
        EXPECT_EQ(agents.agents[0]->requests(), c.requests);
        EXPECT_LT(looked.took, 2.6);
        std::printf("[ figure   ] %s: %.2f s\n", c.name.c_str(), looked.took);
    }
    tls->LetGo();
}

// A printer's name that resolves to an IPv6 address first and an IPv4 one,
// where the printer serves only IPv4: every address is asked within the
// check's two seconds, over SNMP as over IPP.
TEST(NetworkLookup, ADualStackNameIsAskedAtEveryAddress) {
    const std::string full = "MFG:Acme;MDL:Dual;CMD:PDF,JPEG;";
    for (const bool snmp : {true, false}) {   // the agent or else the IPP printer has the ID
        const std::optional<std::string> got = InPrivateNetwork(snmp ? "snmp" : "ipp", "::1 printer.dual\n127.0.0.1 printer.dual\n", [&] {
            LoopbackAgent agent("127.0.0.1", 161, {snmp ? Reply::kAnswer : Reply::kSilent}, full);
            LoopbackIpp ipp("127.0.0.1", {{"/ipp/print"}, snmp ? "" : full, {}, 0});
            StagedPrinter staged;
            staged.registry.keys[kMonitors + "Standard TCP/IP Port\\Ports\\" + kPort] = {{"HostName", "printer.dual"}};
            CPrtControl control(staged.printer.printers, staged.devices, staged.registry);
            const Looked looked = LookUp(control);
            return std::to_string(looked.result) + "|" + looked.id + "|" + (looked.took < 2.0 ? "in time" : "late");
        });
        if (!got) GTEST_SKIP() << "no private network namespace (needs root)";
        EXPECT_EQ(*got, "1|" + full + "|in time") << (snmp ? "SNMP" : "IPP") << " on IPv4 only";
    }
}
