#include "job/print_batch.h"

#include <numeric>
#include <utility>

CPrintBatch::CPrintBatch(std::vector<std::string> paths, std::vector<std::uint64_t> expectedSizes, Send send,
                         std::function<void()> finished)
    : m_arrPaths(std::move(paths)), m_send(std::move(send)), m_finished(std::move(finished)),
      m_arrSizes(std::move(expectedSizes)), m_arrResults(m_arrPaths.size(), JobSendResult::kCancelled) {
    m_arrSizes.resize(m_arrPaths.size(), 0);
    m_progress.fileCount = m_arrPaths.size();
    m_progress.batchSize = std::accumulate(m_arrSizes.begin(), m_arrSizes.end(), std::uint64_t(0));
    if (!m_arrPaths.empty()) {
        m_progress.path = m_arrPaths[0];
        m_progress.fileSize = m_arrSizes[0];
    }
}

CPrintBatch::~CPrintBatch() {
    Cancel();
    Wait();
}

void CPrintBatch::Start() { m_thread = std::thread(&CPrintBatch::Run, this); }

void CPrintBatch::Cancel() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_bCancel = true;
    m_progress.cancelling = true;
}

void CPrintBatch::Wait() {
    if (m_thread.joinable()) m_thread.join();
}

BatchProgress CPrintBatch::Progress() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_progress;
}

std::vector<JobSendResult> CPrintBatch::Results() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_arrResults;
}

void CPrintBatch::Run() {
    for (std::size_t i = 0; i < m_arrPaths.size() && !m_bCancel; ++i) {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_progress.fileIndex = i;
            m_progress.path = m_arrPaths[i];
            m_progress.fileSize = m_arrSizes[i];
            m_progress.fileDone = 0;
        }
        const JobSendResult result = m_send(m_arrPaths[i], *this);
        std::lock_guard<std::mutex> hold(m_lock);
        m_arrResults[i] = result;
        // A file that failed counts as done for the bar, too.
        m_nBatchBefore += m_progress.fileSize;
        if (!m_progress.cancelling) m_progress.batchDone = m_nBatchBefore;
    }
    if (m_after && !m_bCancel) {
        std::vector<JobSendResult> results;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_progress.following = true;
            m_bFollowing = true;
            results = m_arrResults;
        }
        m_after(results, m_bCancel);
    }
    m_bFinished = true;
    if (m_finished) m_finished();
}

void CPrintBatch::FileStarted(std::uint64_t fileSize) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_progress.batchSize = m_progress.batchSize - m_progress.fileSize + fileSize;
    m_progress.fileSize = fileSize;
}

void CPrintBatch::FileTaken(std::uint64_t bytes) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_progress.cancelling) return;
    m_progress.fileDone = bytes;
    m_progress.batchDone = m_nBatchBefore + bytes;
}
