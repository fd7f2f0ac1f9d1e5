// The lookup's one record of where to ask: a place names it, the batch asks
// it, the ranking decides by it. And the defaults every place and question
// falls back on, kept here once.
#pragma once
#include <string>
#include <utility>

// A printer's SNMP agent answers this community unless its port says otherwise.
extern const char kDefaultCommunity[];
// Get-Printer-Attributes goes here when nothing names a port (ipp and ipps alike).
constexpr unsigned short kIppPort = 631;

struct Candidate {
    Candidate(std::string address_ = std::string(), std::string community_ = std::string(),
              std::string uri_ = std::string(), bool ippOnly_ = false, int rank_ = 0)
        : address(std::move(address_)), community(std::move(community_)), uri(std::move(uri_)),
          ippOnly(ippOnly_), rank(rank_) {}
    std::string address;     // asked over SNMP, unless `ippOnly`
    std::string community;
    std::string uri;         // a printer URI IPP asks first (its own port and resource)
    bool ippOnly = false;    // a print server's queue: its host is no printer
    int rank = 0;            // of two answers with an ID, the lower rank decides
};

inline bool operator==(const Candidate& a, const Candidate& b) {
    return a.address == b.address && a.community == b.community && a.uri == b.uri && a.ippOnly == b.ippOnly &&
           a.rank == b.rank;
}
