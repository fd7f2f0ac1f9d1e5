// Port routing, the USB and parallel readers and the network lookup through the
// port monitors' registry keys, against staged devices and registry keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/prt_control.h"
#include "tests/device/device_doubles.h"

namespace {

const std::string kStd = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\";
const std::string kCorvath = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Corvath Network Printer Port\\";
const std::string kRicoh = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Multi Direct Print Type S\\";
const std::string kXerox = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Xerox Network Printer Port\\";
const std::string kDell = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Dell Network Printer Port\\";

struct UsbInterface {
    DeviceIo::EnumResult enumResult = DeviceIo::EnumResult::kFound;
    bool keyOpens = true;
    std::optional<std::uint32_t> portNumber;
    std::optional<std::string> baseName;
    DeviceIo::DetailResult detail = DeviceIo::DetailResult::kOk;
    std::string path;
    bool opens = true;
    bool answers = true;
    std::vector<std::uint8_t> reply;
    std::size_t claimed = 0;   // bytes returned; 0 = reply.size()
};

struct ParallelDevice {
    unsigned long openError = 0;
    unsigned long ioctlError = 0;
    std::vector<std::uint8_t> reply;
    std::size_t claimed = 0;
};

class StagedDevice : public DeviceIo {
public:
    bool setOpens = true;
    std::vector<UsbInterface> usb;
    std::map<std::string, ParallelDevice> parallel;   // by device name
    std::vector<std::string> parallelOpened;
    std::vector<unsigned long> parallelCodes;
    std::vector<std::string> parallelEvents;   // "open NAME" and "sleep MS", in order
    std::vector<std::string> usbOpened;
    unsigned slept = 0;
    int open = 0;   // handles held: must come back to 0
    int enumFailsFrom = -1;   // every index from here on fails (not "no more items")
    int enumCalls = 0;

    bool OpenUsbInterfaceSet(unsigned long* error) override {
        if (!setOpens) { *error = 13; return false; }
        ++open;
        return true;
    }
    void CloseUsbInterfaceSet() override { --open; }
    EnumResult EnumUsbInterface(unsigned index) override {
        // Bounded here too, so that a reader that never gives up fails instead of hanging.
        if (++enumCalls > 1000) return EnumResult::kNoMoreItems;
        if (enumFailsFrom >= 0 && index >= static_cast<unsigned>(enumFailsFrom)) return EnumResult::kFailed;
        if (index >= usb.size()) return EnumResult::kNoMoreItems;
        m_current = &usb[index];
        return m_current->enumResult;
    }
    bool OpenUsbInterfaceKey() override {
        if (!m_current->keyOpens) return false;
        ++open;
        return true;
    }
    bool ReadUsbPortNumber(std::uint32_t* n) override {
        if (!m_current->portNumber) return false;
        *n = *m_current->portNumber;
        return true;
    }
    bool ReadUsbBaseName(char* buffer, std::size_t size) override {
        if (!m_current->baseName) return false;
        std::strncpy(buffer, m_current->baseName->c_str(), size - 1);
        return true;
    }
    void CloseUsbInterfaceKey() override { --open; }
    DetailResult GetUsbInterfacePath(std::string* path) override {
        *path = m_current->path;
        return m_current->detail;
    }
    bool OpenUsbDevice(const std::string& path) override {
        usbOpened.push_back(path);
        if (!m_current->opens) return false;
        ++open;
        return true;
    }
    bool RequestUsb1284Id(std::uint8_t* reply, std::size_t size, std::size_t* returned) override {
        if (!m_current->answers) return false;
        std::size_t n = std::min(size, m_current->reply.size());
        if (n) std::memcpy(reply, m_current->reply.data(), n);
        *returned = m_current->claimed ? m_current->claimed : m_current->reply.size();
        return true;
    }
    void CloseUsbDevice() override { --open; }

    bool OpenParallel(const char* name, unsigned long* error) override {
        parallelOpened.push_back(name);
        parallelEvents.push_back(std::string("open ") + name);
        auto it = parallel.find(name);
        if (it == parallel.end() || it->second.openError) {
            *error = it == parallel.end() ? 2 : it->second.openError;
            return false;
        }
        m_parallel = &it->second;
        ++open;
        return true;
    }
    bool ParallelIoctl(unsigned long code, std::uint8_t* reply, std::size_t size, std::size_t* returned,
                       unsigned long* error) override {
        parallelCodes.push_back(code);
        if (m_parallel->ioctlError) { *error = m_parallel->ioctlError; return false; }
        std::size_t n = std::min(size, m_parallel->reply.size());
        if (n) std::memcpy(reply, m_parallel->reply.data(), n);
        *returned = m_parallel->claimed ? m_parallel->claimed : m_parallel->reply.size();
        return true;
    }
    void CloseParallel() override { --open; }
    void Sleep(unsigned ms) override {
        slept += ms;
        parallelEvents.push_back("sleep " + std::to_string(ms));
    }

private:
    UsbInterface* m_current = nullptr;
    ParallelDevice* m_parallel = nullptr;
};

// Records the network queries instead of sending them; `answers` maps an
// address, or "address/community" for an agent that knows one community only,
// to the device ID its printer gives.
class RecordingPrtControl : public CPrtControl {
public:
    using CPrtControl::CPrtControl;
    std::map<std::string, std::string> answers;
    std::vector<std::pair<std::string, std::string>> queries;

    int GetNetworkDeviceID(std::string address, std::string community, std::string& out) override {
        out.clear();
        queries.emplace_back(address, community);
        auto it = answers.find(address + "/" + community);
        if (it == answers.end()) it = answers.find(address);
        if (it == answers.end()) return 0;
        out = it->second;
        return 1;
    }
    int GetStandardDeviceID(std::string& out) override { return out.clear(), 0; }
};

// The ID behind its two length bytes, which count themselves.
std::vector<std::uint8_t> UsbReply(const std::string& text) {
    std::vector<std::uint8_t> r(text.size() + 2);
    r[0] = static_cast<std::uint8_t>(r.size() >> 8);
    r[1] = static_cast<std::uint8_t>(r.size());
    std::copy(text.begin(), text.end(), r.begin() + 2);
    return r;
}

// The same with the length's least significant byte first, as some devices write it.
std::vector<std::uint8_t> UsbReplyLowFirst(const std::string& text) {
    std::vector<std::uint8_t> r = UsbReply(text);
    std::swap(r[0], r[1]);
    return r;
}

// An ID of `size` bytes whose command set comes last, behind a long description.
std::string LongId(std::size_t size) {
    const std::string head = "MFG:Acme;MDL:Model 9;DES:", tail = ";CMD:PJL,PCL,PDF,JPEG;";
    return head + std::string(size - head.size() - tail.size(), 'x') + tail;
}

UsbInterface Interface(std::optional<std::string> base, std::uint32_t number, const std::string& id) {
    UsbInterface i;
    i.baseName = std::move(base);
    i.portNumber = number;
    i.path = "\\\\?\\usb#vid_0000&pid_" + std::to_string(number);
    i.reply = UsbReply(id);
    return i;
}

struct Fixture {
    PrinterOnPort printer;
    StagedDevice device;
    StagedRegistry registry;
    RecordingPrtControl control{printer.printers, device, registry};
    explicit Fixture(const std::string& port) : printer(port) {}
};

using Queries = std::vector<std::pair<std::string, std::string>>;

}  // namespace

TEST(PortRouting, ClassifiesThePortByItsFirstCharacters) {
    struct Case {
        const char* port;
        const char* kindLine;
        int result;
        const char* id;
    };
    const Case cases[] = {
        {"USB001", "USB Port", 1, "CMD:PDF;"},
        {"usb001", "NW IP Port", 0, ""},
        {"LPT2:", "Parallel Port", 1, "CMD:JPEG;"},
        {"FILE:", "FILE", 1, "CMD:PDF,JPEG,BMP,PNG,TIFF;"},
        {"file:", "NW IP Port", 0, ""},
        {"IP_10.0.0.5", "NW IP Port", 0, ""},
        {"", "NW IP Port", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        Fixture f(c.port);
        f.device.usb = {Interface("USB", 1, "CMD:PDF;")};
        f.device.parallel["\\\\.\\LPT1"].reply = {'C', 'M', 'D', ':', 'J', 'P', 'E', 'G', ';'};
        TraceCapture trace;
        std::string id = "previous";
        EXPECT_EQ(f.control.GetCurrentPrinterDeviceID(id), c.result);
        EXPECT_EQ(id, c.id);
        ASSERT_GE(trace.lines().size(), 2u);
        EXPECT_EQ(trace.lines()[0], std::string("PortName is ") + c.port);
        EXPECT_EQ(trace.lines()[1], c.kindLine);
        EXPECT_EQ(trace.lines().back(), std::string("GetCurrentPrinterDeviceID : strDeviceID : ") + c.id);
        EXPECT_EQ(f.device.open, 0);
        if (std::string(c.port) == "LPT2:") {
            EXPECT_EQ(f.device.parallelOpened.at(0), "\\\\.\\LPT1");
        }
    }
}

TEST(PortRouting, StandardTcpIpPortTriesAddressThenHostName) {
    struct Case {
        const char* name;
        std::map<std::string, std::string> values;   // of the port's key
        std::map<std::string, std::string> answers;
        Queries queries;
        int result;
        bool vendorsTried;
    };
    const std::vector<Case> cases = {
        {"address answers", {{"SNMP Community", "corp"}, {"IPAddress", "10.0.0.5"}, {"HostName", "prn"}},
         {{"10.0.0.5", "CMD:PDF;"}, {"prn", "CMD:PDF;"}}, {{"10.0.0.5", "corp"}}, 1, false},
        {"only the host name answers", {{"IPAddress", "10.0.0.5"}, {"HostName", "prn"}},
         {{"prn", "CMD:PDF;"}}, {{"10.0.0.5", "public"}, {"prn", "public"}}, 1, false},
        {"neither answers", {{"IPAddress", "10.0.0.5"}, {"HostName", "prn"}}, {},
         {{"10.0.0.5", "public"}, {"prn", "public"}}, 0, true},
        {"host name only", {{"HostName", "prn"}}, {{"prn", "CMD:PDF;"}}, {{"prn", "public"}}, 1, false},
        {"address only", {{"IPAddress", "10.0.0.5"}}, {{"10.0.0.5", "X"}}, {{"10.0.0.5", "public"}}, 1, false},
        {"both empty", {{"IPAddress", ""}, {"HostName", ""}}, {{"", "X"}}, {}, 0, true},
        {"neither value", {}, {}, {}, 0, true},
        {"empty community is kept", {{"SNMP Community", ""}, {"IPAddress", "10.0.0.5"}},
         {{"10.0.0.5", "X"}}, {{"10.0.0.5", ""}}, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f("IP_10.0.0.5");
        f.registry.keys[kStd + "IP_10.0.0.5"] = c.values;
        f.control.answers = c.answers;
        TraceCapture trace;
        std::string id;
        EXPECT_EQ(f.control.GetCurrentPrinterDeviceID(id), c.result);
        EXPECT_EQ(f.control.queries, c.queries);
        EXPECT_EQ(trace.Count("Not support : Standard TCP/IP Port"), c.vendorsTried ? 1 : 0);
        EXPECT_EQ(f.registry.openKeys, 0);
    }
}

TEST(PortRouting, VendorMonitorsAreAllAskedAndAnIdStands) {
    struct Case {
        const char* name;
        std::vector<std::string> keysWithIp;   // monitor key prefixes holding "IP", in creation order
        std::map<std::string, std::string> answers;
        const char* standardCommunity;          // nullptr: no standard key
        const char* ownCommunity;               // the vendor keys' "SNMP Community", if any
        int result;
        const char* id;
        Queries queries;
    };
    const std::vector<Case> cases = {
        {"Dell alone: the empty community, then public", {kDell}, {{"dell-ip/public", "CMD:PDF;"}}, nullptr, nullptr,
         1, "CMD:PDF;", {{"dell-ip", ""}, {"dell-ip", "public"}}},
        {"an agent of the empty community is asked once", {kDell}, {{"dell-ip/", "CMD:PDF;"}}, nullptr, nullptr, 1,
         "CMD:PDF;", {{"dell-ip", ""}}},
        {"the key's own community", {kRicoh}, {{"ricoh-ip/vend", "R"}}, nullptr, "vend", 1, "R",
         {{"ricoh-ip", ""}, {"ricoh-ip", "vend"}}},
        {"Corvath answers, Dell silent: Corvath stands", {kCorvath, kDell}, {{"corvath-ip", "CMD:PDF;"}}, nullptr,
         nullptr, 1, "CMD:PDF;", {{"corvath-ip", ""}, {"dell-ip", ""}, {"dell-ip", "public"}}},
        {"Corvath silent, Xerox answers", {kCorvath, kXerox}, {{"xerox-ip", "CMD:JPEG;"}}, nullptr, nullptr, 1,
         "CMD:JPEG;", {{"corvath-ip", ""}, {"corvath-ip", "public"}, {"xerox-ip", ""}}},
        {"two answer: the later decides", {kDell, kXerox, kRicoh, kCorvath}, {{"dell-ip", "D"}, {"ricoh-ip", "R"}},
         nullptr, nullptr, 1, "D", {{"corvath-ip", ""}, {"corvath-ip", "public"}, {"ricoh-ip", ""}, {"xerox-ip", ""},
                                    {"xerox-ip", "public"}, {"dell-ip", ""}}},
        {"standard key's community carries over", {kRicoh}, {{"ricoh-ip/corp", "R"}}, "corp", nullptr, 1, "R",
         {{"ricoh-ip", "corp"}}},
        {"none answers", {kXerox}, {}, "public", nullptr, 0, "", {{"xerox-ip", "public"}}},
    };
    const std::map<std::string, std::string> addressOf = {
        {kCorvath, "corvath-ip"}, {kRicoh, "ricoh-ip"}, {kXerox, "xerox-ip"}, {kDell, "dell-ip"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f("NPI1");
        for (const auto& prefix : c.keysWithIp) {
            f.registry.keys[prefix + "NPI1"] = {{"IP", addressOf.at(prefix)}};
            if (c.ownCommunity) f.registry.keys[prefix + "NPI1"]["SNMP Community"] = c.ownCommunity;
        }
        if (c.standardCommunity) f.registry.keys[kStd + "NPI1"] = {{"SNMP Community", c.standardCommunity}};
        f.control.answers = c.answers;
        TraceCapture trace;
        std::string id;
        EXPECT_EQ(f.control.GetCurrentPrinterDeviceID(id), c.result);
        EXPECT_EQ(id, c.id);
        EXPECT_EQ(f.control.queries, c.queries);   // in table order, whatever order the keys were made in
        EXPECT_EQ(f.registry.openKeys, 0);
    }
}

TEST(PortRouting, TracesTheLookupLineByLine) {
    Fixture f("NPI7");
    f.registry.keys[kStd + "NPI7"] = {{"IPAddress", "10.1.1.1"}, {"HostName", ""}};
    f.registry.keys[kXerox + "NPI7"] = {};
    f.registry.keys[kDell + "NPI7"] = {{"IP", ""}};
    TraceCapture trace;
    std::string id;
    EXPECT_EQ(f.control.GetCurrentPrinterDeviceID(id), 0);
    const std::vector<std::string> expected = {
        "PortName is NPI7",
        "NW IP Port",
        "Standard TCP/IP Port",
        "Success Open reg Key(IP Ports)",
        "[SNMP Community] Can't query ip reg value / default : public",
        "[HostName] Read IPAddress",
        "[IPAddress] IP is 10.1.1.1",
        "[IPAddress] GetNetworkDeviceID : ret : FALSE",
        "[HostName] Read HostName",
        "[HostName] Host is ",
        "[HostName] HostName is Empty",
        "Not support : Standard TCP/IP Port",
        "Corvath Network Printer Port",
        "Corvath : Can't Open reg Key(IP Ports)",
        "Multi Direct Print Type S",
        "Ricoh : Can't Open reg Key(IP Ports)",
        "Xerox Network Printer Port",
        "Xerox : Success Open reg Key(IP Ports)",
        "Xerox : Can't query ip reg value",
        "Dell Network Printer Port",
        "Dell : Success Open reg Key(IP Ports)",
        "IP is ",
        "GetCurrentPrinterDeviceID : strDeviceID : ",
    };
    EXPECT_EQ(trace.lines(), expected);
    // An empty vendor address is still passed on.
    EXPECT_EQ(f.control.queries, (Queries{{"10.1.1.1", "public"}, {"", "public"}}));

    Fixture g("NPI8");
    g.registry.keys[kStd + "NPI8"] = {{"SNMP Community", "c1"}, {"IPAddress", "10.1.1.1"}};
    g.control.answers = {{"10.1.1.1", "CMD:PDF;"}};
    TraceCapture trace2;
    EXPECT_EQ(g.control.GetCurrentPrinterDeviceID(id), 1);
    EXPECT_EQ(trace2.IndexOf("[SNMP Community] SNMP Community is c1"), 4);
    EXPECT_EQ(trace2.lines()[8], "[HostName] got IP Address from IPAddress KEY \n No more try");
    EXPECT_EQ(trace2.IndexOf("[HostName] Read HostName"), -1);

    Fixture h("NPI9");
    TraceCapture trace3;
    EXPECT_EQ(h.control.GetCurrentPrinterDeviceID(id), 0);
    EXPECT_EQ(trace3.lines()[3], "Can't Open reg Key(" + kStd + "NPI9)");
}

TEST(UsbReader, MatchesInterfacesByPortName) {
    struct Case {
        const char* name;
        std::vector<UsbInterface> interfaces;
        const char* port;
        int result;
        const char* id;
        int mismatches;
        const char* opened = nullptr;   // the device path opened, if any
        int enumFailsFrom = -1;
    };
    const std::string path = "\\\\?\\usb#vid_0000&pid_";
    UsbInterface enumFails = Interface("USB", 1, "x");
    enumFails.enumResult = DeviceIo::EnumResult::kFailed;
    UsbInterface keyFails = Interface("USB", 1, "x");
    keyFails.keyOpens = false;
    UsbInterface noNumber = Interface("USB", 1, "x");
    noNumber.portNumber.reset();
    const std::vector<Case> cases = {
        {"second of two", {Interface("USB", 1, "ONE"), Interface("USB", 2, "TWO")}, "USB002", 1, "TWO", 1, "2"},
        {"no base name", {Interface(std::nullopt, 3, "THREE")}, "USB003", 1, "THREE", 0, "3"},
        {"four digits", {Interface("USB", 1234, "BIG")}, "USB1234", 1, "BIG", 0, "1234"},
        {"whole names compared", {Interface("USB", 1, "x")}, "USB0010", 0, "", 1},
        {"other base name", {Interface("DOT4", 1, "x"), Interface("USB", 1, "Y")}, "USB001", 1, "Y", 1, "1"},
        {"no interfaces", {}, "USB001", 0, "", 0},
        {"failures skip to the next", {enumFails, keyFails, noNumber, Interface("USB", 1, "OK")}, "USB001", 1, "OK", 0, "1"},
        {"enumeration keeps failing", {Interface("USB", 2, "x")}, "USB001", 0, "", 1, nullptr, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f(c.port);
        f.device.usb = c.interfaces;
        f.device.enumFailsFrom = c.enumFailsFrom;
        TraceCapture trace;
        std::string id = "previous";
        EXPECT_EQ(f.control.GetLocalUSBDeviceID(c.port, id), c.result);
        EXPECT_EQ(id, c.id);
        EXPECT_EQ(trace.Count("[GetLocalUSBDeviceID] Port missmatch"), c.mismatches);
        EXPECT_EQ(f.device.open, 0);
        EXPECT_EQ(f.device.usbOpened, c.opened ? std::vector<std::string>{path + c.opened} : std::vector<std::string>{});
        EXPECT_EQ(trace.Count("[GetLocalUSBDeviceID] SetupDiEnumDeviceInterfaces failed 8 times in a row: no device"),
                  c.enumFailsFrom < 0 ? 0 : 1);
        EXPECT_LE(f.device.enumCalls, static_cast<int>(c.interfaces.size()) + 8);
    }
}

TEST(UsbReader, TakesTheReplyBehindTheLengthField) {
    std::string longText(400, 'A');
    longText[254] = 'B';
    longText[255] = 'C';
    struct Case {
        const char* name;
        std::vector<std::uint8_t> reply;
        std::size_t claimed;
        bool answers;
        std::string id;
    };
    const std::vector<Case> cases = {
        {"normal", UsbReply("MFG:A;CMD:PDF;"), 0, true, "MFG:A;CMD:PDF;"},
        {"no bytes", {}, 0, true, ""},
        {"one byte", {0x00}, 0, true, ""},
        {"only the length", {0x00, 0x00}, 0, true, ""},
        {"300 bytes", UsbReply(longText.substr(0, 298)), 0, true, longText.substr(0, 298)},
        {"driver claims more than the buffer", UsbReply(longText), 100000, true, longText},
        {"command set behind 255 bytes", UsbReply(LongId(259)), 0, true, LongId(259)},
        {"no length field", {'C', 'M', 'D', ':', 'P', 'D', 'F', ';'}, 0, true, "CMD:PDF;"},
        {"length low byte first", UsbReplyLowFirst(LongId(48)), 0, true, LongId(48)},
        {"request fails", UsbReply("CMD:PDF;"), 0, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f("USB001");
        UsbInterface i = Interface("USB", 1, "");
        i.reply = c.reply;
        i.claimed = c.claimed;
        i.answers = c.answers;
        f.device.usb = {i};
        TraceCapture trace;
        std::string id;
        EXPECT_EQ(f.control.GetLocalUSBDeviceID("USB001", id), 1);
        EXPECT_EQ(id, c.id);
        EXPECT_EQ(trace.Count("[IO Module] DeviceIoControl() =  " + c.id), 1);
    }
}

TEST(UsbReader, FailsWhenTheDeviceCannotBeReached) {
    struct Case {
        const char* name;
        bool setOpens;
        DeviceIo::DetailResult detail;
        bool opens;
        const char* line;
    };
    const Case cases[] = {
        {"no interface set", false, DeviceIo::DetailResult::kOk, true,
         "[IO Module] QLUSBOPEN: SetupDiGetClassDevs fail!! (13)"},
        {"detail allocation", true, DeviceIo::DetailResult::kAllocFailed, true,
         "[GetLocalUSBDeviceID] Error in GetUSBControlPortName = psp_ddi = 0"},
        {"detail query", true, DeviceIo::DetailResult::kFailed, true,
         "[GetLocalUSBDeviceID] Error in SetupDiGetDeviceInterfaceDetail"},
        {"device busy", true, DeviceIo::DetailResult::kOk, false, "[IO Module] Error in CreateFile"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f("USB001");
        UsbInterface i = Interface("USB", 1, "CMD:PDF;");
        i.detail = c.detail;
        i.opens = c.opens;
        f.device.usb = {i};
        f.device.setOpens = c.setOpens;
        TraceCapture trace;
        std::string id = "previous";
        EXPECT_EQ(f.control.GetLocalUSBDeviceID("USB001", id), 0);
        EXPECT_EQ(id, "");
        EXPECT_EQ(trace.Count(c.line), 1);
        EXPECT_EQ(f.device.open, 0);
    }
}

TEST(ParallelReader, TriesTheFiveAttemptsInOrder) {
    const std::vector<std::string> names = {"\\\\.\\LPT1", "\\\\.\\LPT1.4", "\\\\NONSPOOLED_LPT1",
                                            "\\\\.\\DgivEcp1", "\\\\.\\DgivEcp1"};
    struct Case {
        const char* name;
        std::map<std::string, ParallelDevice> devices;
        int result;
        std::string id;
        int attempts;
        unsigned slept;
    };
    ParallelDevice lengthFirst;
    lengthFirst.reply = {0x00, 0x08, 'C', 'M', 'D', ':', 'P', 'D', 'F', ';'};   // not counting itself
    ParallelDevice textFirst;
    textFirst.reply = {'C', 'M', 'D', ':', 'P', 'N', 'G', ';', 0, 'x'};
    ParallelDevice ioctlFails;
    ioctlFails.ioctlError = 31;
    ParallelDevice full;
    full.reply.assign(260, 'Z');
    full.claimed = 5000;
    ParallelDevice oneZero;
    oneZero.reply = {0x00};
    ParallelDevice length256;   // the length's low byte is zero
    length256.reply = UsbReply(LongId(254));
    ParallelDevice length261;   // the length's high byte is not
    length261.reply = UsbReply(LongId(259));
    ParallelDevice lowFirst;   // 0x32 0x00: read most significant first, more than any reply holds
    lowFirst.reply = UsbReplyLowFirst(LongId(48));
    const std::vector<Case> cases = {
        {"first answers", {{names[0], textFirst}}, 1, "CMD:PNG;", 1, 0},
        {"only LPT1.4", {{names[1], lengthFirst}}, 1, "CMD:PDF;", 2, 0},
        {"ioctl fails on LPT1", {{names[0], ioctlFails}, {names[2], textFirst}}, 1, "CMD:PNG;", 3, 0},
        {"none", {}, 0, "", 5, 1000},
        {"all fail to answer", {{names[0], ioctlFails}, {names[3], ioctlFails}}, 0, "", 5, 1000},
        {"only the ECP port", {{names[3], textFirst}}, 1, "CMD:PNG;", 4, 0},
        {"full buffer", {{names[0], full}}, 1, std::string(260, 'Z'), 1, 0},
        {"256 bytes with the length", {{names[0], length256}}, 1, LongId(254), 1, 0},
        {"261 bytes with the length", {{names[0], length261}}, 1, LongId(259), 1, 0},
        {"length low byte first", {{names[0], lowFirst}}, 1, LongId(48), 1, 0},
        {"a single zero byte", {{names[0], oneZero}}, 1, "", 1, 0},
    };
    const std::vector<std::string> failures = {
        "GetLocalLPTDeviceID : LPT1_PORT GetDeviceID Fail", "GetLocalLPTDeviceID : LPT1_4_PORT GetDeviceID Fail",
        "GetLocalLPTDeviceID : NONSPOOLED_LPT1 GetDeviceID Fail", "GetLocalLPTDeviceID : VECP_PORT GetDeviceID Fail",
        "GetLocalLPTDeviceID : ALL GetDeviceID Fail"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f("LPT3:");
        f.device.parallel = c.devices;
        TraceCapture trace;
        std::string id = "previous";
        EXPECT_EQ(f.control.GetLocalLPTDeviceID("LPT3:", id), c.result);
        EXPECT_EQ(id, c.id);
        // The one wait sits between the two ECP attempts.
        std::vector<std::string> events;
        std::vector<unsigned long> codes;
        for (int i = 0; i < c.attempts; ++i) {
            events.push_back("open " + names[i]);
            if (i == 3 && c.attempts == 5) events.push_back("sleep 1000");
            if (c.devices.count(names[i]) && !c.devices.at(names[i]).openError) codes.push_back(i < 3 ? 0x11 : 0x16000C);
        }
        EXPECT_EQ(f.device.parallelEvents, events);
        EXPECT_EQ(f.device.parallelCodes, codes);
        EXPECT_EQ(f.device.slept, c.slept);
        int failed = c.result ? c.attempts - 1 : c.attempts;
        for (int i = 0; i < 5; ++i) EXPECT_EQ(trace.Count(failures[i]), i < failed ? 1 : 0) << failures[i];
        if (!c.result) {
            EXPECT_EQ(trace.lines().back(), failures[4]);
        }
        EXPECT_EQ(f.device.open, 0);
    }
    Fixture f("LPT1:");
    std::string id;
    f.control.GetLocalLPTDeviceID("LPT1:", id);
    EXPECT_EQ(f.device.parallelCodes.size(), 0u);   // nothing opened, nothing asked
}
