// The lookup's one pass over the places where Windows keeps a printer's
// address, in the order they decide: the Standard TCP/IP port's key, the
// vendor monitors' keys, then the places Windows keeps the printers it set up
// by itself (places.h). Each place is read once. What it finds is written down
// as it is read: the lines to trace and the candidates to ask, each candidate
// with what its answer traces and whether it ends the walk. The batch asks
// every candidate at once; Decide then goes along the same record, taking the
// answers in order, so the trace is the one the lookup gives asking one by one.
#pragma once
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "device/lookup/candidate.h"
#include "device/lookup/places.h"
#include "device/lookup/registry_reader.h"

class LookupWalk {
public:
    LookupWalk(RegistryReader& registry, PrinterPlaces& platform) : registry(registry), platform(platform) {}

    // What the place read: traced when the walk comes to it.
    void Trace(const std::string& line);
    // A candidate the walk asks when it comes to it. `answered`, when given, is
    // traced after the answer with "TRUE" or "FALSE"; `found` when it gave
    // the ID. `onlyAfterMiss`: asked only when the candidate before it in this
    // place gave no ID.
    void Ask(const Candidate& candidate, const std::string& answered = std::string(),
             const std::string& found = std::string(), bool onlyAfterMiss = false);
    // A printer known by its URI, for the questions to ask there first.
    void KnowByUri(const Candidate& target) { uriTargets.push_back(target); }
    // The place is read. When one of its candidates gave the ID, the walk
    // ends here; `firstEnds`: the first such candidate ends the place at once.
    void EndPlace(bool firstEnds);

    // Every candidate in the order the walk may come to it.
    std::vector<Candidate> Candidates() const;
    // The walk along what the places read: `trace` each line, `ask` each
    // candidate it comes to (1 with an ID), until a place has the ID. 1 then.
    int Decide(const std::function<void(const std::string&)>& trace,
               const std::function<int(const Candidate&)>& ask) const;

    RegistryReader& registry;
    PrinterPlaces& platform;
    // When the lookup began: its places' reads and its questions are bounded from here.
    const std::chrono::steady_clock::time_point begun = std::chrono::steady_clock::now();
    std::string community;   // set by the Standard TCP/IP port's key, used for every question after
    std::vector<Candidate> uriTargets;

private:
    struct Step {
        std::string line;          // a line to trace, when no candidate
        bool asks = false;
        Candidate candidate;
        std::string answered, found;
        bool onlyAfterMiss = false;
        bool endsPlace = false;    // the end of a place's steps
        bool firstEnds = false;
    };
    std::vector<Step> m_steps;
};

// The ranks of the places' candidates: a place's answers decide before the next place's.
constexpr int kRankStandardTcpIpPort = 0;   // its address, then its host name
constexpr int kRankVendorMonitors = 2;      // two for each monitor, the last monitor first
constexpr int kRankPrinterPlaces = 64;      // the candidates in their order

// The places in the order they decide, each read into the walk.
void ReadStandardTcpIpPort(const PrinterPlace& place, LookupWalk& walk);
void ReadVendorMonitors(const PrinterPlace& place, LookupWalk& walk);
void ReadPrinterPlaces(const PrinterPlace& place, LookupWalk& walk);
// All three, in that order: the one pass of a lookup.
void ReadEveryPlace(const PrinterPlace& place, LookupWalk& walk);
