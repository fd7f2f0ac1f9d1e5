#include "device/lookup/places.h"

#include <utility>

#include "device/lookup/walk.h"

namespace {

using Reader = void (*)(const PrinterPlace&, PrinterPlaces&, PrinterFindings&);
const Reader kReaders[] = {FindOnIppPort, FindBehindWsdPort, FindOnPrintServer};

class NoPlaces : public PrinterPlaces {
public:
    bool AskPortMonitor(const std::string&, const char*, const std::vector<std::uint8_t>&, std::vector<std::uint8_t>*,
                        unsigned long* error) override {
        *error = 1;   // ERROR_INVALID_FUNCTION
        return false;
    }
    std::vector<DeviceRecord> Devices() override { return {}; }
};

}  // namespace

SecureIpp& PrinterPlaces::Tls() { return SystemSecureIpp(); }

std::string PrinterPlaces::ShareName(const std::string&, const std::string& nameOnServer) { return nameOnServer; }

PrinterPlaces& NoPrinterPlaces() {
    static NoPlaces places;
    return places;
}

PrinterFindings FindPrinterCandidates(const PrinterPlace& place, PrinterPlaces& platform) {
    PrinterFindings all;
    for (Reader read : kReaders) {
        PrinterFindings found;
        read(place, platform, found);
        all.notes.insert(all.notes.end(), found.notes.begin(), found.notes.end());
        for (Candidate& candidate : found.candidates) {
            bool seen = false;
            for (const Candidate& earlier : all.candidates) seen |= earlier == candidate;
            if (!seen) all.candidates.push_back(std::move(candidate));
        }
    }
    return all;
}

void ReadPrinterPlaces(const PrinterPlace& place, LookupWalk& walk) {
    const PrinterFindings found = FindPrinterCandidates(place, walk.platform);
    for (const std::string& note : found.notes) walk.Trace(note);
    for (const Candidate& candidate : found.candidates)
        if (!candidate.uri.empty()) walk.KnowByUri(candidate);
    int rank = kRankPrinterPlaces;
    for (Candidate candidate : found.candidates) {
        if (candidate.ippOnly) continue;
        candidate.rank = rank++;
        walk.Ask(candidate);
    }
    walk.EndPlace(true);
}
