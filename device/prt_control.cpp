#include "device/prt_control.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "base/debug_log.h"
#include "device/device_id_pairs.h"
#include "snmp/snmp.h"
#include "spooler/spooler_access.h"

const char kFilePortDeviceID[] = "CMD:PDF,JPEG,BMP,PNG,TIFF;";

namespace {

constexpr std::size_t kIdBufferSize = 260;
constexpr std::size_t kUsbReplySize = 4096;
constexpr std::size_t kUsbMaxIdLength = 255;
constexpr int kMaxUsbEnumFailures = 8;

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

const char kStandardPortKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\";

struct VendorMonitor {
    const char* name;
    const char* keyPath;   // the port name follows
    const char* cannotOpen;
    const char* opened;
    const char* cannotRead;
};

const VendorMonitor kVendorMonitors[] = {
    {"Corvath Network Printer Port",
     "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Corvath Network Printer Port\\",
     "Corvath : Can't Open reg Key(IP Ports)", "Corvath : Success Open reg Key(IP Ports)",
     "Corvath : Can't query ip reg value"},
    {"Multi Direct Print Type S",
     "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Multi Direct Print Type S\\",
     "Ricoh : Can't Open reg Key(IP Ports)", "Ricoh : Success Open reg Key(IP Ports)",
     "Ricoh : Can't query ip reg value"},
    {"Xerox Network Printer Port",
     "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Xerox Network Printer Port\\",
     "Xerox : Can't Open reg Key(IP Ports)", "Xerox : Success Open reg Key(IP Ports)",
     "Xerox : Can't query ip reg value"},
    {"Dell Network Printer Port",
     "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Dell Network Printer Port\\",
     "Dell : Can't Open reg Key(IP Ports)", "Dell : Success Open reg Key(IP Ports)",
     "Dell : Can't query ip reg value"},
};

struct ParallelAttempt {
    const char* device;
    unsigned long code;
    const char* failure;
};

const ParallelAttempt kParallelAttempts[] = {
    {"\\\\.\\LPT1", 0x00000011, "GetLocalLPTDeviceID : LPT1_PORT GetDeviceID Fail"},
    {"\\\\.\\LPT1.4", 0x00000011, "GetLocalLPTDeviceID : LPT1_4_PORT GetDeviceID Fail"},
    {"\\\\NONSPOOLED_LPT1", 0x00000011, "GetLocalLPTDeviceID : NONSPOOLED_LPT1 GetDeviceID Fail"},
    {"\\\\.\\DgivEcp1", 0x0016000C, "GetLocalLPTDeviceID : VECP_PORT GetDeviceID Fail"},
    {"\\\\.\\DgivEcp1", 0x0016000C, "GetLocalLPTDeviceID : ALL GetDeviceID Fail"},
};
constexpr int kAttemptBeforeWait = 3;   // the first of the two ECP attempts

}  // namespace

CPrtControl::CPrtControl(const CTestPrint& printers, DeviceIo& device, RegistryReader& registry)
    : m_printers(printers), m_device(device), m_registry(registry) {}

int CPrtControl::GetCurrentPrinterDeviceID(std::string& strDeviceID) {
    // Every path ends with the ID it found or with none: a caller's old text never survives.
    strDeviceID.clear();
    std::string port = m_printers.GetPortName(m_printers.GetCurrentPrinter());
    DebugLog("PortName is %s", port.c_str());

    int result = 0;
    if (StartsWith(port, "USB")) {
        DebugLog("USB Port");
        result = GetLocalUSBDeviceID(port, strDeviceID);
    } else if (StartsWith(port, "LPT")) {
        DebugLog("Parallel Port");
        result = GetLocalLPTDeviceID(port, strDeviceID);
    } else if (StartsWith(port, "FILE")) {
        DebugLog("FILE");
        strDeviceID = kFilePortDeviceID;
        result = 1;
    } else {
        result = GetNetworkPortDeviceID(port, strDeviceID);
    }
    DebugLog("GetCurrentPrinterDeviceID : strDeviceID : %s", strDeviceID.c_str());
    return result;
}

int CPrtControl::GetNetworkPortDeviceID(const std::string& port, std::string& strDeviceID) {
    // Walked once in silence with every query failing, the keys name every
    // source a lookup can come to, in the order it comes to them: those are
    // asked at once. The traced walk then takes their answers in that order.
    std::vector<NetworkSource> sources;
    std::string unused;
    WalkNetworkSources(
        port, unused,
        [&sources](const std::string& address, const std::string& community, std::string&) {
            sources.push_back({address, community});
            return 0;
        },
        false);
    NetworkDeviceIdReads reads(std::move(sources));
    m_pReads = &reads;
    m_lastResort.reset();
    int result = WalkNetworkSources(
        port, strDeviceID,
        [this](const std::string& address, const std::string& community, std::string& deviceID) {
            return GetNetworkDeviceID(address, community, deviceID);
        },
        true);
    if (result != 1) result = GetStandardDeviceID(strDeviceID);
    if (result != 1 && m_lastResort) {
        // The printer answered, but no source named what it interprets.
        DebugLog("[CPrtControl] No source has a command set; the first answer stands: %s", m_lastResort->c_str());
        strDeviceID = *m_lastResort;
        result = 1;
    }
    m_lastResort.reset();
    m_pReads = nullptr;
    return result;
}

void CPrtControl::KeepLastResort(const std::string& deviceID) {
    if (!m_lastResort) m_lastResort = deviceID;
}

int CPrtControl::GetStandardDeviceID(std::string& strDeviceID) {
    strDeviceID.clear();
    if (m_pReads == nullptr) return 0;
    const std::vector<NetworkSource>& targets = m_pReads->StandardTargets();
    for (std::size_t kind = 0; kind < kStandardSourceCount; ++kind) {
        const char* name = StandardSourceName(kind);
        for (std::size_t t = 0; t < targets.size(); ++t) {
            DebugLog("[%s] IP is %s", name, targets[t].address.c_str());
            StandardAnswer answer = m_pReads->Standard(kind, t);
            if (!answer.note.empty()) DebugLog("[%s] %s", name, answer.note.c_str());
            if (answer.found) {
                DebugLog("[%s] Success. Device ID is %s", name, answer.id.c_str());
            } else {
                DebugLog("[%s] Failed / %s", name, answer.failure.c_str());
            }
            DebugLog("[%s] GetNetworkDeviceID : ret : %s", name, answer.found ? "TRUE" : "FALSE");
            if (answer.found) {
                strDeviceID = answer.id;
                return 1;
            }
            if (answer.answered) KeepLastResort(answer.id);
        }
    }
    return 0;
}

int CPrtControl::WalkNetworkSources(const std::string& port, std::string& strDeviceID, const AskSource& ask,
                                    bool traced) {
    auto Trace = [traced](const char* line) {
        if (traced) DebugLog("%s", line);
    };
    auto TraceValue = [traced](const char* format, const char* value) {
        if (traced) DebugLog(format, value);
    };
    Trace("NW IP Port");
    std::string community;
    int result = 0;
    char value[kIdBufferSize];

    Trace("Standard TCP/IP Port");
    std::string key = kStandardPortKey + port;
    if (!m_registry.OpenLocalMachineKey(key)) {
        TraceValue("Can't Open reg Key(%s)", key.c_str());
    } else {
        Trace("Success Open reg Key(IP Ports)");
        if (m_registry.QueryValue("SNMP Community", value, sizeof(value))) {
            community = value;
            TraceValue("[SNMP Community] SNMP Community is %s", community.c_str());
        } else {
            Trace("[SNMP Community] Can't query ip reg value / default : public");
            community = "public";
        }

        bool answered = false;
        Trace("[HostName] Read IPAddress");
        if (!m_registry.QueryValue("IPAddress", value, sizeof(value))) {
            Trace("[IPAddress]Can't query ip reg value");
        } else {
            TraceValue("[IPAddress] IP is %s", value);
            if (value[0] != '\0') {
                result = ask(value, community, strDeviceID);
                TraceValue("[IPAddress] GetNetworkDeviceID : ret : %s", result == 1 ? "TRUE" : "FALSE");
            } else {
                Trace("[IPAddress] IPAddress is Empty");
            }
            if (result == 1) {
                Trace("[HostName] got IP Address from IPAddress KEY \n No more try");
                answered = true;
            }
        }
        if (!answered) {
            Trace("[HostName] Read HostName");
            if (!m_registry.QueryValue("HostName", value, sizeof(value))) {
                Trace("[HostName] Can't query ip reg value");
            } else {
                TraceValue("[HostName] Host is %s", value);
                if (value[0] != '\0') {
                    result = ask(value, community, strDeviceID);
                    TraceValue("[HostName] GetNetworkDeviceID : ret : %s", result == 1 ? "TRUE" : "FALSE");
                } else {
                    Trace("[HostName] HostName is Empty");
                    result = 0;
                }
            }
        }
        m_registry.CloseKey();
        if (result == 1) return result;
    }

    // The vendor monitors are all asked, in order. A monitor's ID stands until
    // a later one gives another: a silent monitor takes nothing away.
    Trace("Not support : Standard TCP/IP Port");
    for (const VendorMonitor& monitor : kVendorMonitors) {
        Trace(monitor.name);
        if (!m_registry.OpenLocalMachineKey(monitor.keyPath + port)) {
            Trace(monitor.cannotOpen);
            continue;
        }
        Trace(monitor.opened);
        if (!m_registry.QueryValue("IP", value, sizeof(value))) {
            Trace(monitor.cannotRead);
            m_registry.CloseKey();
            continue;
        }
        TraceValue("IP is %s", value);
        const std::string address = value;
        // Agents drop requests of a community they do not know, and a port that
        // only a vendor monitor keeps has none: it is asked as ever, and also
        // with the key's own community, or "public".
        const std::string own =
            m_registry.QueryValue("SNMP Community", value, sizeof(value)) ? std::string(value) : "public";
        m_registry.CloseKey();
        std::string deviceID;
        int answered = ask(address, community, deviceID);
        if (answered != 1 && own != community && !address.empty()) answered = ask(address, own, deviceID);
        if (answered == 1) {
            result = 1;
            strDeviceID = deviceID;
        }
    }
    return result;
}

// ---- USB ---------------------------------------------------------------------

int CPrtControl::GetLocalUSBDeviceID(const std::string& portName, std::string& strDeviceID) {
    strDeviceID.clear();
    unsigned long error = 0;
    if (!m_device.OpenUsbInterfaceSet(&error)) {
        DebugLog("[IO Module] QLUSBOPEN: SetupDiGetClassDevs fail!! (%d)\n", static_cast<int>(error));
        return 0;
    }

    int failures = 0;   // consecutive failed enumerations
    for (unsigned index = 0;; ++index) {
        DebugLog("[GetLocalUSBDeviceID] SetupDiEnumDeviceInterfaces's MemberIndex : %d",
                 static_cast<int>(index));
        DeviceIo::EnumResult found = m_device.EnumUsbInterface(index);
        if (found == DeviceIo::EnumResult::kNoMoreItems) {
            DebugLog("[GetLocalUSBDeviceID] SetupDiEnumDeviceInterfaces : ERROR_NO_MORE_ITEMS ");
            m_device.CloseUsbInterfaceSet();
            return 0;
        }
        if (found != DeviceIo::EnumResult::kFound) {
            // A set that fails every index without ever saying "no more items"
            // would keep the loop going for ever (the index only wraps).
            if (++failures == kMaxUsbEnumFailures) {
                DebugLog("[GetLocalUSBDeviceID] SetupDiEnumDeviceInterfaces failed %d times in a row: no device",
                         kMaxUsbEnumFailures);
                m_device.CloseUsbInterfaceSet();
                return 0;
            }
            continue;
        }
        failures = 0;

        DebugLog("[GetLocalUSBDeviceID]  after SetupDiEnumDeviceInterfaces : i : %d", static_cast<int>(index));
        if (!m_device.OpenUsbInterfaceKey()) {
            DebugLog("[GetLocalUSBDeviceID] SetupDiOpenDeviceInterfaceRegKey() Fail!");
            continue;
        }
        std::uint32_t portNumber = 0;
        if (!m_device.ReadUsbPortNumber(&portNumber)) {
            DebugLog("[GetLocalUSBDeviceID] Get Port Name Fail!");
            m_device.CloseUsbInterfaceKey();
            continue;
        }
        char baseName[kIdBufferSize] = {};
        if (!m_device.ReadUsbBaseName(baseName, sizeof(baseName))) {
            DebugLog("[GetLocalUSBDeviceID] Get Base Name Fail!");
            std::strcpy(baseName, "USB");
        }
        baseName[sizeof(baseName) - 1] = '\0';
        m_device.CloseUsbInterfaceKey();

        std::string szPortName = baseName + [&] {
            char digits[16];
            std::snprintf(digits, sizeof(digits), "%03u", static_cast<unsigned>(portNumber));
            return std::string(digits);
        }();
        DebugLog("[GetLocalUSBDeviceID] szPortName = %s", szPortName.c_str());
        DebugLog("[GetLocalUSBDeviceID] Selected Port Number = %s", portName.c_str());
        if (szPortName != portName) {
            DebugLog("[GetLocalUSBDeviceID] Port missmatch");
            continue;
        }
        DebugLog("[GetLocalUSBDeviceID] Found USB Device");
        break;
    }

    std::string path;
    switch (m_device.GetUsbInterfacePath(&path)) {
        case DeviceIo::DetailResult::kAllocFailed:
            m_device.CloseUsbInterfaceSet();
            DebugLog("[GetLocalUSBDeviceID] Error in GetUSBControlPortName = psp_ddi = %x", 0u);
            return 0;
        case DeviceIo::DetailResult::kFailed:
            m_device.CloseUsbInterfaceSet();
            DebugLog("[GetLocalUSBDeviceID] Error in SetupDiGetDeviceInterfaceDetail");
            return 0;
        case DeviceIo::DetailResult::kOk:
            break;
    }

    int result = 0;
    DebugLog("[IsSupportQELLocalUSBPrinter] Symbolic = %s", path.c_str());
    if (!m_device.OpenUsbDevice(path)) {
        DebugLog("[IO Module] Error in CreateFile");
    } else {
        std::vector<std::uint8_t> reply(kUsbReplySize, 0);
        std::size_t returned = 0;
        char text[kIdBufferSize] = {};
        if (m_device.RequestUsb1284Id(reply.data(), reply.size(), &returned)) {
            // Two length bytes, then the text; a driver that claims more than the
            // buffer holds is taken at the buffer's size.
            if (returned > reply.size()) returned = reply.size();
            std::size_t length = returned >= 2 ? returned - 2 : 0;
            if (length > kUsbMaxIdLength) length = kUsbMaxIdLength;
            std::memcpy(text, reply.data() + 2, length);
            text[length] = '\0';
            strDeviceID = text;
        }
        DebugLog("[IO Module] DeviceIoControl() =  %s", text);
        m_device.CloseUsbDevice();
        result = 1;
    }
    m_device.CloseUsbInterfaceSet();
    return result;
}

// ---- parallel port -----------------------------------------------------------

int CPrtControl::GetLocalLPTDeviceID(const std::string& /*portName*/, std::string& strDeviceID) {
    char id[kIdBufferSize] = {};
    int attempt = 0;
    const int attempts = static_cast<int>(sizeof(kParallelAttempts) / sizeof(kParallelAttempts[0]));
    for (; attempt < attempts; ++attempt) {
        const ParallelAttempt& a = kParallelAttempts[attempt];
        if (GetDeviceID(a.device, a.code, id) == 0) break;
        if (attempt == kAttemptBeforeWait) m_device.Sleep(1000);
        DebugLog("%s", a.failure);
    }
    if (attempt == attempts) {
        strDeviceID.clear();
        return 0;
    }
    DebugLog("GetLocalLPTDeviceID : Device ID from Parallel = %s\n", id);
    strDeviceID = id;
    return 1;
}

unsigned long CPrtControl::GetDeviceID(const char* deviceName, unsigned long controlCode, char* buffer) {
    unsigned long error = 0;
    if (!m_device.OpenParallel(deviceName, &error)) {
        DebugLog("CreateFile Fail");
        return error ? error : 1;
    }
    std::vector<std::uint8_t> reply(kIdBufferSize, 0);
    std::size_t returned = 0;
    if (!m_device.ParallelIoctl(controlCode, reply.data(), reply.size(), &returned, &error)) {
        DebugLog("DeviceIoControl Fail");
        m_device.CloseParallel();
        return error ? error : 1;
    }
    m_device.CloseParallel();
    if (returned > reply.size()) returned = reply.size();

    // A reply that starts with a zero byte carries a two-byte length first.
    std::size_t start = (returned >= 1 && reply[0] == 0) ? 2 : 0;
    std::size_t length = 0;
    while (start + length < reply.size() && length < kIdBufferSize - 1 && reply[start + length] != 0) {
        ++length;
    }
    std::memcpy(buffer, reply.data() + start, length);
    buffer[length] = '\0';
    DebugLog("Device ID = (%s) [%d]\n", buffer, static_cast<int>(returned));
    return 0;
}

// ---- network -----------------------------------------------------------------

int CPrtControl::GetNetworkDeviceID(std::string address, std::string community,
                                    std::string& pNetworkDeviceID) {
    pNetworkDeviceID.clear();
    SNMPStartup();
    DebugLog("[CPrtControl] GetNetworkDeviceID : IP Address :  %s", address.c_str());
    DebugLog("[CPrtControl] GetNetworkDeviceID : SNMP Community :  %s", community.c_str());

    DeviceIdAnswer answer;
    if (m_pReads) {
        answer = m_pReads->Next(address, community);
    } else {
        NetworkDeviceIdReads alone({});   // the private object only, asked on its own
        answer = alone.Next(address, community);
    }

    int bRet = 0;
    if (answer.code != 0) {
        DebugLog("Failed to SNMP get/ %s", SNMPManager::errorToString(answer.code));
    } else if (answer.octetString) {
        DebugLog("Success MIB Value. USB Device ID is %s", answer.text.c_str());
        if (HasCommandSet(answer.text)) {
            pNetworkDeviceID = answer.text;
            bRet = 1;
        } else {
            // Incomplete: the next source may have the whole ID.
            DebugLog("[CPrtControl] GetNetworkDeviceID : no command set; asking on");
            KeepLastResort(answer.text);
        }
    } else {
        DebugLog("Failed to MIB Value.");
    }
    SNMPCleanup();
    DebugLog("GetNetworkDeviceID / pNetworkDeviceID / %s", pNetworkDeviceID.c_str());
    DebugLog("GetNetworkDeviceID / bRet / %d", bRet);
    return bRet;
}
