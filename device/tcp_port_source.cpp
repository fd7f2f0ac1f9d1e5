// The Standard TCP/IP Port monitor's key of the port: its community, then its
// address, then its host name when the address gives no device ID.
#include "device/lookup_walk.h"

namespace {

const char kStandardPortKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\";
constexpr std::size_t kValueSize = 260;

const char* Verdict(int result) { return result == 1 ? "TRUE" : "FALSE"; }

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
    walk.Trace("[HostName] Read IPAddress");
    if (!walk.registry.QueryValue("IPAddress", value, sizeof(value))) {
        walk.Trace("[IPAddress]Can't query ip reg value");
    } else {
        walk.Trace(std::string("[IPAddress] IP is ") + value);
        if (value[0] != '\0') {
            result = walk.Ask(value, walk.community);
            walk.Trace(std::string("[IPAddress] GetNetworkDeviceID : ret : ") + Verdict(result));
        } else {
            walk.Trace("[IPAddress] IPAddress is Empty");
        }
        if (result == 1) {
            walk.Trace("[HostName] got IP Address from IPAddress KEY \n No more try");
            walk.registry.CloseKey();
            return result;
        }
    }
    walk.Trace("[HostName] Read HostName");
    if (!walk.registry.QueryValue("HostName", value, sizeof(value))) {
        walk.Trace("[HostName] Can't query ip reg value");
    } else {
        walk.Trace(std::string("[HostName] Host is ") + value);
        if (value[0] != '\0') {
            result = walk.Ask(value, walk.community);
            walk.Trace(std::string("[HostName] GetNetworkDeviceID : ret : ") + Verdict(result));
        } else {
            walk.Trace("[HostName] HostName is Empty");
            result = 0;
        }
    }
    walk.registry.CloseKey();
    return result;
}
