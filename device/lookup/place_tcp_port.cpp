// The Standard TCP/IP Port monitor's key of the port: its community, then its
// address, then its host name when the address gives no device ID.
#include "device/lookup/walk.h"

namespace {

const char kStandardPortKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\";
constexpr std::size_t kValueSize = 260;

// The two values that may name the printer, in the order they are asked.
struct AddressValue {
    const char* name;
    const char* reading;
    const char* cannotRead;
    const char* found;   // the value follows
    const char* empty;
    const char* asked;   // "TRUE" or "FALSE" follows
    const char* answered;   // when it gave the device ID, or nullptr
};
const AddressValue kAddressValues[] = {
    {"IPAddress", "[HostName] Read IPAddress", "[IPAddress]Can't query ip reg value", "[IPAddress] IP is ",
     "[IPAddress] IPAddress is Empty", "[IPAddress] GetNetworkDeviceID : ret : ",
     "[HostName] got IP Address from IPAddress KEY \n No more try"},
    {"HostName", "[HostName] Read HostName", "[HostName] Can't query ip reg value", "[HostName] Host is ",
     "[HostName] HostName is Empty", "[HostName] GetNetworkDeviceID : ret : ", nullptr},
};

// 1 when the value names a printer that gave its device ID.
int AskValue(const AddressValue& address, int rank, LookupWalk& walk) {
    char value[kValueSize];
    walk.Trace(address.reading);
    if (!walk.registry.QueryValue(address.name, value, sizeof(value))) {
        walk.Trace(address.cannotRead);
        return 0;
    }
    walk.Trace(address.found + std::string(value));
    if (value[0] == '\0') {
        walk.Trace(address.empty);
        return 0;
    }
    const int result = walk.Ask(value, walk.community, rank);
    walk.Trace(address.asked + std::string(result == 1 ? "TRUE" : "FALSE"));
    return result;
}

}  // namespace

int WalkStandardTcpIpPort(const PrinterPlace& place, LookupWalk& walk) {
    walk.Trace("Standard TCP/IP Port");
    const std::string key = kStandardPortKey + place.portName;
    if (!walk.registry.OpenLocalMachineKey(key)) {
        walk.Trace("Can't Open reg Key(" + key + ")");
        return 0;
    }
    walk.Trace("Success Open reg Key(IP Ports)");
    char value[kValueSize];
    if (walk.registry.QueryValue("SNMP Community", value, sizeof(value))) {
        walk.community = value;
        walk.Trace("[SNMP Community] SNMP Community is " + walk.community);
    } else {
        walk.Trace("[SNMP Community] Can't query ip reg value / default : public");
        walk.community = "public";
    }

    int result = 0;
    int rank = kRankStandardTcpIpPort;
    for (const AddressValue& address : kAddressValues) {
        result = AskValue(address, rank++, walk);
        if (result == 1) {
            if (address.answered) walk.Trace(address.answered);
            break;
        }
    }
    walk.registry.CloseKey();
    return result;
}
