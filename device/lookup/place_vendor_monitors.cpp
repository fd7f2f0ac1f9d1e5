// The vendor monitors' keys of the port: all of them, in order, each with
// its own trace lines. A monitor's ID stands until a later one gives another:
// a silent monitor takes nothing away; of two that answer, the later decides.
// Each is asked with the community the Standard TCP/IP port's key gave, if
// any, and where that gave none also with its own.
#include "device/lookup/walk.h"

namespace {

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
constexpr std::size_t kValueSize = 260;

}  // namespace

void ReadVendorMonitors(const PrinterPlace& place, LookupWalk& walk) {
    walk.Trace("Not support : Standard TCP/IP Port");
    char value[kValueSize];
    int rank = kRankVendorMonitors + 2 * static_cast<int>(sizeof(kVendorMonitors) / sizeof(kVendorMonitors[0]));
    for (const VendorMonitor& monitor : kVendorMonitors) {
        rank -= 2;
        walk.Trace(monitor.name);
        if (!walk.registry.OpenLocalMachineKey(monitor.keyPath + place.portName)) {
            walk.Trace(monitor.cannotOpen);
            continue;
        }
        walk.Trace(monitor.opened);
        if (!walk.registry.QueryValue("IP", value, sizeof(value))) {
            walk.Trace(monitor.cannotRead);
            walk.registry.CloseKey();
            continue;
        }
        walk.Trace(std::string("IP is ") + value);
        const std::string address = value;
        // Agents drop requests of a community they do not know, and a port that
        // only a vendor monitor keeps has none: it is asked as ever, and also
        // with the key's own community, or the default. A community the standard
        // key gave stands alone.
        const std::string own =
            walk.registry.QueryValue("SNMP Community", value, sizeof(value)) && value[0] ? value : kDefaultCommunity;
        walk.registry.CloseKey();
        walk.Ask({address, walk.community, std::string(), false, rank});
        if (walk.community.empty() && !address.empty())
            walk.Ask({address, own, std::string(), false, rank + 1}, std::string(), std::string(), true);
    }
    // Every monitor is asked: a later one's ID stands over an earlier one's.
    walk.EndPlace(false);
}
