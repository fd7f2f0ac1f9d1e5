#include "job/job_sender.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/ansi_text.h"
#include "base/debug_log.h"
#include "job/job_message.h"
#include "job/pjl_envelope.h"
#include "spooler/spooler_access.h"

namespace {

JobSendResult Refuse() {
    ShowJobMessage(kJobMessageInvalidFile);
    return JobSendResult::kNotBuilt;
}

// Header, then the file's bytes, then the trailer; the file must hold exactly
// the size the header announced.
class JobStream final : public DocumentSource {
public:
    JobStream(JobFileOps& files, JobFileOps::Handle source, std::uint64_t size, std::string header,
              std::string trailer, JobWatch* watch)
        : m_files(files), m_source(source), m_size(size), m_header(std::move(header)),
          m_trailer(std::move(trailer)), m_watch(watch) {}

    bool Read(void* buffer, std::uint32_t size, std::uint32_t& got) override {
        got = 0;
        if (m_watch && m_watch->Cancelled()) {
            m_cancelled = true;
            return false;
        }
        if (m_served < m_header.size()) return Serve(m_header, m_served, buffer, size, got);
        const std::uint64_t fileEnd = m_header.size() + m_size;
        if (m_served < fileEnd) {
            const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, fileEnd - m_served));
            if (!m_files.Read(m_source, buffer, want, got) || got == 0 || got > want) return Broken(got == 0);
            m_served += got;
            return true;
        }
        if (m_served == fileEnd && !m_checkedEnd) {
            // Past the announced size the file must be at its end.
            char probe;
            std::uint32_t more = 0;
            if (!m_files.Read(m_source, &probe, 1, more) || more != 0) return Broken(more != 0);
            m_checkedEnd = true;
        }
        return Serve(m_trailer, m_served - fileEnd, buffer, size, got);
    }

    void Taken(std::uint32_t bytes) override {
        m_taken += bytes;
        if (m_watch) {
            const std::uint64_t data = m_taken > m_header.size() ? m_taken - m_header.size() : 0;
            m_watch->FileTaken(std::min(data, m_size));
        }
    }

    bool Cancelled() const { return m_cancelled; }
    bool SourceFailed() const { return m_failed; }

private:
    bool Serve(const std::string& text, std::uint64_t from, void* buffer, std::uint32_t size, std::uint32_t& got) {
        got = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, text.size() - std::min<std::uint64_t>(from, text.size())));
        std::memcpy(buffer, text.data() + from, got);
        m_served += got;
        return true;
    }
    bool Broken(bool sizeChanged) {
        DebugLog(sizeChanged ? "SendDataToDevice / The source file is not of the size announced"
                             : "SendDataToDevice / Cannot Read the source file");
        m_failed = true;
        return false;
    }

    JobFileOps& m_files;
    JobFileOps::Handle m_source;
    std::uint64_t m_size;
    std::string m_header, m_trailer;
    JobWatch* m_watch;
    std::uint64_t m_served = 0, m_taken = 0;
    bool m_checkedEnd = false, m_cancelled = false, m_failed = false;
};

}  // namespace

std::string JobDocumentName(const char* path) {
    return std::string("QEL_") + FindFileNamePart(path ? path : "", IsAnsiLeadByte);
}

JobSendResult SendFileToDevice(CTestPrint& printer, JobFileOps& files, const char* path, JobWatch* watch) {
    JobFileOps::Handle source = files.OpenSource(path);
    if (source == nullptr) {
        DebugLog("SendDataToDevice / Cannot Open PDF file");
        return Refuse();
    }
    std::uint64_t size = 0;
    if (!files.Size(source, size)) {
        DebugLog("SendDataToDevice / Cannot Read the source file");
        files.Close(source);
        return Refuse();
    }
    if (watch) watch->FileStarted(size);

    std::string header = SendStartPJLCommand(path, size);
    DebugLog("SendDataToDevice / strStartPJLCMD : %s", header.c_str());
    std::string trailer = SendEndPJLCommand();
    DebugLog("SendDataToDevice / strEndPJLCMD : %s", trailer.c_str());
    std::string docName = JobDocumentName(path);
    DebugLog("SendDataToDevice / strDocName : %s", docName.c_str());

    JobStream job(files, source, size, std::move(header), std::move(trailer), watch);
    const DocumentOutcome outcome = printer.WriteDocument(docName.c_str(), job);
    DebugLog("SendDataToDevice / nResult : %lld", outcome.accepted);
    files.Close(source);

    if (job.Cancelled()) return JobSendResult::kCancelled;
    if (job.SourceFailed()) return Refuse();
    return outcome.result == DocumentResult::kPrinted ? JobSendResult::kSent : JobSendResult::kSpoolerRefused;
}
