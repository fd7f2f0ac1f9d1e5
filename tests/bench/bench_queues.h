// The bench's queues as a Windows test sees them: the jobs a test made itself, and
// a wait until the private spooler and the capture listeners hold nothing more, so
// that what one test sent cannot land in the next test's count.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace bench {

inline std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// A Unix path of the bench as Wine shows it (Z:\ and backslashes).
inline std::string WinePath(const std::string& unixPath) {
    std::string p = "Z:" + unixPath;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

// Files of a queue's capture folder matching `pattern` (job-*.bin: complete jobs;
// job-*.part: connections still open), full paths, oldest first.
inline std::vector<std::string> QueueFiles(const std::string& queue, const char* pattern) {
    std::vector<std::string> files;
    const std::string folder = WinePath(Env("ORVANE_JOBS_DIR") + "/" + queue);
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\" + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return files;
    do {
        files.push_back(folder + "\\" + data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(files.begin(), files.end());
    return files;
}

inline std::vector<std::string> CapturedJobs(const std::string& queue) { return QueueFiles(queue, "job-*.bin"); }

// The jobs present when it was made; New() lists those that came since, so a job
// that arrives late from another test, or one another test clears, cannot shift the count.
class JobsSnapshot {
public:
    JobsSnapshot() = default;
    explicit JobsSnapshot(const std::vector<std::string>& queues) {
        for (const std::string& q : queues) {
            const auto jobs = CapturedJobs(q);
            m_before[q] = std::set<std::string>(jobs.begin(), jobs.end());
        }
    }
    std::vector<std::string> New(const std::string& queue) const {
        std::vector<std::string> jobs = CapturedJobs(queue);
        const auto known = m_before.find(queue);
        if (known != m_before.end())
            jobs.erase(std::remove_if(jobs.begin(), jobs.end(),
                                      [&](const std::string& j) { return known->second.count(j) != 0; }),
                       jobs.end());
        return jobs;
    }
    // Deletes the jobs that came since: sends of gigabytes would fill the disk run after run.
    void DeleteNew() const {
        for (const auto& queue : m_before)
            for (const std::string& job : New(queue.first)) DeleteFileA(job.c_str());
    }

private:
    std::map<std::string, std::set<std::string>> m_before;
};

// What `lpstat -o` of the private spooler ($CUPS_SERVER) lists for the queues (jobs
// not completed), or its complaint; "?" when it could not be started.
inline std::string PendingInSpooler(const std::vector<std::string>& queues) {
    std::string command = "Z:\\usr\\bin\\lpstat -o";
    for (const std::string& q : queues) command += " " + q;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return "?";
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = writeEnd;
    PROCESS_INFORMATION pi{};
    const bool started =
        CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    std::string output;
    char buffer[1024];
    DWORD got = 0;
    while (started && ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
    CloseHandle(readEnd);
    if (!started) return "?";
    // Wine keeps no exit code of a Unix program: its output ending is its end, and
    // anything it says (a job, or an error on its error output) counts as busy.
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return output;
}

// Waits until the spooler lists no job of `queues` and no capture listener of theirs
// has a connection open (no .part file), both seen twice in a row. Returns what was
// still in hand after `timeoutMs` ("" once idle).
inline std::string WaitQueuesIdle(const std::vector<std::string>& queues, DWORD timeoutMs) {
    std::string busy;
    int quietChecks = 0;
    for (const DWORD start = GetTickCount(); quietChecks < 2; Sleep(100)) {
        busy = PendingInSpooler(queues);
        for (const std::string& q : queues)
            for (const std::string& part : QueueFiles(q, "job-*.part")) busy += "open: " + part + "\n";
        quietChecks = busy.empty() ? quietChecks + 1 : 0;
        if (!busy.empty() && GetTickCount() - start >= timeoutMs) return busy;
    }
    return "";
}

}  // namespace bench
