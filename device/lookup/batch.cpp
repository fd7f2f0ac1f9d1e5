#include "device/lookup/batch.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <utility>

namespace {

// Once a candidate has found the ID, how long the questions that decide
// before it (or that the walk traces before it) may still answer. A printer's agent that answers one object
// answers the others within a round trip (about a millisecond on a LAN, see
// the lookup benchmark); this leaves room for a slow agent without holding the
// window for a silent address's whole two seconds.
constexpr std::chrono::milliseconds kAnswerGrace(250);

}  // namespace

LookupBatch::LookupBatch(std::vector<Candidate> candidates, const std::vector<Candidate>& uriTargets, SecureIpp& tls,
                         std::chrono::steady_clock::time_point deadline)
    : m_candidates(std::move(candidates)), m_tls(tls), m_deadline(deadline) {
    for (const Candidate& candidate : m_candidates) {
        if (candidate.address.empty()) continue;
        bool seen = false;
        for (const Candidate& target : m_targets)
            seen |= target.address == candidate.address && target.community == candidate.community;
        if (!seen) m_targets.push_back({candidate.address, candidate.community});
    }
    for (const Candidate& known : uriTargets) {
        Candidate* same = nullptr;
        for (Candidate& target : m_targets)
            if (!known.ippOnly && target.uri.empty() && target.address == known.address &&
                target.community == known.community)
                same = &target;
        if (same != nullptr) {
            same->uri = known.uri;
        } else {
            m_targets.push_back(known);
        }
    }
}

bool LookupBatch::Asks(std::size_t kind, std::size_t target) const {
    // The SNMP objects (one question per community) are not asked of a print server.
    return !(kQuestions[kind].perCommunity && m_targets[target].ippOnly);
}

LookupBatch::~LookupBatch() = default;

void LookupBatch::Start() {
    m_pAsks = std::make_unique<Exchanges>(m_tls);
    m_firstInBatch = m_next;
    for (std::size_t i = m_next; i < m_candidates.size(); ++i) {
        AskPrivateObject(m_pAsks->batch, m_candidates[i]);
    }
    // The state questions leave with the ID's, in requests of their own: an
    // SNMPv1 agent that lacks one object refuses every object of its request.
    m_stateGets.assign(m_targets.size(), StateGets());
    for (std::size_t t = 0; t < m_targets.size(); ++t)
        if (!m_targets[t].ippOnly)
            m_stateGets[t] = AddStateGets(m_pAsks->batch, m_targets[t].address, m_targets[t].community);
    for (std::size_t kind = 0; kind < kQuestionCount; ++kind) {
        const Question& question = kQuestions[kind];
        const std::size_t first = m_asks.size();
        for (std::size_t t = 0; t < m_targets.size(); ++t) {
            const Candidate& target = m_targets[t];
            std::size_t same = t;
            if (!question.perCommunity) {
                for (same = 0; m_targets[same].address != target.address ||
                               m_targets[same].uri != target.uri;)
                    ++same;
            }
            m_asks.push_back(!Asks(kind, t) ? 0
                                     : same < t     ? m_asks[first + same]
                                                    : question.start(*m_pAsks, target));
        }
    }
    Rank();
    // The places' reads may have taken part of the lookup's time.
    snmp::ExchangeSet& exchanges = m_pAsks->batch.exchanges();
    const auto left = std::max(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   m_deadline - std::chrono::steady_clock::now()),
                               std::chrono::milliseconds(0));
    for (std::size_t exchange = 0; exchange < exchanges.Size(); ++exchange) exchanges.Shorten(exchange, left);
}

void LookupBatch::Rank() {
    Exchanges& asks = *m_pAsks;
    std::vector<std::size_t> gets;
    for (std::size_t get = 0; m_firstInBatch + get < m_candidates.size(); ++get) gets.push_back(get);
    std::stable_sort(gets.begin(), gets.end(), [this](std::size_t a, std::size_t b) {
        return m_candidates[m_firstInBatch + a].rank < m_candidates[m_firstInBatch + b].rank;
    });
    for (std::size_t get : gets) {
        m_ranked.push_back({asks.batch.exchange(get), m_firstInBatch + get, [&asks, get] {
                                return HasDeviceId(ReadPrivateObject(asks.batch, get));
                            }});
    }
    for (std::size_t kind = 0; kind < kQuestionCount; ++kind) {
        for (std::size_t t = 0; t < m_targets.size(); ++t) {
            if (!Asks(kind, t)) continue;   // nothing was started for it
            const std::size_t index = m_asks[kind * m_targets.size() + t];
            const Question& question = kQuestions[kind];
            // The walk reads every question after the private objects, in this order.
            m_ranked.push_back({question.exchange(asks, index), m_candidates.size() + kind * m_targets.size() + t,
                                [&asks, &question, index] { return question.read(asks, index).found; }});
        }
    }
    asks.batch.exchanges().OnAnswered([this](std::size_t exchange) { EndWhatCannotMatter(exchange); });
}

void LookupBatch::EndWhatCannotMatter(std::size_t exchange) {
    snmp::ExchangeSet& exchanges = m_pAsks->batch.exchanges();
    for (std::size_t rank = 0; rank < m_ranked.size(); ++rank) {
        if (m_ranked[rank].exchange != exchange) continue;
        if (!m_ranked[rank].found()) return;
        // A question that decides before this one may still take the ID from
        // it, and one the walk reads before it is traced as it answers: those
        // get the grace. Any other can change neither the result nor the
        // trace: it ends now.
        std::set<std::size_t> graced;
        for (std::size_t other = 0; other < m_ranked.size(); ++other)
            if (other < rank || m_ranked[other].walked < m_ranked[rank].walked) graced.insert(m_ranked[other].exchange);
        for (const Ranked& other : m_ranked) {
            if (other.exchange == exchange || other.exchange == SNMPGetBatch::kNoExchange ||
                exchanges.Over(other.exchange))
                continue;
            exchanges.Shorten(other.exchange,
                              graced.count(other.exchange) ? kAnswerGrace : std::chrono::milliseconds(0));
        }
        return;
    }
}

DeviceIdAnswer LookupBatch::Next(const std::string& address, const std::string& community) {
    // Candidates the walk passes over (it found an ID before them) stay unread.
    std::size_t candidate = m_next;
    while (candidate < m_candidates.size() &&
           (m_candidates[candidate].address != address || m_candidates[candidate].community != community)) {
        ++candidate;
    }
    if (candidate == m_candidates.size()) {
        SNMPGetBatch alone;
        return ReadPrivateObject(alone, AskPrivateObject(alone, {address, community}));
    }
    if (!m_pAsks) Start();
    m_next = candidate + 1;
    return ReadPrivateObject(m_pAsks->batch, candidate - m_firstInBatch);
}

QuestionAnswer LookupBatch::Answer(std::size_t kind, std::size_t target) {
    if (!m_pAsks) {
        m_next = m_candidates.size();
        Start();
    }
    return kQuestions[kind].read(*m_pAsks, m_asks[kind * m_targets.size() + target]);
}

PrinterState LookupBatch::StateOf(std::size_t target) {
    if (!m_pAsks || target >= m_targets.size()) return PrinterState();
    Exchanges& asks = *m_pAsks;
    PrinterState ipp;
    for (std::size_t kind = 0; kind < kQuestionCount; ++kind)
        if (!kQuestions[kind].perCommunity && Asks(kind, target))
            ipp = IppQuestionState(asks, m_asks[kind * m_targets.size() + target]);
    if (m_targets[target].ippOnly) return ipp;
    // Once the ID is decided the state is waited for no longer than the grace.
    snmp::ExchangeSet& exchanges = asks.batch.exchanges();
    for (std::size_t get : {m_stateGets[target].hostResources, m_stateGets[target].counter}) {
        const std::size_t exchange = asks.batch.exchange(get);
        if (exchange != SNMPGetBatch::kNoExchange && !exchanges.Over(exchange)) exchanges.Shorten(exchange, kAnswerGrace);
    }
    const PrinterState snmp = ReadStateGets(asks.batch, m_stateGets[target]);
    return snmp.condition != PrinterCondition::kUnknown || snmp.pageCount >= 0 ? snmp : ipp;
}
