#include "device/lookup/places.h"

#include <utility>

#include "device/lookup/walk.h"

namespace {

using Source = void (*)(const PrinterPlace&, PrinterPlaces&, PrinterFindings&);
const Source kSources[] = {FindOnIppPort, FindBehindWsdPort, FindOnPrintServer};

bool Same(const PrinterCandidate& a, const PrinterCandidate& b) {
    return a.address == b.address && a.community == b.community && a.uri == b.uri && a.ippOnly == b.ippOnly;
}

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

PrinterPlaces& NoPrinterPlaces() {
    static NoPlaces places;
    return places;
}

PrinterFindings FindPrinterCandidates(const PrinterPlace& place, PrinterPlaces& platform) {
    PrinterFindings all;
    for (Source source : kSources) {
        PrinterFindings found;
        source(place, platform, found);
        all.notes.insert(all.notes.end(), found.notes.begin(), found.notes.end());
        for (PrinterCandidate& candidate : found.candidates) {
            bool seen = false;
            for (const PrinterCandidate& earlier : all.candidates) seen |= Same(earlier, candidate);
            if (!seen) all.candidates.push_back(std::move(candidate));
        }
    }
    return all;
}

int WalkPrinterPlaces(const PrinterPlace& /*place*/, LookupWalk& walk) {
    const PrinterFindings& found = walk.Findings();
    for (const std::string& note : found.notes) walk.Trace(note);
    for (const PrinterCandidate& candidate : found.candidates)
        if (!candidate.uri.empty())
            walk.KnowByUri({candidate.address, candidate.community, candidate.uri, candidate.ippOnly});
    int result = 0;
    int rank = kRankPrinterPlaces;
    for (const PrinterCandidate& candidate : found.candidates) {
        if (candidate.ippOnly) continue;
        result = walk.Ask(candidate.address, candidate.community, rank++);
        if (result == 1) break;
    }
    return result;
}
