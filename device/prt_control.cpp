#include "device/prt_control.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "base/debug_log.h"
#include "device/lookup/device_id_pairs.h"
#include "device/lookup/walk.h"
#include "snmp/snmp.h"
#include "spooler/spooler_access.h"

const char kFilePortDeviceID[] = "CMD:PDF,JPEG,BMP,PNG,TIFF;";

namespace {

constexpr std::size_t kIdBufferSize = 260;
// What a local device may send as its ID, over USB and the parallel port alike;
// the whole of it is kept, as a command set late in a long ID is no less needed.
constexpr std::size_t kReplySize = 4096;
constexpr int kMaxUsbEnumFailures = 8;

// The ID text of a device's reply of `returned` bytes (a driver claiming more
// is held to the buffer).
std::string IdFromReply(const std::vector<std::uint8_t>& reply, std::size_t returned) {
    return DeviceIdText(reply.data(), std::min(returned, reply.size()), reply.size());
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

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

// The printer URI IPP asked at an address when no URI was known.
std::string IppUriOf(const std::string& address) {
    const bool literal6 = address.find(':') != std::string::npos;
    return "ipp://" + (literal6 ? "[" + address + "]" : address) + ":631/ipp/print";
}

}  // namespace

CPrtControl::CPrtControl(const CTestPrint& printers, DeviceIo& device, RegistryReader& registry,
                         PrinterPlaces& places)
    : m_pPrinters(&printers), m_device(device), m_registry(registry), m_places(places) {}

CPrtControl::CPrtControl(DeviceIo& device, RegistryReader& registry, PrinterPlaces& places)
    : m_pPrinters(nullptr), m_device(device), m_registry(registry), m_places(places) {}

int CPrtControl::GetCurrentPrinterDeviceID(std::string& strDeviceID) {
    PrinterPlace current;
    if (m_pPrinters) {
        const int index = m_pPrinters->GetCurrentPrinter();
        current = PrinterPlace{m_pPrinters->GetPrinterName(index), m_pPrinters->GetPortName(index)};
    }
    return GetPrinterDeviceID(current, strDeviceID);
}

int CPrtControl::GetPrinterDeviceID(const PrinterPlace& printer, std::string& strDeviceID) {
    // Every path ends with the ID it found or with none: a caller's old text never survives.
    strDeviceID.clear();
    m_strSource.clear();
    m_printerState = PrinterState();
    m_stateTarget = StateTarget();
    m_nStateTarget = kNoTarget;
    const std::string& port = printer.portName;
    DebugLog("PortName is %s", port.c_str());

    int result = 0;
    if (StartsWith(port, "USB")) {
        DebugLog("USB Port");
        result = GetLocalUSBDeviceID(port, strDeviceID);
        m_strSource = "USB";
    } else if (StartsWith(port, "LPT")) {
        DebugLog("Parallel Port");
        result = GetLocalLPTDeviceID(port, strDeviceID);
        m_strSource = "parallel";
    } else if (StartsWith(port, "FILE")) {
        DebugLog("FILE");
        strDeviceID = kFilePortDeviceID;
        m_strSource = "FILE port";
        result = 1;
    } else {
        result = GetNetworkPortDeviceID(printer, strDeviceID);
    }
    if (strDeviceID.empty()) m_strSource.clear();
    DebugLog("GetCurrentPrinterDeviceID : strDeviceID : %s", strDeviceID.c_str());
    return result;
}

int CPrtControl::GetNetworkPortDeviceID(const PrinterPlace& place, std::string& strDeviceID) {
    DebugLog("NW IP Port");
    // One pass reads every place and names every candidate the walk may come
    // to, in the order it comes to them: those are asked at once. The walk
    // then goes along what was read, taking their answers in that order.
    LookupWalk walk(m_registry, m_places);
    ReadEveryPlace(place, walk);
    LookupBatch batch(walk.Candidates(), walk.uriTargets, m_places.Tls(), walk.begun + kLookupTime);
    m_pBatch = &batch;
    m_lastResort.reset();
    // An ID stands until a later candidate gives another: one that stays
    // silent takes nothing away.
    int result = walk.Decide([](const std::string& line) { DebugLog("%s", line.c_str()); },
                             [this, &strDeviceID, &batch](const Candidate& candidate) {
                                 std::string deviceID;
                                 const int answered =
                                     GetNetworkDeviceID(candidate.address, candidate.community, deviceID);
                                 if (answered == 1) {
                                     strDeviceID = deviceID;
                                     m_strSource = std::string("SNMP ") + kDeviceIdOid + " at " + candidate.address +
                                                   (candidate.rank < kRankVendorMonitors   ? " (Standard TCP/IP port)"
                                                    : candidate.rank < kRankPrinterPlaces ? " (vendor port monitor)"
                                                                                          : " (printer's port or device)");
                                     m_stateTarget = StateTarget{candidate.address, candidate.community, std::string()};
                                     m_nStateTarget = kNoTarget;
                                     for (std::size_t t = 0; t < batch.Targets().size(); ++t) {
                                         const Candidate& target = batch.Targets()[t];
                                         if (m_nStateTarget == kNoTarget && !target.ippOnly &&
                                             target.address == candidate.address &&
                                             target.community == candidate.community)
                                             m_nStateTarget = t;
                                     }
                                 }
                                 return answered;
                             });
    if (result != 1) result = GetStandardDeviceID(strDeviceID);
    if (result != 1 && m_lastResort) {
        // The printer answered, but no question named what it interprets.
        DebugLog("[CPrtControl] No source has a command set; the first answer stands: %s", m_lastResort->c_str());
        strDeviceID = *m_lastResort;
        m_strSource = m_strLastResortSource;
        result = 1;
    }
    m_lastResort.reset();
    // The state of the printer whose answer decided, asked in the same batch.
    if (result == 1 && m_nStateTarget != kNoTarget) {
        m_printerState = batch.StateOf(m_nStateTarget);
        DebugLog("[CPrtControl] Printer state : %s (%s) / page counter : %lld",
                 PrinterConditionName(m_printerState.condition), m_printerState.reported.c_str(),
                 m_printerState.pageCount);
    }
    m_nStateTarget = kNoTarget;
    m_pBatch = nullptr;
    return result;
}

void CPrtControl::KeepLastResort(const std::string& deviceID, const std::string& source) {
    if (!m_lastResort) m_strLastResortSource = source;
    if (!m_lastResort) m_lastResort = deviceID;
}

int CPrtControl::GetStandardDeviceID(std::string& strDeviceID) {
    strDeviceID.clear();
    if (m_pBatch == nullptr) return 0;
    const std::vector<Candidate>& targets = m_pBatch->Targets();
    for (std::size_t kind = 0; kind < kQuestionCount; ++kind) {
        const char* name = kQuestions[kind].name;
        for (std::size_t t = 0; t < targets.size(); ++t) {
            if (!m_pBatch->Asks(kind, t)) continue;
            DebugLog("[%s] IP is %s", name, targets[t].address.c_str());
            QuestionAnswer answer = m_pBatch->Answer(kind, t);
            if (!answer.note.empty()) DebugLog("[%s] %s", name, answer.note.c_str());
            if (answer.found) {
                DebugLog("[%s] Success. Device ID is %s", name, answer.id.c_str());
            } else {
                DebugLog("[%s] Failed / %s", name, answer.failure.c_str());
            }
            DebugLog("[%s] GetNetworkDeviceID : ret : %s", name, answer.found ? "TRUE" : "FALSE");
            const std::string source = std::string(name) + " at " + (targets[t].uri.empty() ? targets[t].address : targets[t].uri);
            if (answer.found) {
                strDeviceID = answer.id;
                m_strSource = source;
                m_nStateTarget = t;
                m_stateTarget = kQuestions[kind].perCommunity
                                    ? StateTarget{targets[t].address, targets[t].community, std::string()}
                                    : StateTarget{std::string(), std::string(),
                                                  targets[t].uri.empty() ? IppUriOf(targets[t].address) : targets[t].uri};
                return 1;
            }
            if (answer.answered) KeepLastResort(answer.id, source);
        }
    }
    return 0;
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
        std::vector<std::uint8_t> reply(kReplySize, 0);
        std::size_t returned = 0;
        if (m_device.RequestUsb1284Id(reply.data(), reply.size(), &returned)) {
            strDeviceID = IdFromReply(reply, returned);
        }
        DebugLog("[IO Module] DeviceIoControl() =  %s", strDeviceID.c_str());
        m_device.CloseUsbDevice();
        result = 1;
    }
    m_device.CloseUsbInterfaceSet();
    return result;
}

// ---- parallel port -----------------------------------------------------------

int CPrtControl::GetLocalLPTDeviceID(const std::string& /*portName*/, std::string& strDeviceID) {
    std::string id;
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
    DebugLog("GetLocalLPTDeviceID : Device ID from Parallel = %s\n", id.c_str());
    strDeviceID = id;
    return 1;
}

unsigned long CPrtControl::GetDeviceID(const char* deviceName, unsigned long controlCode, std::string& id) {
    unsigned long error = 0;
    if (!m_device.OpenParallel(deviceName, &error)) {
        DebugLog("CreateFile Fail");
        return error ? error : 1;
    }
    std::vector<std::uint8_t> reply(kReplySize, 0);
    std::size_t returned = 0;
    if (!m_device.ParallelIoctl(controlCode, reply.data(), reply.size(), &returned, &error)) {
        DebugLog("DeviceIoControl Fail");
        m_device.CloseParallel();
        return error ? error : 1;
    }
    m_device.CloseParallel();
    id = IdFromReply(reply, returned);
    DebugLog("Device ID = (%s) [%d]\n", id.c_str(), static_cast<int>(returned));
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
    if (m_pBatch) {
        answer = m_pBatch->Next(address, community);
    } else {
        // The private object only, asked on its own.
        LookupBatch alone({}, {}, m_places.Tls(), std::chrono::steady_clock::now() + kLookupTime);
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
            KeepLastResort(answer.text, std::string("SNMP ") + kDeviceIdOid + " at " + address);
        }
    } else {
        DebugLog("Failed to MIB Value.");
    }
    SNMPCleanup();
    DebugLog("GetNetworkDeviceID / pNetworkDeviceID / %s", pNetworkDeviceID.c_str());
    DebugLog("GetNetworkDeviceID / bRet / %d", bRet);
    return bRet;
}
