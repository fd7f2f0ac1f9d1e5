#include "device/lookup/walk.h"

const char kDefaultCommunity[] = "public";

void LookupWalk::Trace(const std::string& line) {
    Step step;
    step.line = line;
    m_steps.push_back(std::move(step));
}

void LookupWalk::Ask(const Candidate& candidate, const std::string& answered, const std::string& found,
                     bool onlyAfterMiss) {
    Step step;
    step.asks = true;
    step.candidate = candidate;
    step.answered = answered;
    step.found = found;
    step.onlyAfterMiss = onlyAfterMiss;
    m_steps.push_back(std::move(step));
}

void LookupWalk::EndPlace(bool firstEnds) {
    Step step;
    step.endsPlace = true;
    step.firstEnds = firstEnds;
    m_steps.push_back(std::move(step));
}

std::vector<Candidate> LookupWalk::Candidates() const {
    std::vector<Candidate> candidates;
    for (const Step& step : m_steps)
        if (step.asks) candidates.push_back(step.candidate);
    return candidates;
}

int LookupWalk::Decide(const std::function<void(const std::string&)>& trace,
                       const std::function<int(const Candidate&)>& ask) const {
    // A place's steps run up to its end mark; where its candidates stop at the
    // first ID, the rest of the place up to the mark is passed over.
    bool placeFound = false, lastFound = false, skipping = false;
    for (std::size_t s = 0; s < m_steps.size(); ++s) {
        const Step& step = m_steps[s];
        if (step.endsPlace) {
            if (placeFound) return 1;
            placeFound = lastFound = skipping = false;
            continue;
        }
        if (skipping) continue;
        if (!step.asks) {
            trace(step.line);
            continue;
        }
        if (step.onlyAfterMiss && lastFound) continue;
        lastFound = ask(step.candidate) == 1;
        if (!step.answered.empty()) trace(step.answered + (lastFound ? "TRUE" : "FALSE"));
        if (!lastFound) continue;
        placeFound = true;
        if (!step.found.empty()) trace(step.found);
        // Does the place stop at its first ID? Its end mark says.
        for (std::size_t e = s + 1; e < m_steps.size(); ++e) {
            if (!m_steps[e].endsPlace) continue;
            skipping = m_steps[e].firstEnds;
            break;
        }
    }
    return placeFound ? 1 : 0;
}

void ReadEveryPlace(const PrinterPlace& place, LookupWalk& walk) {
    ReadStandardTcpIpPort(place, walk);
    ReadVendorMonitors(place, walk);
    ReadPrinterPlaces(place, walk);
}
