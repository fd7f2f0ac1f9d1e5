// The WSD port: the printer's queue device (its friendly name is the
// printer's name) shares a container with the device the WSD Port monitor
// talks to, and that device's PnP-X properties hold its IP addresses and
// its service addresses (the URLs of its WSD endpoints).
#include "device/lookup/printer_address.h"
#include "device/lookup/places.h"

namespace {


void AddOnce(PrinterFindings& findings, const std::string& address) {
    for (const Candidate& earlier : findings.candidates)
        if (earlier.address == address) return;
    findings.candidates.push_back({address, kDefaultCommunity, std::string(), false});
}

// The addresses first (the monitor found the device at them), then the hosts
// of its service addresses.
void AddDevice(PrinterFindings& found, const DeviceRecord& device) {
    for (const std::string& ip : DecodeStringList(device.ipAddresses.data(), device.ipAddresses.size())) {
        found.notes.push_back("[WSD Port] IP is " + ip);
        AddOnce(found, ip);
    }
    for (const std::string& url :
         DecodeStringList(device.serviceAddresses.data(), device.serviceAddresses.size())) {
        PrinterUri uri;
        if (!ParsePrinterUri(url, &uri)) {
            found.notes.push_back("[WSD Port] Service address unreadable : " + url);
            continue;
        }
        found.notes.push_back("[WSD Port] Service address is " + url);
        AddOnce(found, uri.host);
    }
}

}  // namespace

void FindBehindWsdPort(const PrinterPlace& place, PrinterPlaces& platform, PrinterFindings& found) {
    if (place.portName.compare(0, 4, "WSD-") != 0) return;
    const std::vector<DeviceRecord> devices = platform.Devices();
    std::vector<std::string> containers;
    for (const DeviceRecord& device : devices)
        if (device.friendlyName == place.printerName && !device.containerId.empty())
            containers.push_back(device.containerId);
    if (containers.empty()) {
        found.notes.push_back("[WSD Port] No device for " + place.printerName);
        return;
    }
    const std::size_t before = found.candidates.size();
    for (const std::string& container : containers) {
        for (const DeviceRecord& device : devices)
            if (device.containerId == container) AddDevice(found, device);
    }
    if (found.candidates.size() == before) found.notes.push_back("[WSD Port] No PnP-X address for " + place.printerName);
}
