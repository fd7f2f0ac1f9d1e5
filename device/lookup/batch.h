// One lookup's questions, asked at once under one deadline and ranked. The
// walk may come to up to six of the ports' candidates in turn, each asked up
// to twice with a one-second timeout; asked one after another, a printer that
// is switched off would hold the window for twelve seconds. So the first time
// an answer is needed, every candidate still ahead is asked at once, and the
// walk then takes the answers in its own order. It decides as it would one by
// one, with one trade-off: once a candidate has the ID, one that decides
// before it and has not answered within a short grace counts as silent.
//
// Behind the maker's private object stand the questions of kQuestions
// (questions.h), asked in the same first moment of every target (an address
// with its community, or a printer URI) and read only when no candidate
// answered the private object.
#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/lookup/candidate.h"
#include "device/lookup/printer_state_query.h"
#include "device/lookup/questions.h"

// The lookup's one bound: every question ends by two seconds (a GET's two
// tries of a second each) after the lookup began, however late its batch starts.
constexpr std::chrono::milliseconds kLookupTime(2000);

class LookupBatch {
public:
    // `candidates` in the order the walk asks them. `uriTargets`: printers
    // known by a URI, asked by kQuestions too (a target at the same address
    // takes the URI). Nothing is sent yet; what is sent ends by `deadline`.
    LookupBatch(std::vector<Candidate> candidates, const std::vector<Candidate>& uriTargets, SecureIpp& tls,
                std::chrono::steady_clock::time_point deadline);
    // Abandons every question still unanswered and closes its socket.
    ~LookupBatch();
    LookupBatch(const LookupBatch&) = delete;
    LookupBatch& operator=(const LookupBatch&) = delete;

    // The private object's answer of the next candidate of this address and
    // community; candidates before it stay unread. One not ahead in the order
    // is asked on its own.
    DeviceIdAnswer Next(const std::string& address, const std::string& community);

    // The targets kQuestions asks (addresses with their communities, and URIs), each once.
    const std::vector<Candidate>& Targets() const { return m_targets; }
    // Whether question `kind` asks target `target` at all.
    bool Asks(std::size_t kind, std::size_t target) const;
    // Question `kind` of target `target`. The walk over the private object is
    // over by then: no more of its GETs are started.
    QuestionAnswer Answer(std::size_t kind, std::size_t target);
    // What target `target` said of its state. Over SNMP its own GETs, started
    // with the batch beside (never inside) the device-ID requests and, being
    // outside the ranking, never ended by an answer; waited for no longer than
    // the grace from now. Over IPP what the device-ID question's answer held.
    // kUnknown when the batch never started or the printer said nothing.
    PrinterState StateOf(std::size_t target);

private:
    // Every question of the batch, in the order the walk decides.
    struct Ranked {
        std::size_t exchange;          // in the batch's exchanges
        std::size_t walked;            // where the walk reads it: the lower, the sooner
        std::function<bool()> found;   // called only once the exchange is over
    };
    void Start();
    void Rank();
    // Once `exchange` has the ID: the rest get a short grace, or end now when
    // their answer can no longer change anything.
    void EndWhatCannotMatter(std::size_t exchange);

    std::vector<Candidate> m_candidates;
    std::vector<Candidate> m_targets;
    SecureIpp& m_tls;
    std::chrono::steady_clock::time_point m_deadline;
    std::size_t m_next = 0;          // the next candidate the walk will want
    std::size_t m_firstInBatch = 0;  // GET i belongs to candidate m_firstInBatch + i
    std::vector<std::size_t> m_asks;   // kind-major: [kind * targets + target]
    std::unique_ptr<Exchanges> m_pAsks;
    std::vector<Ranked> m_ranked;
    std::vector<StateGets> m_stateGets;   // per target asked over SNMP (else unused)
};
