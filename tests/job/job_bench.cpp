// Sends one file through the job sender to a queue and prints where the time
// went and the peak working set of this process (run by job_bench.sh).
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/debug_log.h"
#include "job/job_message.h"
#include "job/job_sender.h"
#include "settings/param_mngr.h"
#include "spooler/spooler_access.h"

namespace {

LARGE_INTEGER g_frequency, g_start, g_copied, g_printed, g_ended;

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    return double(to.QuadPart - from.QuadPart) / double(g_frequency.QuadPart);
}

// The sender's own trace marks the end of each phase.
void Stamp(const char* line) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (std::strncmp(line, "SendDataToDevice / strDocName", 29) == 0) g_copied = now;
    else if (std::strncmp(line, "WriteDocument / ret : WritePrinter", 34) == 0) g_printed = now;  // the last write
    else if (std::strncmp(line, "SendDataToDevice / nResult", 26) == 0) g_ended = now;
}

void Message(int kind, const char*, const char* text) { std::fprintf(stderr, "message %d: %s\n", kind, text); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: job_bench <file> <printer>\n");
        return 2;
    }
    CParamMngr::create()->ApplyStartupDefaults();
    SetJobMessageBox(Message);
    CTestPrint printer;
    if (printer.SetCurrentPrinter(argv[2]) < 0 ||
        printer.GetPrinterName(printer.GetCurrentPrinter()) != argv[2]) {
        std::fprintf(stderr, "no printer %s\n", argv[2]);
        return 1;
    }
    SetDebugSink(Stamp);
    gwLogSwitch = 1;
    QueryPerformanceFrequency(&g_frequency);
    QueryPerformanceCounter(&g_start);
    bool ok = SendFileToDevice(printer, argv[1]) == JobSendResult::kSent;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&end);
    gwLogSwitch = 0;

    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    // Seconds from the start: header built (the file is streamed), last WritePrinter done,
    // document ended (Wine hands the job to CUPS here), call returned.
    std::printf("ok=%d copy=%.3f print=%.3f enddoc=%.3f call=%.3f peak_ws=%llu\n", ok ? 1 : 0,
                Seconds(g_start, g_copied), Seconds(g_start, g_printed), Seconds(g_start, g_ended),
                Seconds(g_start, end), static_cast<unsigned long long>(memory.PeakWorkingSetSize));
    CParamMngr::release();
    return ok ? 0 : 1;
}
