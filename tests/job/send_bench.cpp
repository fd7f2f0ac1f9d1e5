// One timed send for send_bench.sh: a file to a queue by one of three paths, timed
// from the user's action until the capture listener holds the whole job.
//   send_bench window  <file> <queue>   Orvex with the file, Print pressed on the sheet
//   send_bench probed  <file> <queue>   the same while the sheet is asked every 20 ms whether it
//                                       answers (as the Wine tests do), to see what asking costs
//   send_bench command <file> <queue>   Orvex -P -M <queue> <file>
//   send_bench thin    <file> <queue>   rawprint.exe (the thinnest raw job)
// Prints "seconds=S peak_private=B job=PATH": B is the sending process's peak private
// memory (0 for the thin job, which is not ours).
#define PSAPI_VERSION 2  // GetProcessMemoryInfo from kernel32
#include <windows.h>
#include <psapi.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/bench/bench_queues.h"
#include "tests/tabs/orvex_driver.h"

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

const std::string kPortKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\CUPS:";

// The queue's port names the agent that says PDF and JPEG, so that the printer check passes.
bool MapQueue(const std::string& queue) {
    std::string agent = Env("ORVANE_AGENT_PDFJPEG");
    agent = agent.substr(0, agent.rfind(':'));
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kPortKey + queue).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                        nullptr) != ERROR_SUCCESS)
        return false;
    RegSetValueExA(h, "IPAddress", 0, REG_SZ, reinterpret_cast<const BYTE*>(agent.c_str()),
                   static_cast<DWORD>(agent.size() + 1));
    RegCloseKey(h);
    return true;
}

double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(f.QuadPart);
}

// Polls until the queue has one job more than `before`, noting the process's peak private memory.
struct Watch {
    size_t before;
    HANDLE process = nullptr;
    SIZE_T peak = 0;

    bool Until(const std::string& queue, DWORD timeoutMs) {
        return WaitFor(
            [&] {
                PROCESS_MEMORY_COUNTERS_EX m{};
                m.cb = sizeof m;
                if (process && GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m))
                    peak = std::max(peak, std::max<SIZE_T>(m.PeakPagefileUsage, m.PrivateUsage));
                return bench::CapturedJobs(queue).size() > before;
            },
            timeoutMs);
    }
};

bool Launch(const std::string& commandLine, PROCESS_INFORMATION& pi) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string cmd = commandLine;
    return CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: send_bench window|probed|command|thin <file> <queue>\n");
        return 2;
    }
    const std::string mode = argv[1], file = argv[2], queue = argv[3];
    constexpr DWORD kTimeoutMs = 1800 * 1000;
    if (mode != "thin" && !MapQueue(queue)) {
        std::fprintf(stderr, "send_bench: cannot map %s to its agent\n", queue.c_str());
        return 1;
    }
    Watch watch{bench::CapturedJobs(queue).size()};
    double start = 0, end = 0;
    bool arrived = false;
    if (mode == "window" || mode == "probed") {
        SetDefaultPrinterA(queue.c_str());
        OrvexDriver orvex;
        if (!orvex.Start("\"" + file + "\"") || !orvex.WaitSheet() ||
            !WaitFor([&] { return orvex.PrintButtonShown(); }, 30000)) {
            std::fprintf(stderr, "send_bench: the sheet did not come up ready to print\n");
            return 1;
        }
        orvex.Settle();
        watch.process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, orvex.ProcessId());
        start = Now();
        orvex.Print();
        if (mode == "probed")
            orvex.LongestUnanswered([&] { return arrived = watch.Until(queue, 0); }, kTimeoutMs);
        else
            arrived = watch.Until(queue, kTimeoutMs);
        end = Now();
        // The progress box closes once the spooler let the job go; then the sheet closes.
        constexpr int kProgressFile = 1060;
        WaitFor([&] { return orvex.WaitWindowWith(kProgressFile, 0) == nullptr; }, 60000);
        CloseHandle(watch.process);
        watch.process = nullptr;
        orvex.Stop();
    } else {
        const std::string exe =
            mode == "thin" ? "\"" + WinePath(RAWPRINT_EXE) + "\" \"" + file + "\" " + queue
                           : "\"" + WinePath(ORVEX_EXE) + "\" -P -M " + queue + " \"" + file + "\"";
        PROCESS_INFORMATION pi{};
        start = Now();
        if (!Launch(exe, pi)) {
            std::fprintf(stderr, "send_bench: cannot start %s\n", exe.c_str());
            return 1;
        }
        if (mode != "thin") watch.process = pi.hProcess;
        arrived = watch.Until(queue, kTimeoutMs);
        end = Now();
        WaitForSingleObject(pi.hProcess, 60000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        watch.process = nullptr;
    }
    if (mode != "thin") RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kPortKey + queue).c_str());
    if (!arrived) {
        std::fprintf(stderr, "send_bench: no job reached %s\n", queue.c_str());
        return 1;
    }
    std::printf("seconds=%.3f peak_private=%llu job=%s\n", end - start, static_cast<unsigned long long>(watch.peak),
                bench::CapturedJobs(queue).back().c_str());
    return 0;
}
