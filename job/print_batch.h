// A batch of files sent one after another on a worker thread, so that the window
// that started it keeps answering; it can be watched and stopped from any thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "job/job_sender.h"

struct BatchProgress {
    std::size_t fileIndex = 0;  // the file being sent, from 0
    std::size_t fileCount = 0;
    std::string path;
    std::uint64_t fileDone = 0, fileSize = 0;    // bytes of this file the spooler holds, of its size
    std::uint64_t batchDone = 0, batchSize = 0;  // the same for the whole batch
    bool cancelling = false;  // a cancel was asked for: the counts stay where it found them
    bool following = false;   // every file is sent; the printer is being followed
};

class CPrintBatch final : private JobWatch {
public:
    using Send = std::function<JobSendResult(const std::string& path, JobWatch& watch)>;

    // `expectedSizes` make the batch's total before each file is opened (the
    // open file's own size replaces its entry when it starts). `finished` is
    // called on the worker thread when the last file is done or the batch stopped.
    CPrintBatch(std::vector<std::string> paths, std::vector<std::uint64_t> expectedSizes, Send send,
                std::function<void()> finished);
    ~CPrintBatch();  // cancels and waits
    CPrintBatch(const CPrintBatch&) = delete;
    CPrintBatch& operator=(const CPrintBatch&) = delete;

    // Called on the worker thread once every file has been tried, unless the
    // batch was cancelled before; a Cancel meanwhile turns `stop` true (it stops
    // the waiting only: what was sent stays sent).
    using After = std::function<void(const std::vector<JobSendResult>& results, const std::atomic<bool>& stop)>;
    void SetAfter(After after) { m_after = std::move(after); }

    void Start();
    // The file being sent is aborted at the spooler; no further file is started.
    // The progress stops counting at once, while the spooler may take a while to let go.
    void Cancel();
    // A cancel came before every file was tried (not one that only stopped the following).
    bool CancelRequested() const { return m_bCancel && !m_bFollowing; }
    bool Finished() const { return m_bFinished; }
    void Wait();
    BatchProgress Progress() const;
    // One per file, in order, once finished; files never started count as kCancelled.
    std::vector<JobSendResult> Results() const;

private:
    void Run();
    bool Cancelled() override { return m_bCancel; }
    void FileStarted(std::uint64_t fileSize) override;
    void FileTaken(std::uint64_t bytes) override;

    const std::vector<std::string> m_arrPaths;
    Send m_send;
    std::function<void()> m_finished;
    After m_after;
    mutable std::mutex m_lock;
    BatchProgress m_progress;
    std::uint64_t m_nBatchBefore = 0;  // bytes of the files before the current one
    std::vector<std::uint64_t> m_arrSizes;
    std::vector<JobSendResult> m_arrResults;
    std::atomic<bool> m_bCancel{false}, m_bFinished{false}, m_bFollowing{false};
    std::thread m_thread;
};
