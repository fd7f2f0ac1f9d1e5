// Where the lookup finds printers that no port monitor's key names: the
// readers of URIs, port names, server paths and device property lists, the
// three sources against a staged platform, and the lookup that asks them.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "device/lookup/printer_address.h"
#include "device/lookup/places.h"
#include "device/prt_control.h"
#include "tests/device/device_doubles.h"

#if defined(ORVANE_HAVE_LIBCUPS)
#include <cups/cups.h>
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutWide(Bytes& out, std::size_t at, const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) out[at + 2 * i] = static_cast<std::uint8_t>(text[i]);
}

Bytes StringList(const std::vector<std::string>& entries) {
    Bytes out;
    for (const std::string& e : entries) {
        for (char c : e) out.insert(out.end(), {static_cast<std::uint8_t>(c), 0});
        out.insert(out.end(), {0, 0});
    }
    out.insert(out.end(), {0, 0});
    return out;
}

// PORT_DATA_1 as the Standard TCP/IP monitor answers GetConfigInfo.
Bytes TcpPortRecord(const std::string& host, const std::string& community) {
    Bytes out(964, 0);
    PutWide(out, 144, host);
    PutWide(out, 242, community);
    return out;
}

// APPORT_DATA_1 as the WSD/IPP port monitor answers GetAPPortInfo.
Bytes ApPortRecord(std::uint8_t protocol, const std::string& url) {
    Bytes out(528, 0);
    out[0] = 1;
    out[4] = protocol;
    PutWide(out, 8, url);
    return out;
}

// Holds the reads of a platform that stalls until the test opens it (or a
// safety time passes, which the test then reports).
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false, waitedOut = false;
    int inside = 0;
    void Pass() {
        std::unique_lock<std::mutex> lock(mutex);
        ++inside;
        waitedOut |= !changed.wait_for(lock, std::chrono::seconds(30), [this] { return open; });
        --inside;
        changed.notify_all();
    }
    // Opens the gate; true once every read held there has gone on.
    bool OpenAndDrain() {
        std::unique_lock<std::mutex> lock(mutex);
        open = true;
        changed.notify_all();
        return changed.wait_for(lock, std::chrono::seconds(30), [this] { return inside == 0; });
    }
};

class StagedPlaces : public PrinterPlaces {
public:
    std::map<std::string, Bytes> records;   // "<xcv name>|<command>" -> output; absent: refused (5)
    std::vector<DeviceRecord> devices;
    std::map<std::string, std::string> shares;   // printer name -> the server's share name
    std::string stalls;                          // "server" or "devices": those reads wait at the gate
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();

    std::shared_ptr<PrinterPlaces> ReaderOfItsOwn() override { return std::make_shared<StagedPlaces>(*this); }
    bool AskPortMonitor(const std::string& name, const char* command, const Bytes&, Bytes* output,
                        unsigned long* error) override {
        if (stalls == "server" && name.compare(0, 2, "\\\\") == 0) gate->Pass();
        auto it = records.find(name + "|" + command);
        if (it == records.end()) return *error = 5, false;
        *output = it->second;
        return true;
    }
    std::vector<DeviceRecord> Devices() override {
        if (stalls == "devices") gate->Pass();
        return devices;
    }
    std::string ShareName(const std::string& printer, const std::string& nameOnServer) override {
        if (stalls == "server") gate->Pass();
        return shares.count(printer) ? shares[printer] : nameOnServer;
    }
};

std::string Show(const Candidate& c) {
    return c.address + "|" + c.community + "|" + c.uri + (c.ippOnly ? "|ipp only" : "");
}

const char kWsdPort[] = "WSD-6a1f4c3e-2b7d-4f0e-9a35-0c1d2e3f4a5b";
const char kContainer[] = "00112233-4455-6677-8899-AABBCCDDEEFF";

DeviceRecord Queue(const std::string& name) { return {name, kContainer, {}, {}}; }
DeviceRecord Function(const std::vector<std::string>& ips, const std::vector<std::string>& urls) {
    return {"Function", kContainer, StringList(ips), StringList(urls)};
}

}  // namespace

// Every address shape a network gives, and text that is none. The URIs are
// read by a peer too, libcups' httpSeparateURI: where both read one, they
// agree on host, port and resource; where only one does, our verdict stands.
TEST(PrinterAddress, ReadsUrisPortNamesAndServerPaths) {
    struct Case {
        char kind;   // u: URI (canonical text), p: port name (host), s: server path (server|share)
        std::string input, expected;   // "" = refused
    };
    const Case cases[] = {
        {'u', "ipp://10.1.2.3/ipp/print", "ipp://10.1.2.3:631/ipp/print"},
        {'u', "IPPS://printer.example/ipp/print", "ipps://printer.example:631/ipp/print"},
        {'u', "https://10.1.2.3/ipp", "https://10.1.2.3:443/ipp"},
        {'u', "http://srv/printers/Laser%201/.printer", "http://srv:80/printers/Laser%201/.printer"},
        {'u', "ipp://[fe80::1]:8631", "ipp://[fe80::1]:8631/"},
        {'u', "http://10.1.2.3:5357/uuid?x=1#frag", "http://10.1.2.3:5357/uuid?x=1"},
        // RFC 3986 reg-names: '_', a trailing '.', percent-encoded octets.
        {'u', "ipp://my_printer.local/ipp/print", "ipp://my_printer.local:631/ipp/print"},
        {'u', "http://print_srv/printers/Laser/.printer", "http://print_srv:80/printers/Laser/.printer"},
        {'u', "ipp://printer.example./ipp/print", "ipp://printer.example.:631/ipp/print"},
        {'u', "ipp://printer%2Eexample/ipp/print", "ipp://printer.example:631/ipp/print"},
        // RFC 6874 zones, decoded for the socket; leading zeros in a port.
        {'u', "ipp://[fe80::1%25eth0]:631/ipp/print", "ipp://[fe80::1%25eth0]:631/ipp/print"},
        {'u', "http://[fe80::1234%2512]:5357/wsd", "http://[fe80::1234%2512]:5357/wsd"},
        {'u', "ipp://10.1.2.3:000631/ipp/print", "ipp://10.1.2.3:631/ipp/print"},
        {'u', "ipp://[::ffff:10.1.2.3]/", "ipp://[::ffff:10.1.2.3]:631/"},
        {'u', "ftp://10.1.2.3/", ""},
        {'u', "ipp://user@10.1.2.3/", ""},
        {'u', "ipp://10.1.2.3:65536/", ""},
        {'u', "ipp://[::1/ipp", ""},
        {'u', "ipp://10.1.2.3/a b", ""},
        {'u', "ipp://[fe80::1%eth0]/", ""},   // a zone's '%' is written "%25"
        // The system reads these as other numbers than written (octal, short forms).
        {'u', "ipp://010.001.002.003/", ""},
        {'u', "ipp://10.1/", ""},
        {'u', "ipp://[:::::]/", ""},
        {'u', "ipp://[1.2.3.4::]/", ""},
        {'p', "IP_10.1.2.3", "10.1.2.3"},
        {'p', "IP_10.1.2.3_2", "10.1.2.3"},
        {'p', "10.1.2.3", "10.1.2.3"},
        {'p', "10.1.2.3_1", "10.1.2.3"},
        {'p', "printer.example", "printer.example"},
        {'p', "printer.example.", "printer.example."},
        {'p', "IP_printer.example", "printer.example"},
        {'p', "2001:db8::5", "2001:db8::5"},
        {'p', "IP_fe80::1", "fe80::1"},
        {'p', "IP_10.1.2.300", ""},
        {'p', "IP_010.001.002.003", ""},
        {'p', "1.2.3.4.5", ""},
        {'p', "printer", ""},
        {'p', "CUPS:Laser", ""},
        {'p', "-bad.example", ""},
        {'s', "\\\\server\\Laser 1", "server|Laser 1"},
        {'s', "\\\\print_srv\\Laser", "print_srv|Laser"},
        {'s', "\\\\server\\", ""},
        {'s', "\\\\server\\a\\b", ""},
    };
    [[maybe_unused]] int compared = 0;
    for (const Case& c : cases) {
        std::string got, second;
        PrinterUri uri;
        if (c.kind == 'u' && ParsePrinterUri(c.input, &uri)) got = PrinterUriText(uri);
        if (c.kind == 'p' && !HostFromPortName(c.input, &got)) got.clear();
        if (c.kind == 's' && SplitPrintServerName(c.input, &got, &second)) got += "|" + second;
        EXPECT_EQ(got, c.expected) << c.input;
#if defined(ORVANE_HAVE_LIBCUPS)
        char scheme[32], user[256], host[256], resource[1024];
        int port = 0;
        const http_uri_status_t status = httpSeparateURI(HTTP_URI_CODING_HOSTNAME, c.input.c_str(), scheme,
            sizeof(scheme), user, sizeof(user), host, sizeof(host), &port, resource, sizeof(resource));
        // A scheme libcups does not know (it compares case-sensitively) gets no port from it.
        if (c.kind != 'u' || got.empty() || user[0] != '\0' ||
            (status != HTTP_URI_STATUS_OK && status != HTTP_URI_STATUS_MISSING_RESOURCE)) continue;
        ++compared;
        EXPECT_EQ(uri.host + "|" + std::to_string(uri.port), host + ("|" + std::to_string(port))) << c.input;
        // A fragment is the client's own, never sent (RFC 3986 section 3.5): libcups keeps it.
        EXPECT_EQ(uri.resource, std::string(resource).substr(0, std::string(resource).find('#'))) << c.input;
#endif
    }
#if defined(ORVANE_HAVE_LIBCUPS)
    EXPECT_GE(compared, 12);
#else
    std::printf("[ skipped  ] no libcups (libcups2-dev): URIs not compared with httpSeparateURI\n");
#endif
}

TEST(PrinterAddress, ReadsDeviceListsAndPortRecords) {
    Bytes list = StringList({"10.1.2.3", "", "fe80::1"});
    EXPECT_EQ(DecodeStringList(list.data(), list.size()), std::vector<std::string>({"10.1.2.3"}));
    list = StringList({"a b", "10.1.2.3"});
    list[2] = 0xE9;   // a non-ASCII character leaves its entry out
    list[0] = 'x';
    EXPECT_EQ(DecodeStringList(list.data(), list.size()), std::vector<std::string>({"10.1.2.3"}));
    list = StringList({"10.1.2.3"});
    EXPECT_EQ(DecodeStringList(list.data(), 9), std::vector<std::string>({"10.1"}));   // cut short

    std::string host, community;
    Bytes record = TcpPortRecord("printer.example", "office");
    ASSERT_TRUE(ReadTcpPortRecord(record.data(), record.size(), &host, &community));
    EXPECT_EQ(host + "|" + community, "printer.example|office");
    EXPECT_FALSE(ReadTcpPortRecord(record.data(), 200, &host, &community));
    record = ApPortRecord(2, "ipp://10.1.2.3/ipp/print");
    ApPortProtocol protocol;
    ASSERT_TRUE(ReadApPortRecord(record.data(), record.size(), &protocol, &host));
    EXPECT_EQ(protocol, ApPortProtocol::kIpp);
    EXPECT_EQ(host, "ipp://10.1.2.3/ipp/print");
    record[0] = 2;
    EXPECT_FALSE(ReadApPortRecord(record.data(), record.size(), &protocol, &host));
}

TEST(PrinterSources, NameTheCandidatesOfEachPlaceInOrder) {
    struct Case {
        std::string printer, port;
        std::map<std::string, Bytes> records;
        std::vector<DeviceRecord> devices;
        std::vector<std::string> candidates, notes;
    };
    const std::string apInfo = std::string(",XcvPort ") + kWsdPort + "|GetAPPortInfo";
    const Case cases[] = {
        {"Laser", "IP_10.1.2.3", {}, {}, {}, {}},   // the port monitors' own: nothing here
        {"Laser", "https://10.1.2.3:8443/ipp/print", {}, {},
         {"10.1.2.3|public|https://10.1.2.3:8443/ipp/print"}, {"[IPP Port] URI is https://10.1.2.3:8443/ipp/print"}},
        {"Laser", kWsdPort, {{apInfo, ApPortRecord(2, "ipp://10.1.2.3/ipp/print")}}, {},
         {"10.1.2.3|public|ipp://10.1.2.3/ipp/print"},
         {"[IPP Port] URI is ipp://10.1.2.3/ipp/print", "[WSD Port] No device for Laser"}},
        {"Laser", kWsdPort, {{apInfo, ApPortRecord(1, "http://10.1.2.9:5357/x")}},
         {Queue("Other"), Queue("Laser"), Function({"10.1.2.4", "10.1.2.4"}, {"http://printer.example:5357/x", "bad"}),
          {"Elsewhere", "99", StringList({"10.9.9.9"}), {}}},
         {"10.1.2.9|public|", "10.1.2.4|public|", "printer.example|public|"},
         {std::string("[IPP Port] ") + kWsdPort + " was not installed over IPP",
          "[IPP Port] WSD service URL is http://10.1.2.9:5357/x", "[WSD Port] IP is 10.1.2.4",
          "[WSD Port] IP is 10.1.2.4", "[WSD Port] Service address is http://printer.example:5357/x",
          "[WSD Port] Service address unreadable : bad"}},
        {"Laser", kWsdPort, {}, {Queue("Laser")}, {},
         {std::string("[IPP Port] XcvData GetAPPortInfo on ") + kWsdPort + " refused : 5",
          "[WSD Port] No PnP-X address for Laser"}},
        // Two units of one model; this queue's own unit is switched off (its WSD
        // device is not present). The port leads to its own container, which has
        // no address: the twin, whose devices carry the same names, is not asked.
        {"Model X", kWsdPort, {},
         {{"Model X", "C1", {}, {}, "SWD\\PRINTENUM\\{6D1B2A4C-93E0-4F1A-8C55-0A1B2C3D4E5F}"},
          {"Model X", "C1", {}, {}, std::string("SWD\\PRINTENUM\\") + kWsdPort},
          {"Model X", "C2", {}, {}, "SWD\\PRINTENUM\\WSD-twin"},
          {"Model X", "C2", StringList({"10.1.2.8"}), {}, "SWD\\DAFWSDPROVIDER\\urn:uuid:2"},
          {"Model X (Copy 1)", "C2", {}, {}, "SWD\\PRINTENUM\\{0A1B2C3D-93E0-4F1A-8C55-0A1B2C3D4E5F}"}},
         {},
         {std::string("[IPP Port] XcvData GetAPPortInfo on ") + kWsdPort + " refused : 5",
          "[WSD Port] No PnP-X address for Model X"}},
        // The monitor's DeviceID is the device's global identity, whatever the
        // names say; its location is asked too.
        {"Laser", kWsdPort, {{std::string(",XcvPort ") + kWsdPort + "|DeviceID", StringList({"urn:uuid:7"})}},
         {Queue("Laser"), Function({"10.1.2.4"}, {}),
          {"Model Y", "C3", StringList({"10.1.2.6"}), {}, "", "URN:UUID:7", "http://10.1.2.7:3911/"}},
         {"10.1.2.6|public|", "10.1.2.7|public|"},
         {std::string("[IPP Port] XcvData GetAPPortInfo on ") + kWsdPort + " refused : 5", "[WSD Port] IP is 10.1.2.6",
          "[WSD Port] Location is http://10.1.2.7:3911/"}},
        // No link through the port: by name, never into two containers that
        // both have addresses; one container is read once, however many of its
        // devices carry the name.
        {"Laser", kWsdPort, {}, {Queue("Laser"), Function({"10.1.2.4"}, {}), {"Laser", "C2", StringList({"10.1.2.8"}), {}}},
         {},
         {std::string("[IPP Port] XcvData GetAPPortInfo on ") + kWsdPort + " refused : 5",
          "[WSD Port] Devices named Laser in 2 containers: none asked"}},
        {"Laser", kWsdPort, {}, {Queue("Laser"), Queue("Laser"), Function({"10.1.2.4"}, {})}, {"10.1.2.4|public|"},
         {std::string("[IPP Port] XcvData GetAPPortInfo on ") + kWsdPort + " refused : 5", "[WSD Port] IP is 10.1.2.4"}},
        {"\\\\srv\\Laser 1", "IP_10.1.2.3", {{"\\\\srv\\,XcvPort IP_10.1.2.3|GetConfigInfo", TcpPortRecord("10.1.2.7", "")}},
         {}, {"10.1.2.7|public|", "10.1.2.3|public|", "srv|public|http://srv/printers/Laser%201/.printer|ipp only"},
         {"[Print Server] Server is srv, port is IP_10.1.2.3", "[Print Server] Port record : host 10.1.2.7",
          "[Print Server] Port name is the address 10.1.2.3",
          "[Print Server] Shared printer URI is http://srv/printers/Laser%201/.printer"}},
        {"\\\\srv\\Laser", "Ne01:", {}, {}, {"srv|public|http://srv/printers/Laser/.printer|ipp only"},
         {"[Print Server] Server is srv, port is Ne01:",
          "[Print Server] XcvData GetConfigInfo on \\\\srv\\,XcvPort Ne01: refused : 5",
          "[Print Server] Port name Ne01: is no address",
          "[Print Server] Shared printer URI is http://srv/printers/Laser/.printer"}},
        // The server publishes the queue by its share name, percent-encoded from UTF-8.
        {"\\\\srv\\Front desk", "Ne01:", {}, {}, {"srv|public|http://srv/printers/Laser1/.printer|ipp only"},
         {"[Print Server] Server is srv, port is Ne01:",
          "[Print Server] XcvData GetConfigInfo on \\\\srv\\,XcvPort Ne01: refused : 5",
          "[Print Server] Port name Ne01: is no address",
          "[Print Server] Shared printer URI is http://srv/printers/Laser1/.printer"}},
        {"\\\\srv\\Reception", "Ne01:", {}, {}, {"srv|public|http://srv/printers/B%C3%BCro/.printer|ipp only"},
         {"[Print Server] Server is srv, port is Ne01:",
          "[Print Server] XcvData GetConfigInfo on \\\\srv\\,XcvPort Ne01: refused : 5",
          "[Print Server] Port name Ne01: is no address",
          "[Print Server] Shared printer URI is http://srv/printers/B%C3%BCro/.printer"}},
    };
    for (const Case& c : cases) {
        StagedPlaces places;
        places.records = c.records;
        places.devices = c.devices;
        places.shares = {{"\\\\srv\\Front desk", "Laser1"}, {"\\\\srv\\Reception", "B\xC3\xBCro"}};
        const PrinterFindings found = FindPrinterCandidates({c.printer, c.port}, places);
        std::vector<std::string> shown;
        for (const Candidate& candidate : found.candidates) shown.push_back(Show(candidate));
        EXPECT_EQ(shown, c.candidates) << c.printer << " on " << c.port;
        EXPECT_EQ(found.notes, c.notes) << c.printer << " on " << c.port;
    }
}

namespace {

class AskingPrtControl : public CPrtControl {
public:
    using CPrtControl::CPrtControl;
    std::map<std::string, std::string> answers;
    std::vector<std::string> asked;

    int GetNetworkDeviceID(std::string address, std::string community, std::string& out) override {
        asked.push_back(address + "|" + community);
        out = answers.count(address) ? answers[address] : "";
        return out.empty() ? 0 : 1;
    }
    int GetStandardDeviceID(std::string& out) override { return out.clear(), 0; }
};

}  // namespace

TEST(PrinterSources, TheLookupAsksThemAfterThePortMonitors) {
    struct Case {
        std::string port;
        std::map<std::string, std::string> answers;
        std::vector<std::string> asked;
        std::string id;
        std::string printer = "Test Printer";
        std::string stalls = "";          // the reads that never answer while the check runs
        std::vector<std::string> lines = {};   // traced
    };
    const std::string kMonitorsKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
    const std::string stdKey = kMonitorsKey + "Standard TCP/IP Port\\Ports\\";
    const Case cases[] = {
        // A port the monitors know: asked as before, the other sources add nothing.
        {"IP_10.1.2.3", {{"10.1.2.3", "CMD:PDF;"}}, {"10.1.2.3|office"}, "CMD:PDF;"},
        {"IP_10.1.2.3", {}, {"10.1.2.3|office", "printer.example|office"}, ""},
        // A URL port: after the monitors (none), its host.
        {"ipp://10.1.2.8/ipp/print", {{"10.1.2.8", "CMD:JPEG;"}}, {"10.1.2.8|public"}, "CMD:JPEG;"},
        // A WSD port: every PnP-X address until one answers.
        {kWsdPort, {{"10.1.2.5", "CMD:PNG;"}}, {"10.1.2.4|public", "10.1.2.5|public"}, "CMD:PNG;"},
        // A print server's printer: its port's address; the server itself is asked over IPP only.
        {"IP_10.1.2.9", {}, {"10.1.2.9|public"}, "", "\\\\srv\\Laser"},
        // A vendor monitor's answer ends the lookup there.
        {"10.1.2.6", {{"10.1.2.7", "CMD:BMP;"}}, {"10.1.2.7|"}, "CMD:BMP;", "\\\\srv\\Laser"},
        // A server or a device list that does not answer holds the check no
        // longer than its bound: the place counts as silent, the rest is asked.
        {"IP_10.1.2.9", {}, {"10.1.2.9|public"}, "", "\\\\srv\\Laser", "server",
         {"[Print Server] XcvData GetConfigInfo on \\\\srv\\,XcvPort IP_10.1.2.9 refused : 1460",
          "[Print Server] Shared printer URI is http://srv/printers/Laser/.printer"}},
        {kWsdPort, {{"10.1.2.5", "CMD:PNG;"}}, {}, "", "Test Printer", "devices",
         {"[WSD Port] No device for Test Printer"}},
    };
    std::vector<std::shared_ptr<Gate>> gates;
    for (const Case& c : cases) {
        PrinterOnPort printer(c.port, c.printer);
        StagedRegistry registry;
        registry.keys[stdKey + "IP_10.1.2.3"] = {{"SNMP Community", "office"}, {"IPAddress", "10.1.2.3"},
                                                  {"HostName", "printer.example"}};
        registry.keys[kMonitorsKey + "Dell Network Printer Port\\10.1.2.6"] = {{"IP", "10.1.2.7"}};
        StagedPlaces places;
        places.devices = {Queue("Test Printer"), Function({"10.1.2.4", "10.1.2.5"}, {})};
        places.stalls = c.stalls;
        gates.push_back(places.gate);
        NoDevices device;
        AskingPrtControl control(printer.printers, device, registry, places);
        control.answers = c.answers;
        std::string id;
        TraceCapture trace;
        EXPECT_EQ(control.GetCurrentPrinterDeviceID(id), c.id.empty() ? 0 : 1) << c.port;
        EXPECT_EQ(id, c.id) << c.port;
        EXPECT_EQ(control.asked, c.asked) << c.port;
        EXPECT_FALSE(places.gate->waitedOut) << c.port << ": the check waited for a stalled read";
        for (const std::string& line : c.lines) EXPECT_GE(trace.IndexOf(line), 0) << line;
        // One pass per check: no port key is read twice.
        EXPECT_EQ(std::set<std::string>(registry.opened.begin(), registry.opened.end()).size(), registry.opened.size())
            << c.port;
        // The other sources' lines come behind the vendor monitors'.
        if (c.port == kWsdPort && c.stalls.empty())
            EXPECT_LT(trace.IndexOf("Dell : Can't Open reg Key(IP Ports)"), trace.IndexOf("[WSD Port] IP is 10.1.2.4"));
        else
            EXPECT_EQ(trace.IndexOf("[WSD Port] IP is 10.1.2.4"), -1);
    }
    // The stalled reads go on once every check is over and its objects are gone.
    for (const std::shared_ptr<Gate>& gate : gates) EXPECT_TRUE(gate->OpenAndDrain());
}
