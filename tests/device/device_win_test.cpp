// Device-ID discovery on Windows (under Wine): SNMP reads from the bench's snmpd
// agents through their counting relays, and port routing through real registry
// keys of the port monitors.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "device/prt_control.h"
#include "tests/device/device_doubles.h"
#include "tests/device/printer_layout.h"

namespace {

const char kMonitors[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
const std::string kStd = std::string(kMonitors) + "Standard TCP/IP Port\\Ports\\";
const std::string kCorvath = std::string(kMonitors) + "Corvath Network Printer Port\\";
const std::string kRicoh = std::string(kMonitors) + "Multi Direct Print Type S\\";
const std::string kXerox = std::string(kMonitors) + "Xerox Network Printer Port\\";
const std::string kDell = std::string(kMonitors) + "Dell Network Printer Port\\";

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// "127.0.0.2:161" -> "127.0.0.2"; "[::1]:161" -> "::1".
std::string AgentAddress(const char* name) {
    std::string a = Env((std::string("ORVANE_AGENT_") + name).c_str());
    if (!a.empty() && a[0] == '[') return a.substr(1, a.find(']') - 1);
    return a.substr(0, a.rfind(':'));
}

// Requests the agent's relay has received so far.
int AgentCount(const char* name) {
    std::string path = "Z:" + Env("ORVANE_BENCH_DIR") + "/agents/" + name + ".count";
    for (char& c : path) if (c == '/') c = '\\';
    std::ifstream in(path);
    int n = -1;
    in >> n;
    return n;
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

struct Machine {
    FakeWorld world;
    FakeSpooler spooler{world};
    CTestPrint printers{spooler};
    explicit Machine(const std::string& port) {
        spooler.printers = {{"Bench Printer", port, 0}};
        printers.RefreshPrinterList();
        printers.SetCurrentPrinterIndex(0);
    }
};

struct SnmpCase {
    const char* name;
    const char* agent;
    const char* community;   // nullptr: the bench's usual "public"
    int result;
    const char* idVar;       // ORVANE_DEVICEID_* of the answer
    int requests;
    const char* line;        // one trace line that must appear
};

class RegistryKeys {
public:
    ~RegistryKeys() {
        for (const auto& k : m_keys) {
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, k.c_str());
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, k.c_str());
        }
    }
    void Set(const std::string& key, const std::map<std::string, std::string>& values) {
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr),
                  ERROR_SUCCESS) << key;
        for (const auto& v : values) {
            RegSetValueExA(h, v.first.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.second.c_str()),
                           static_cast<DWORD>(v.second.size() + 1));
        }
        RegCloseKey(h);
        m_keys.push_back(key);
    }

private:
    std::vector<std::string> m_keys;
};

class RecordingPrtControl : public CPrtControl {
public:
    using CPrtControl::CPrtControl;
    std::map<std::string, std::string> answers;
    std::vector<std::pair<std::string, std::string>> queries;
    int GetNetworkDeviceID(std::string address, std::string community, std::string& out) override {
        out.clear();
        queries.emplace_back(address, community);
        auto it = answers.find(address);
        if (it == answers.end()) return 0;
        out = it->second;
        return 1;
    }
};

using Queries = std::vector<std::pair<std::string, std::string>>;

}  // namespace

TEST(NetworkDeviceId, ReadsTheBenchAgents) {
    if (Env("ORVANE_AGENT_PDFJPEG").empty()) GTEST_SKIP() << "bench agents not configured";
    const SnmpCase cases[] = {
        {"answering printer", "PDFJPEG", nullptr, 1, "ORVANE_DEVICEID_PDFJPEG", 1, "Success MIB Value. USB Device ID is "},
        {"answers only the second request", "SECOND", nullptr, 1, "ORVANE_DEVICEID_SECOND", 2, nullptr},
        {"integer value", "INTEGER", nullptr, 0, nullptr, 1, "Failed to MIB Value."},
        {"silent address", "SILENT", nullptr, 0, nullptr, 2, "Failed to SNMP get/ Timeout: no response from the agent"},
        {"wrong community", "COMMUNITY", "public", 0, nullptr, 2, nullptr},
        {"right community", "COMMUNITY", "private", 1, "ORVANE_DEVICEID_COMMUNITY", 1, nullptr},
    };
    Machine machine("IP_bench");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPrtControl control(machine.printers, SystemDeviceIo(), SystemRegistry());
        int before = AgentCount(c.agent);
        ASSERT_GE(before, 0) << "count file of " << c.agent;
        if (std::string(c.agent) == "SECOND" && before % 2 == 1) {
            GTEST_FAIL() << "SECOND's count is odd; its relay would answer the first request";
        }
        TraceCapture trace;
        std::string id = "previous";
        auto t0 = std::chrono::steady_clock::now();
        int result = control.GetNetworkDeviceID(AgentAddress(c.agent), c.community ? c.community : "public", id);
        double took = Seconds(std::chrono::steady_clock::now() - t0);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(id, c.idVar ? Env(c.idVar) : "");
        EXPECT_EQ(AgentCount(c.agent) - before, c.requests);
        if (c.line) {
            bool found = false;
            for (const auto& l : trace.lines()) found |= l.rfind(c.line, 0) == 0;
            EXPECT_TRUE(found) << c.line;
        }
        EXPECT_EQ(trace.lines().back(), std::string("GetNetworkDeviceID / bRet / ") + (c.result ? "1" : "0"));
        if (c.requests == 2 && !c.result) {
            EXPECT_GE(took, 1.9);
            EXPECT_LT(took, 3.0);
        } else {
            EXPECT_LT(took, c.requests == 2 ? 1.6 : 0.6);
        }
    }
}

TEST(NetworkDeviceId, ResolvesHostNamesAndIPv6) {
    if (Env("ORVANE_AGENT_LOCAL").empty()) GTEST_SKIP() << "no agent on 127.0.0.1 (bench not on 127.0.0)";
    Machine machine("IP_bench");
    CPrtControl control(machine.printers, SystemDeviceIo(), SystemRegistry());
    std::vector<std::string> hosts = {"localhost", "127.0.0.1"};
    if (!Env("ORVANE_AGENT_LOCAL6").empty()) hosts.push_back("::1");
    for (const auto& host : hosts) {
        SCOPED_TRACE(host);
        int before = AgentCount("LOCAL");
        std::string id;
        EXPECT_EQ(control.GetNetworkDeviceID(host, "public", id), 1);
        EXPECT_EQ(id, Env("ORVANE_DEVICEID_LOCAL"));
        EXPECT_EQ(AgentCount("LOCAL") - before, 1);
    }
    std::string id = "previous";
    EXPECT_EQ(control.GetNetworkDeviceID("no-such-host.invalid", "public", id), 0);
    EXPECT_EQ(id, "");
}

TEST(PortRoutingInRegistry, StandardTcpIpPortKeys) {
    struct Case {
        const char* name;
        std::map<std::string, std::string> values;
        std::map<std::string, std::string> answers;
        Queries queries;
        int result;
    };
    const std::vector<Case> cases = {
        {"address", {{"IPAddress", "10.9.0.1"}}, {{"10.9.0.1", "CMD:PDF;"}}, {{"10.9.0.1", "public"}}, 1},
        {"host name", {{"HostName", "printer.example"}, {"SNMP Community", "corp"}},
         {{"printer.example", "CMD:PDF;"}}, {{"printer.example", "corp"}}, 1},
        {"both, address answers", {{"IPAddress", "10.9.0.1"}, {"HostName", "printer.example"}},
         {{"10.9.0.1", "A"}, {"printer.example", "H"}}, {{"10.9.0.1", "public"}}, 1},
        {"both, host answers", {{"IPAddress", "10.9.0.1"}, {"HostName", "printer.example"}},
         {{"printer.example", "H"}}, {{"10.9.0.1", "public"}, {"printer.example", "public"}}, 1},
        {"neither", {{"SNMP Community", "corp"}}, {}, {}, 0},
        {"both empty", {{"IPAddress", ""}, {"HostName", ""}}, {{"", "X"}}, {}, 0},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string port = "ORVT_STD_" + std::to_string(n++);
        RegistryKeys keys;
        keys.Set(kStd + port, c.values);
        Machine machine(port);
        RecordingPrtControl control(machine.printers, SystemDeviceIo(), SystemRegistry());
        control.answers = c.answers;
        std::string id;
        EXPECT_EQ(control.GetCurrentPrinterDeviceID(id), c.result);
        EXPECT_EQ(control.queries, c.queries);
    }
}

TEST(PortRoutingInRegistry, VendorMonitorsAndLocalPorts) {
    {
        SCOPED_TRACE("two vendor keys: a silent later one takes nothing away; public is asked too");
        RegistryKeys keys;
        keys.Set(kXerox + "ORVT_V1", {{"IP", "10.9.1.3"}});
        keys.Set(kCorvath + "ORVT_V1", {{"IP", "10.9.1.1"}});
        Machine machine("ORVT_V1");
        RecordingPrtControl control(machine.printers, SystemDeviceIo(), SystemRegistry());
        control.answers = {{"10.9.1.1", "CMD:PDF;"}};
        std::string id;
        EXPECT_EQ(control.GetCurrentPrinterDeviceID(id), 1);
        EXPECT_EQ(id, "CMD:PDF;");
        EXPECT_EQ(control.queries, (Queries{{"10.9.1.1", ""}, {"10.9.1.3", ""}, {"10.9.1.3", "public"}}));
    }
    {
        SCOPED_TRACE("all four, with the standard key's community");
        RegistryKeys keys;
        keys.Set(kStd + "ORVT_V2", {{"SNMP Community", "corp"}});
        keys.Set(kDell + "ORVT_V2", {{"IP", "10.9.2.4"}});
        keys.Set(kRicoh + "ORVT_V2", {{"IP", "10.9.2.2"}});
        keys.Set(kCorvath + "ORVT_V2", {{"IP", "10.9.2.1"}});
        keys.Set(kXerox + "ORVT_V2", {});
        Machine machine("ORVT_V2");
        RecordingPrtControl control(machine.printers, SystemDeviceIo(), SystemRegistry());
        control.answers = {{"10.9.2.4", "CMD:JPEG;"}};
        TraceCapture trace;
        std::string id;
        EXPECT_EQ(control.GetCurrentPrinterDeviceID(id), 1);
        EXPECT_EQ(id, "CMD:JPEG;");
        EXPECT_EQ(control.queries, (Queries{{"10.9.2.1", "corp"}, {"10.9.2.2", "corp"}, {"10.9.2.4", "corp"}}));
        EXPECT_EQ(trace.Count("Xerox : Can't query ip reg value"), 1);
    }
    struct Local {
        const char* port;
        const char* kindLine;
        int result;
        const char* id;
    };
    const Local locals[] = {
        {"USB001", "USB Port", 0, ""},          // no USB printer in the prefix
        {"usb001", "NW IP Port", 0, ""},
        {"LPT2:", "Parallel Port", 0, ""},      // no parallel device either
        {"FILE:", "FILE", 1, "CMD:PDF,JPEG,BMP,PNG,TIFF;"},
    };
    for (const auto& l : locals) {
        SCOPED_TRACE(l.port);
        Machine machine(l.port);
        RecordingPrtControl control(machine.printers, SystemDeviceIo(), SystemRegistry());
        TraceCapture trace;
        std::string id = "previous";
        auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(control.GetCurrentPrinterDeviceID(id), l.result);
        double took = Seconds(std::chrono::steady_clock::now() - t0);
        EXPECT_EQ(id, l.id);
        EXPECT_EQ(trace.lines().at(1), l.kindLine);
        EXPECT_TRUE(control.queries.empty());
        if (std::string(l.port) == "LPT2:") {
            EXPECT_GE(took, 0.99);
            EXPECT_EQ(trace.Count("CreateFile Fail") + trace.Count("DeviceIoControl Fail"), 5);
            EXPECT_EQ(trace.lines()[trace.lines().size() - 2], "GetLocalLPTDeviceID : ALL GetDeviceID Fail");
        }
        if (std::string(l.port) == "USB001") {
            EXPECT_EQ(trace.Count("[GetLocalUSBDeviceID] SetupDiEnumDeviceInterfaces : ERROR_NO_MORE_ITEMS "), 1);
        }
    }
}

TEST(PortRoutingInRegistry, EndToEndThroughTheBenchAgents) {
    if (Env("ORVANE_AGENT_PDFJPEG").empty()) GTEST_SKIP() << "bench agents not configured";
    // The address is silent, the host name answers: once the host name has the
    // ID, the address gets a short grace, not its second attempt.
    RegistryKeys keys;
    keys.Set(kStd + "ORVT_E2E", {{"IPAddress", AgentAddress("SILENT")}, {"HostName", AgentAddress("PDF")}});
    Machine machine("ORVT_E2E");
    CPrtControl control(machine.printers, SystemDeviceIo(), SystemRegistry());
    int silent = AgentCount("SILENT"), pdf = AgentCount("PDF");
    std::string id;
    EXPECT_EQ(control.GetCurrentPrinterDeviceID(id), 1);
    EXPECT_EQ(id, Env("ORVANE_DEVICEID_PDF"));
    EXPECT_EQ(AgentCount("SILENT") - silent, 1);
    EXPECT_EQ(AgentCount("PDF") - pdf, 1);
}

// Printers Windows set up by itself, in the layout it keeps them in: the device
// behind a WSD port, IPP ports by http, ipps and https URI, a print server's
// printer (whose server Wine refuses at once). Each against a real agent or
// ippeveprinter at the address the layout names.
TEST(PrinterPlaces, FoundWhereWindowsKeepsThem) {
    if (Env("ORVANE_IPP_TLS").empty()) GTEST_SKIP() << "bench IPP printers not configured";
    const std::string snmp = AgentAddress("PDFJPEG"), ipp = AgentAddress("IPPEVE");
    const std::string tls = Env("ORVANE_IPP_TLS").substr(0, Env("ORVANE_IPP_TLS").rfind(':'));
    const std::string wsdPort = "WSD-6a1f4c3e-2b7d-4f0e-9a35-0c1d2e3f4a5b";
    const std::string twinPort = "WSD-6a1f4c3e-2b7d-4f0e-9a35-0c1d2e3f4a52";
    printer_layout::WsdDevice wsd("Bench WSD Printer", "Bench Model", wsdPort, 1, {snmp}, {"http://" + snmp + ":5357/x"});
    // Two units of one model: the queue's own is switched off, its twin answers
    // under the same device names (Windows names the first queue after the model).
    printer_layout::WsdDevice own("Bench Twin", "Bench Twin", twinPort, 2, {}, {}, false);
    printer_layout::WsdDevice twin("Bench Twin (Copy 1)", "Bench Twin", "WSD-6a1f4c3e-2b7d-4f0e-9a35-0c1d2e3f4a53", 3,
                                   {snmp}, {});
    ASSERT_TRUE(wsd.imported() && own.imported() && twin.imported());
    const struct {
        const char* what;
        std::string printer, port;
        const char* idVar;   // nullptr: none found
        const char* line;    // one trace line that must appear
        double seconds;      // at most: no stall (bench_places prints the figures)
    } cases[] = {
        {"WSD port", "Bench WSD Printer", wsdPort, "ORVANE_DEVICEID_PDFJPEG", "[WSD Port] IP is ", 1.9},
        {"WSD port, its unit off, a twin on", "Bench Twin", twinPort, nullptr, "[WSD Port] No PnP-X address for Bench Twin",
         1.9},
        {"IPP port, http", "Bench", "http://" + ipp + ":631/ipp/print", "ORVANE_DEVICEID_IPPEVE",
         "[IPP Port] URI is http://", 1.9},
        {"IPP port, ipps", "Bench", "ipps://" + tls + "/ipp/print", "ORVANE_DEVICEID_IPPEVE",
         "[IPP printer-device-id] TLS certificate not verified", 3.0},
        {"IPP port, https", "Bench", "https://" + tls + ":631/ipp/print", "ORVANE_DEVICEID_IPPEVE",
         "[IPP printer-device-id] TLS certificate not verified", 3.0},
        {"print server, port named by address", "\\\\orvt-server\\Laser", "IP_" + snmp, "ORVANE_DEVICEID_PDFJPEG",
         "[Print Server] XcvData GetConfigInfo on \\\\orvt-server\\,XcvPort IP_", 1.9},
        {"print server, port named otherwise", "\\\\orvt-server\\Laser", "Ne01:", nullptr,
         "[Print Server] Port name Ne01: is no address", 2.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PrinterOnPort printer(c.port, c.printer);
        CPrtControl control(printer.printers, SystemDeviceIo(), SystemRegistry(), SystemPrinterPlaces());
        TraceCapture trace;
        std::string id;
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(control.GetCurrentPrinterDeviceID(id), c.idVar ? 1 : 0);
        const double took = Seconds(std::chrono::steady_clock::now() - t0);
        EXPECT_EQ(id, c.idVar ? Env(c.idVar) : "");
        EXPECT_LE(took, c.seconds);
        bool found = false;
        for (const auto& l : trace.lines()) found |= l.find(c.line) != std::string::npos;
        EXPECT_TRUE(found) << c.line;
        if (!found || ::testing::Test::HasFailure())
            for (const auto& l : trace.lines()) std::printf("  | %s\n", l.c_str());
    }
}
