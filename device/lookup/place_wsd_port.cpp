// The WSD port: the printer's devices share a container with the device the
// WSD Port monitor talks to, and that device's PnP-X properties hold its IP
// addresses and its service addresses (the URLs of its WSD endpoints), its
// location the URL it was found at. The container is found through the port:
// the monitor's XcvData "DeviceID" is the device's PKEY_PNPX_GlobalIdentity,
// and the printer's own device is SWD\PRINTENUM\<port name>. Only where
// neither is there is the queue found by its name, and then never in two
// containers with addresses: two units of one model carry the same names, and
// the other unit's answer would pass for this one's.
#include <algorithm>
#include <cctype>

#include "device/lookup/printer_address.h"
#include "device/lookup/places.h"

namespace {

void AddOnce(PrinterFindings& findings, const std::string& address) {
    for (const Candidate& earlier : findings.candidates)
        if (earlier.address == address) return;
    findings.candidates.push_back({address, kDefaultCommunity, std::string(), false});
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool HasAddress(const DeviceRecord& device) {
    return !DecodeStringList(device.ipAddresses.data(), device.ipAddresses.size()).empty() ||
           !DecodeStringList(device.serviceAddresses.data(), device.serviceAddresses.size()).empty() ||
           !device.locationInfo.empty();
}

// The addresses first (the monitor found the device at them), then the hosts
// of its service addresses and of its location.
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
    if (!device.locationInfo.empty()) {
        PrinterUri uri;
        if (!ParsePrinterUri(device.locationInfo, &uri)) {
            found.notes.push_back("[WSD Port] Location unreadable : " + device.locationInfo);
        } else {
            found.notes.push_back("[WSD Port] Location is " + device.locationInfo);
            AddOnce(found, uri.host);
        }
    }
}

void AddContainer(std::vector<std::string>& containers, const std::string& container) {
    if (!container.empty() && std::find(containers.begin(), containers.end(), container) == containers.end())
        containers.push_back(container);
}

// The containers of the port's device, each once; empty when the port links to none.
std::vector<std::string> ContainersOfPort(const PrinterPlace& place, PrinterPlaces& platform,
                                          const std::vector<DeviceRecord>& devices) {
    std::vector<std::string> containers;
    std::vector<std::uint8_t> reply;
    unsigned long error = 0;
    if (platform.AskPortMonitor(",XcvPort " + place.portName, "DeviceID", {}, &reply, &error)) {
        const std::vector<std::string> id = DecodeStringList(reply.data(), reply.size());
        for (const DeviceRecord& device : devices)
            if (!id.empty() && !device.globalIdentity.empty() && SameText(device.globalIdentity, id[0]))
                AddContainer(containers, device.containerId);
    }
    if (!containers.empty()) return containers;
    const std::string printerDevice = "SWD\\PRINTENUM\\" + place.portName;
    for (const DeviceRecord& device : devices)
        if (SameText(device.instanceId, printerDevice)) AddContainer(containers, device.containerId);
    return containers;
}

}  // namespace

void FindBehindWsdPort(const PrinterPlace& place, PrinterPlaces& platform, PrinterFindings& found) {
    if (place.portName.compare(0, 4, "WSD-") != 0) return;
    const std::vector<DeviceRecord> devices = platform.Devices();
    std::vector<std::string> containers = ContainersOfPort(place, platform, devices);
    if (containers.empty()) {
        // By the queue's name: only when it leads to one container with addresses.
        std::vector<std::string> named, answering;
        for (const DeviceRecord& device : devices)
            if (device.friendlyName == place.printerName) AddContainer(named, device.containerId);
        for (const std::string& container : named)
            for (const DeviceRecord& device : devices)
                if (device.containerId == container && HasAddress(device)) AddContainer(answering, container);
        if (answering.size() > 1) {
            found.notes.push_back("[WSD Port] Devices named " + place.printerName + " in " +
                                  std::to_string(answering.size()) + " containers: none asked");
            return;
        }
        containers = named;
    }
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
