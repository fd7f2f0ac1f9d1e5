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

void ReadValue(const AddressValue& address, int rank, LookupWalk& walk) {
    char value[kValueSize];
    walk.Trace(address.reading);
    if (!walk.registry.QueryValue(address.name, value, sizeof(value))) {
        walk.Trace(address.cannotRead);
        return;
    }
    walk.Trace(address.found + std::string(value));
    if (value[0] == '\0') {
        walk.Trace(address.empty);
        return;
    }
    walk.Ask({value, walk.community, std::string(), false, rank}, address.asked,
             address.answered ? address.answered : std::string());
}

}  // namespace

void ReadStandardTcpIpPort(const PrinterPlace& place, LookupWalk& walk) {
    walk.Trace("Standard TCP/IP Port");
    const std::string key = kStandardPortKey + place.portName;
    if (!walk.registry.OpenLocalMachineKey(key)) {
        walk.Trace("Can't Open reg Key(" + key + ")");
        walk.EndPlace(true);
        return;
    }
    walk.Trace("Success Open reg Key(IP Ports)");
    char value[kValueSize];
    if (walk.registry.QueryValue("SNMP Community", value, sizeof(value))) {
        walk.community = value;
        walk.Trace("[SNMP Community] SNMP Community is " + walk.community);
    } else {
        walk.Trace(std::string("[SNMP Community] Can't query ip reg value / default : ") + kDefaultCommunity);
        walk.community = kDefaultCommunity;
    }

    // The host name is asked only when the address gave no ID.
    int rank = kRankStandardTcpIpPort;
    for (const AddressValue& address : kAddressValues) ReadValue(address, rank++, walk);
    walk.registry.CloseKey();
    walk.EndPlace(true);
}
