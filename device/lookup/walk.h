// The network lookup's sources, in the order it walks them: the Standard
// TCP/IP port's key, the vendor monitors' keys, then the places Windows keeps
// the printers it set up by itself (printer_sources.h). Each source reads its
// place, traces what it finds and asks the addresses it names, through the
// walk it is given. The lookup walks them twice: once in silence with every
// question failing, to learn every source it may come to (those are asked at
// once), then traced, taking their answers in order.
#pragma once
#include <string>

#include "device/lookup/registry_reader.h"
#include "device/lookup/batch.h"
#include "device/lookup/places.h"

class LookupWalk {
public:
    explicit LookupWalk(RegistryReader& registry) : registry(registry) {}
    virtual ~LookupWalk() = default;
    // The private object at `address`: 1 with the device ID kept, 0. Of two
    // answers with an ID, the lower `rank` decides (the walk's order, but for
    // the vendor monitors, where a later one decides before an earlier one).
    virtual int Ask(const std::string& address, const std::string& community, int rank) = 0;
    // A printer known by its URI, for the standard sources to ask there first.
    virtual void KnowByUri(const NetworkSource& target) = 0;
    virtual void Trace(const std::string& line) = 0;
    // What the places beyond the port monitors' keys hold, read once per lookup.
    virtual const PrinterFindings& Findings() = 0;

    RegistryReader& registry;
    std::string community;   // set by the Standard TCP/IP port's key, used for every query after
};

// The ranks of the sources' questions: a source's answers decide before the next source's.
constexpr int kRankStandardTcpIpPort = 0;   // its address, then its host name
constexpr int kRankVendorMonitors = 2;      // two for each monitor, the last monitor first
constexpr int kRankPrinterPlaces = 64;      // the candidates in their order

// Each returns 1 when one of its questions gave a device ID (the walk keeps it), 0 otherwise.
int WalkStandardTcpIpPort(const PrinterPlace& place, LookupWalk& walk);
int WalkVendorMonitors(const PrinterPlace& place, LookupWalk& walk);
int WalkPrinterPlaces(const PrinterPlace& place, LookupWalk& walk);
