// The IPP port: a port named by its printer URI (an Internet port), or a port
// of the WSD/IPP port monitor whose record (XcvData "GetAPPortInfo",
// APPORT_DATA_1) says the printer was found over IPP and gives its URI.
#include "device/lookup/printer_address.h"
#include "device/lookup/places.h"

namespace {

void FromUri(const std::string& text, PrinterFindings& findings) {
    PrinterUri uri;
    if (!ParsePrinterUri(text, &uri)) {
        findings.notes.push_back("[IPP Port] Not a printer URI : " + text);
        return;
    }
    findings.notes.push_back("[IPP Port] URI is " + text);
    findings.candidates.push_back({uri.host, kDefaultCommunity, text, false});
}

}  // namespace

void FindOnIppPort(const PrinterPlace& place, PrinterPlaces& platform, PrinterFindings& findings) {
    const std::string& port = place.portName;
    if (port.find("://") != std::string::npos) return FromUri(port, findings);
    if (port.compare(0, 4, "WSD-") != 0) return;

    std::vector<std::uint8_t> record;
    unsigned long error = 0;
    if (!platform.AskPortMonitor(",XcvPort " + port, "GetAPPortInfo", {}, &record, &error)) {
        findings.notes.push_back("[IPP Port] XcvData GetAPPortInfo on " + port + " refused : " +
                                 std::to_string(error));
        return;
    }
    ApPortProtocol protocol = ApPortProtocol::kUnknown;
    std::string url;
    if (!ReadApPortRecord(record.data(), record.size(), &protocol, &url)) {
        findings.notes.push_back("[IPP Port] GetAPPortInfo of " + port + " unreadable");
    } else if (protocol != ApPortProtocol::kIpp) {
        findings.notes.push_back("[IPP Port] " + port + " was not installed over IPP");
    } else {
        FromUri(url, findings);
    }
}
