#include "device/lookup/places.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
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

// What a worker's reads answered, each as it came.
struct Answered {
    struct Monitor {
        bool ok = false;
        std::vector<std::uint8_t> output;
        unsigned long error = 0;
    };
    std::map<std::string, Monitor> monitors;   // "<xcv name>|<command>"
    std::optional<std::vector<DeviceRecord>> devices;
    std::map<std::string, std::string> shares;   // printer name -> share name
};

// Shared by the worker and the lookup: the lookup may be gone before the worker ends.
struct WorkerReads {
    std::mutex mutex;
    std::condition_variable over;
    bool done = false;
    Answered answered;
};

std::string MonitorKey(const std::string& xcvName, const char* command) { return xcvName + "|" + command; }

// The worker's platform: its own reader, every answer kept as it comes.
class Recording : public PrinterPlaces {
public:
    Recording(PrinterPlaces& reader, WorkerReads& reads) : m_reader(reader), m_reads(reads) {}
    bool AskPortMonitor(const std::string& xcvName, const char* command, const std::vector<std::uint8_t>& input,
                        std::vector<std::uint8_t>* output, unsigned long* error) override {
        const bool ok = m_reader.AskPortMonitor(xcvName, command, input, output, error);
        std::lock_guard<std::mutex> lock(m_reads.mutex);
        m_reads.answered.monitors[MonitorKey(xcvName, command)] = {ok, *output, *error};
        return ok;
    }
    std::vector<DeviceRecord> Devices() override {
        std::vector<DeviceRecord> devices = m_reader.Devices();
        std::lock_guard<std::mutex> lock(m_reads.mutex);
        m_reads.answered.devices = devices;
        return devices;
    }
    std::string ShareName(const std::string& printerName, const std::string& nameOnServer) override {
        std::string share = m_reader.ShareName(printerName, nameOnServer);
        std::lock_guard<std::mutex> lock(m_reads.mutex);
        m_reads.answered.shares[printerName] = share;
        return share;
    }

private:
    PrinterPlaces& m_reader;
    WorkerReads& m_reads;
};

// The lookup's platform once it has waited: what the worker read by then,
// and for the rest no answer in time. The readers take these as they took
// the platform's own, so their lines are those of a place that stayed silent.
class Replay : public PrinterPlaces {
public:
    Replay(Answered answered, PrinterPlaces& platform) : m_answered(std::move(answered)), m_platform(platform) {}
    bool AskPortMonitor(const std::string& xcvName, const char* command, const std::vector<std::uint8_t>&,
                        std::vector<std::uint8_t>* output, unsigned long* error) override {
        auto it = m_answered.monitors.find(MonitorKey(xcvName, command));
        if (it == m_answered.monitors.end()) return *error = kNoAnswerInTime, false;
        *output = it->second.output;
        *error = it->second.error;
        return it->second.ok;
    }
    std::vector<DeviceRecord> Devices() override { return m_answered.devices.value_or(std::vector<DeviceRecord>()); }
    std::string ShareName(const std::string& printerName, const std::string& nameOnServer) override {
        auto it = m_answered.shares.find(printerName);
        return it != m_answered.shares.end() ? it->second : m_platform.Utf8(nameOnServer);
    }

private:
    Answered m_answered;
    PrinterPlaces& m_platform;
};

}  // namespace

SecureIpp& PrinterPlaces::Tls() { return SystemSecureIpp(); }

std::string PrinterPlaces::ShareName(const std::string&, const std::string& nameOnServer) { return Utf8(nameOnServer); }

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

PrinterFindings FindPrinterCandidatesBy(const PrinterPlace& place, PrinterPlaces& platform,
                                        std::chrono::steady_clock::time_point until) {
    std::shared_ptr<PrinterPlaces> reader = platform.ReaderOfItsOwn();
    if (!reader) return FindPrinterCandidates(place, platform);
    auto reads = std::make_shared<WorkerReads>();
    try {
        // The worker owns all it uses: its reader, the answers, its copy of the place.
        std::thread([reader, reads, place] {
            Recording recording(*reader, *reads);
            FindPrinterCandidates(place, recording);
            std::lock_guard<std::mutex> lock(reads->mutex);
            reads->done = true;
            reads->over.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return FindPrinterCandidates(place, platform);
    }
    Answered answered;
    {
        std::unique_lock<std::mutex> lock(reads->mutex);
        reads->over.wait_until(lock, until, [&reads] { return reads->done; });
        answered = reads->answered;
    }
    Replay replay(std::move(answered), platform);
    return FindPrinterCandidates(place, replay);
}

void ReadPrinterPlaces(const PrinterPlace& place, LookupWalk& walk) {
    const PrinterFindings found = FindPrinterCandidatesBy(place, walk.platform, walk.begun + kSlowReadsTime);
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
