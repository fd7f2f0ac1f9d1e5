// A printer shared from a print server ("\\server\name"): its port name is
// the server's. In order: the server's record of that port through the
// Standard TCP/IP monitor's XcvData "GetConfigInfo" (PORT_DATA_1), where the
// user may open it; the port name itself when it is an address; then IPP at
// the server's queue of the printer. Each refusal is traced and the next is tried.
#include <cctype>
#include <cstdio>

#include "device/lookup/printer_address.h"
#include "device/lookup/places.h"

namespace {


// A path segment of UTF-8 text: unreserved characters as they are, every
// other octet percent-encoded (RFC 3986 sections 2.3 and 2.5).
std::string Escaped(const std::string& utf8) {
    std::string out;
    for (unsigned char c : utf8) {
        if (c < 0x80 && (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~')) {
            out.push_back(static_cast<char>(c));
        } else {
            char code[4];
            std::snprintf(code, sizeof(code), "%%%02X", c);
            out += code;
        }
    }
    return out;
}

// CONFIG_INFO_DATA_1: 128 reserved bytes, then the version, 1.
std::vector<std::uint8_t> ConfigInfoRequest() {
    std::vector<std::uint8_t> request(132, 0);
    request[128] = 1;
    return request;
}

}  // namespace

void FindOnPrintServer(const PrinterPlace& place, PrinterPlaces& platform, PrinterFindings& findings) {
    std::string server, share;
    if (!SplitPrintServerName(place.printerName, &server, &share)) return;
    std::vector<std::string>& notes = findings.notes;
    std::vector<Candidate>& found = findings.candidates;
    notes.push_back("[Print Server] Server is " + server + ", port is " + place.portName);

    std::vector<std::uint8_t> record;
    unsigned long error = 0;
    const std::string xcv = "\\\\" + server + "\\,XcvPort " + place.portName;
    std::string host, community;
    if (!platform.AskPortMonitor(xcv, "GetConfigInfo", ConfigInfoRequest(), &record, &error)) {
        notes.push_back("[Print Server] XcvData GetConfigInfo on " + xcv + " refused : " + std::to_string(error));
    } else if (!ReadTcpPortRecord(record.data(), record.size(), &host, &community)) {
        notes.push_back("[Print Server] GetConfigInfo of " + xcv + " names no host");
    } else {
        notes.push_back("[Print Server] Port record : host " + host);
        found.push_back({host, community.empty() ? kDefaultCommunity : community, std::string(), false});
    }

    if (HostFromPortName(place.portName, &host)) {
        notes.push_back("[Print Server] Port name is the address " + host);
        found.push_back({host, kDefaultCommunity, std::string(), false});
    } else {
        notes.push_back("[Print Server] Port name " + place.portName + " is no address");
    }

    // The queue's URL as the server's Internet Printing publishes it: by the
    // share name, which need not be the printer's.
    const std::string uri =
        "http://" + server + "/printers/" + Escaped(platform.ShareName(place.printerName, share)) + "/.printer";
    PrinterUri parsed;
    if (ParsePrinterUri(uri, &parsed)) {
        notes.push_back("[Print Server] Shared printer URI is " + uri);
        found.push_back({server, kDefaultCommunity, uri, true});
    } else {
        notes.push_back("[Print Server] Server name " + server + " makes no URI");
    }
}
