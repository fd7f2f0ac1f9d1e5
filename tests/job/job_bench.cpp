// Sends one file through the job sender to a queue and prints where the time
// went and the peak working set of this process (run by job_bench.sh).
// Variants of the send, to find where time goes:
//   JOB_BENCH_BLOCK=bytes       the block size (the sender's own by default)
//   JOB_BENCH_CALLS=n           each block handed to WritePrinter in n calls
//   JOB_BENCH_READ=plain|ahead  the file opened without the sequential-scan hint, or read
//                               with one overlapped read ahead of the block being written
//   JOB_BENCH_WATCH=1           watched as the window's progress box watches a batch
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "base/debug_log.h"
#include "job/job_message.h"
#include "job/job_sender.h"
#include "job/print_batch.h"
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

unsigned long EnvNumber(const char* name, unsigned long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtoul(v, nullptr, 10) : fallback;
}

// The system spooler, each write split into `calls` calls.
class SplitWrites final : public SpoolerOps {
public:
    SplitWrites(SpoolerOps& ops, unsigned calls) : m(ops), m_calls(calls ? calls : 1) {}
    bool ListPrinters(std::uint32_t f, std::vector<PrinterRecord>& p) override { return m.ListPrinters(f, p); }
    unsigned GetProfileDevice(std::string& t) override { return m.GetProfileDevice(t); }
    bool GetDefaultPrinterName(std::string& n) override { return m.GetDefaultPrinterName(n); }
    bool GetVersion(bool e, OsVersion& v) override { return m.GetVersion(e, v); }
    Handle OpenPrinterByName(const std::string& n) override { return m.OpenPrinterByName(n); }
    void ClosePrinter(Handle p) override { m.ClosePrinter(p); }
    int GetDriverPath(Handle p, std::string& path) override { return m.GetDriverPath(p, path); }
    bool StartDocument(Handle p, const std::string& d, const std::string& t) override { return m.StartDocument(p, d, t); }
    bool StartPage(Handle p) override { return m.StartPage(p); }
    bool Write(Handle p, const void* data, std::uint32_t size, std::uint32_t& written) override {
        const std::uint32_t piece = (size + m_calls - 1) / m_calls;
        written = 0;
        while (written < size) {
            std::uint32_t n = 0;
            if (!m.Write(p, static_cast<const char*>(data) + written, std::min(piece, size - written), n)) return false;
            if (n == 0) return true;
            written += n;
        }
        return true;
    }
    bool EndPage(Handle p) override { return m.EndPage(p); }
    bool EndDoc(Handle p) override { return m.EndDoc(p); }
    bool AbortDoc(Handle p) override { return m.AbortDoc(p); }

private:
    SpoolerOps& m;
    unsigned m_calls;
};

// Files opened without the sequential-scan hint.
class PlainFiles : public JobFileOps {
public:
    Handle OpenSource(const char* path) override {
        HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, Flags(), nullptr);
        return f == INVALID_HANDLE_VALUE ? nullptr : f;
    }
    bool Size(Handle file, std::uint64_t& size) override { return SystemJobFileOps().Size(file, size); }
    bool Read(Handle file, void* buffer, std::uint32_t size, std::uint32_t& got) override {
        return SystemJobFileOps().Read(file, buffer, size, got);
    }
    bool Close(Handle file) override { return CloseHandle(file) != FALSE; }

protected:
    virtual DWORD Flags() const { return FILE_ATTRIBUTE_NORMAL; }
};

// One overlapped read runs ahead: the next block is read while this one is written.
class ReadAheadFiles final : public PlainFiles {
public:
    bool Read(Handle file, void* buffer, std::uint32_t size, std::uint32_t& got) override {
        got = 0;
        if (!m_pending || m_pendingSize != size) {
            if (m_pending) Finish(file);
            if (!Issue(file, size)) return false;
        }
        const bool ok = Finish(file);
        got = m_got;
        std::memcpy(buffer, m_ahead.get(), got);
        m_offset += got;
        if (ok && got == size) Issue(file, size);
        return ok;
    }
    bool Close(Handle file) override {
        if (m_pending) Finish(file);
        return PlainFiles::Close(file);
    }

private:
    DWORD Flags() const override { return FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED | FILE_FLAG_SEQUENTIAL_SCAN; }
    bool Issue(Handle file, std::uint32_t size) {
        if (m_capacity < size) {
            m_ahead.reset(new char[size]);
            m_capacity = size;
        }
        if (!m_event) m_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_ov = OVERLAPPED{};
        m_ov.Offset = static_cast<DWORD>(m_offset);
        m_ov.OffsetHigh = static_cast<DWORD>(m_offset >> 32);
        m_ov.hEvent = m_event;
        m_pendingSize = size;
        m_pending = ReadFile(file, m_ahead.get(), size, nullptr, &m_ov) || GetLastError() == ERROR_IO_PENDING ||
                    GetLastError() == ERROR_HANDLE_EOF;
        return m_pending;
    }
    bool Finish(Handle file) {
        DWORD n = 0;
        m_pending = false;
        const bool ok = GetOverlappedResult(file, &m_ov, &n, TRUE) || GetLastError() == ERROR_HANDLE_EOF;
        m_got = n;
        return ok;
    }

    std::unique_ptr<char[]> m_ahead;
    std::uint32_t m_capacity = 0, m_pendingSize = 0, m_got = 0;
    std::uint64_t m_offset = 0;
    HANDLE m_event = nullptr;
    OVERLAPPED m_ov{};
    bool m_pending = false;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: job_bench <file> <printer>\n");
        return 2;
    }
    CParamMngr::create()->ApplyStartupDefaults();
    SetJobMessageBox(Message);
    SplitWrites ops(SystemSpoolerOps(), static_cast<unsigned>(EnvNumber("JOB_BENCH_CALLS", 1)));
    CTestPrint printer(ops, static_cast<std::uint32_t>(EnvNumber("JOB_BENCH_BLOCK", kJobWriteBlock)));
    const std::string read = std::getenv("JOB_BENCH_READ") ? std::getenv("JOB_BENCH_READ") : "";
    PlainFiles plain;
    ReadAheadFiles ahead;
    JobFileOps& files = read == "plain" ? plain : read == "ahead" ? static_cast<JobFileOps&>(ahead) : SystemJobFileOps();
    if (printer.SetCurrentPrinter(argv[2]) < 0 ||
        printer.GetPrinterName(printer.GetCurrentPrinter()) != argv[2]) {
        std::fprintf(stderr, "no printer %s\n", argv[2]);
        return 1;
    }
    SetDebugSink(Stamp);
    gwLogSwitch = 1;
    QueryPerformanceFrequency(&g_frequency);
    QueryPerformanceCounter(&g_start);
    bool ok;
    if (EnvNumber("JOB_BENCH_WATCH", 0)) {
        CPrintBatch batch({argv[1]}, {0}, [&](const std::string& path, JobWatch& watch) {
            return SendFileToDevice(printer, files, path.c_str(), &watch);
        }, nullptr);
        batch.Start();
        // The window's box reads the progress five times a second.
        while (!batch.Finished()) {
            batch.Progress();
            Sleep(200);
        }
        batch.Wait();
        ok = batch.Results()[0] == JobSendResult::kSent;
    } else {
        ok = SendFileToDevice(printer, files, argv[1]) == JobSendResult::kSent;
    }
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
