// The device-ID GETs of one network lookup. The lookup may ask up to six
// sources in turn, each up to twice with a one-second timeout; asked one after
// another, a printer that is switched off would hold the window for twelve
// seconds. So the first time an answer is needed, every source still ahead is
// asked at once, and the lookup then takes the answers in its own order,
// deciding exactly as it would have one by one.
//
// Behind the maker's private object stand the standard means by which printers
// of every maker publish their device ID (kStandardSources). They are asked in
// the same first moment, for every address of the lookup, and are read only
// when no address answered the private object.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct StandardAsks;

// Object of the printer maker's private MIB that holds the 1284 device ID.
extern const char kDeviceIdOid[];

struct NetworkSource {
    NetworkSource(std::string address_ = std::string(), std::string community_ = std::string(),
                  std::string uri_ = std::string(), bool ippOnly_ = false)
        : address(std::move(address_)), community(std::move(community_)), uri(std::move(uri_)), ippOnly(ippOnly_) {}
    std::string address;
    std::string community;
    std::string uri;        // a printer URI IPP asks first (its own port and resource)
    bool ippOnly = false;   // asked over IPP only: no SNMP
    int rank = 0;           // which answer decides when several have the ID: the lowest rank
};

// What one device-ID GET learned: the library's code (0 = the agent answered)
// and whether the answer was an octet string, with its text.
struct DeviceIdAnswer {
    int code = 0;
    bool octetString = false;
    std::string text;
};

// What a standard source gave for one address: a device ID, or why not. Only
// an ID with a command set is found; one without is still an answer.
struct StandardAnswer {
    bool answered = false;
    bool found = false;
    std::string id;
    std::string failure;
    std::string note;   // for the trace: how the ID was come by (not given whole, over unverified TLS)
};

// The standard sources, in the order they decide: two SNMP objects, then IPP's
// Get-Printer-Attributes on TCP port 631. Names are for the trace.
extern const std::size_t kStandardSourceCount;
const char* StandardSourceName(std::size_t kind);

class NetworkDeviceIdReads {
public:
    // `sources` in the order the lookup asks them. `ippTargets`: printers
    // known by a URI, asked by the standard sources too (a target of `sources`
    // at the same address takes the URI). Nothing is sent yet.
    explicit NetworkDeviceIdReads(std::vector<NetworkSource> sources,
                                  const std::vector<NetworkSource>& ippTargets = {});
    // Abandons every GET still unanswered and closes its socket.
    ~NetworkDeviceIdReads();
    NetworkDeviceIdReads(const NetworkDeviceIdReads&) = delete;
    NetworkDeviceIdReads& operator=(const NetworkDeviceIdReads&) = delete;

    // The answer of the next source of this address and community; sources
    // before it stay unread. One not ahead in the order is asked on its own.
    DeviceIdAnswer Next(const std::string& address, const std::string& community);

    // The addresses (with their communities) the standard sources ask, each once.
    const std::vector<NetworkSource>& StandardTargets() const { return m_standardTargets; }
    // Whether standard source `kind` asks target `target` at all.
    bool Asks(std::size_t kind, std::size_t target) const;
    // Standard source `kind` of target `target`. The walk over the private
    // object is over by then: no more of its GETs are started.
    StandardAnswer Standard(std::size_t kind, std::size_t target);

private:
    // A source that answers first need not be waited for. So once a source
    // has found the ID, those that decide before it and are still silent get
    // a short grace, not the rest of their two seconds.
    struct Ranked {
        std::size_t exchange;          // in the batch's exchanges
        std::function<bool()> found;   // called only once the exchange is over
    };
    void StartBatch();
    void RankAnswers();
    void GraceBefore(std::size_t exchange);

    std::vector<NetworkSource> m_sources;
    std::vector<NetworkSource> m_standardTargets;
    std::size_t m_next = 0;          // the next source the lookup will want
    std::size_t m_firstInBatch = 0;  // batch index i belongs to source m_firstInBatch + i
    std::vector<std::size_t> m_standardAsks;   // kind-major: [kind * targets + target]
    std::unique_ptr<StandardAsks> m_pAsks;     // the batch, and what its IPP questions need
    std::vector<Ranked> m_ranked;              // every question, in the order the lookup decides
};
