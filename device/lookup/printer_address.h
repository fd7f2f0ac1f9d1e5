// Where a network printer is reached, read from what Windows keeps about it:
// printer URIs, port names that are addresses, print-server paths, device
// property string lists and port-monitor records. Portable; everything here
// comes from outside the program (the spooler, the device registry, a server).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An http, https, ipp or ipps URI. `host` is as the socket takes it: bare (no
// brackets round an IPv6 literal, its zone "%25" decoded to '%'), a reg-name
// percent-decoded; `resource` starts with "/" and keeps the query.
struct PrinterUri {
    std::string scheme;   // lower case
    std::string host;
    unsigned short port = 0;
    std::string resource;
    bool secure = false;   // https, ipps: TLS
};

// False for anything but an absolute URI of those four schemes with a host
// (no user information), a port from 1 to 65535 if any (leading zeros
// allowed), and a path of printable characters. Hosts: an IPv6 literal, an
// IPv4 address in RFC 3986's dotted decimal, or a DNS name ('_' and a
// trailing '.' allowed). Text the system would read as a number other than
// written ("010.1.2.3", "10.1") is refused.
bool ParsePrinterUri(const std::string& text, PrinterUri* uri);
// The URI again, as the printer is asked for it (the port always written).
std::string PrinterUriText(const PrinterUri& uri);

// The printer's address when a port name is one, with or without "IP_" before
// it and the "_1", "_2" Windows adds to a second port of one address behind
// it: "IP_10.1.2.3", "10.1.2.3_1", an IPv6 address, or a host name with at
// least one dot ("IP_printer.example", "printer.example."). False for other
// names ("WSD-…", "CUPS:queue", "Ne01:", "Laser").
bool HostFromPortName(const std::string& port, std::string* host);

// "\\server\name": the server and the shared printer's name.
bool SplitPrintServerName(const std::string& printer, std::string* server, std::string* share);

// A REG_MULTI_SZ / DEVPROP_TYPE_STRING_LIST value (UTF-16LE, each string
// ended by a zero, the list by an empty one): its printable ASCII entries.
// Others (empty, non-ASCII, blanks inside) are left out; a list without its
// end is read as far as it goes.
std::vector<std::string> DecodeStringList(const std::uint8_t* bytes, std::size_t size);

// GetConfigInfo's PORT_DATA_1 of the Standard TCP/IP monitor: host address
// and SNMP community. False when the record is too short or names no host.
bool ReadTcpPortRecord(const std::uint8_t* bytes, std::size_t size, std::string* host, std::string* community);

// GetAPPortInfo's APPORT_DATA_1 of the WSD/IPP port monitor.
enum class ApPortProtocol { kUnknown = 0, kWsd = 1, kIpp = 2 };
bool ReadApPortRecord(const std::uint8_t* bytes, std::size_t size, ApPortProtocol* protocol, std::string* url);
