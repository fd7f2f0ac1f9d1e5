// The job sender end to end through the real spooler (Wine's, on the bench's
// CUPS): what the capture listener behind a raw queue receives, the document
// name CUPS records, and the failure paths with real files.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/localized_text.h"
#include "job/job_message.h"
#include "job/job_sender.h"
#include "job/pjl_envelope.h"
#include "settings/param_mngr.h"
#include "spooler/spooler_access.h"
#include "tests/bench/bench_queues.h"

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

using bench::WinePath;

std::vector<std::string> ListFiles(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Whether `file` holds exactly `head`, then the bytes of `source`, then `tail`;
// read in blocks, so that jobs of several GiB can be compared.
bool HoldsJob(const std::string& file, const std::string& head, const std::string& source, const std::string& tail) {
    const std::uint64_t size = FileSize(source);
    if (FileSize(file) != head.size() + size + tail.size()) return false;
    std::ifstream job(file, std::ios::binary), data(source, std::ios::binary);
    auto next = [](std::ifstream& in, std::string& into, std::size_t n) {
        into.resize(n);
        return bool(in.read(&into[0], static_cast<std::streamsize>(n)));
    };
    std::string a, b;
    if (!next(job, a, head.size()) || a != head) return false;
    for (std::uint64_t left = size; left > 0;) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, 8u << 20));
        if (!next(job, a, n) || !next(data, b, n) || a != b) return false;
        left -= n;
    }
    return next(job, a, tail.size()) && a == tail;
}

std::vector<int> g_messages;
void RecordMessage(int kind, const char*, const char*) { g_messages.push_back(kind); }

// The real spooler plus one printer that is listed but cannot be opened.
class WithGhostPrinter : public SpoolerOps {
public:
    explicit WithGhostPrinter(SpoolerOps& real) : r(real) {}
    SpoolerOps& r;
    bool ListPrinters(std::uint32_t flags, std::vector<PrinterRecord>& p) override {
        if (!r.ListPrinters(flags, p)) return false;
        p.push_back({"Orvane Ghost Printer", "CUPS:OrvaneGhost", 0});
        return true;
    }
    unsigned GetProfileDevice(std::string& t) override { return r.GetProfileDevice(t); }
    bool GetDefaultPrinterName(std::string& n) override { return r.GetDefaultPrinterName(n); }
    bool GetVersion(bool e, OsVersion& v) override { return r.GetVersion(e, v); }
    Handle OpenPrinterByName(const std::string& n) override { return r.OpenPrinterByName(n); }
    void ClosePrinter(Handle h) override { r.ClosePrinter(h); }
    int GetDriverPath(Handle h, std::string& p) override { return r.GetDriverPath(h, p); }
    bool StartDocument(Handle h, const std::string& d, const std::string& t) override { return r.StartDocument(h, d, t); }
    bool StartPage(Handle h) override { return r.StartPage(h); }
    bool Write(Handle h, const void* d, std::uint32_t s, std::uint32_t& w) override { return r.Write(h, d, s, w); }
    bool EndPage(Handle h) override { return r.EndPage(h); }
    bool EndDoc(Handle h) override { return r.EndDoc(h); }
    bool AbortDoc(Handle h) override { return r.AbortDoc(h); }
};

class JobSpoolerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (Env("ORVANE_JOBS_DIR").empty() || Env("ORVANE_QUEUE_2").empty()) return;
        queue_ = Env("ORVANE_QUEUE_2");
        jobs_ = WinePath(Env("ORVANE_JOBS_DIR")) + "\\" + queue_;
        spool_ = WinePath(Env("ORVANE_BENCH_DIR")) + "\\cups\\spool";
    }
    void SetUp() override {
        if (queue_.empty()) GTEST_SKIP() << "no bench (ORVANE_JOBS_DIR, ORVANE_QUEUE_2)";
        gszLocalFileName[0] = '\0';
        CParamMngr::release();
        CParamMngr::create()->ApplyStartupDefaults();
        previous_ = SetJobMessageBox(RecordMessage);
        g_messages.clear();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        temp_ = temp;
        dir_ = temp_ + "orvane-job-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir_.c_str(), nullptr);
        tempFilesBefore_ = ListFiles(temp_ + "QEL*.TMP").size();
    }
    void TearDown() override {
        if (queue_.empty()) return;
        // What this test sent has left the spooler and its listener before the next one starts.
        EXPECT_EQ(bench::WaitQueuesIdle({queue_}, 300000), "");
        SetJobMessageBox(previous_);
        CParamMngr::release();
        EXPECT_EQ(ListFiles(temp_ + "QEL*.TMP").size(), tempFilesBefore_) << "temporary job file left behind";
        for (const auto& f : ListFiles(dir_ + "\\tmp\\*")) DeleteFileA((dir_ + "\\tmp\\" + f).c_str());
        RemoveDirectoryA((dir_ + "\\tmp").c_str());
        for (const auto& f : ListFiles(dir_ + "\\*")) DeleteFileA((dir_ + "\\" + f).c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    // A sparse file (holes cost no disk) with text every 256 MiB, across the 2 GiB
    // line and at its end, so that a shifted, cut or repeated stretch shows.
    std::string MakeSparseSource(const std::string& name, std::uint64_t size) {
        std::string path = dir_ + "\\" + name;
        HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return path;
        std::vector<std::uint64_t> marks = {0x80000000u - 4, size - 8};
        for (std::uint64_t at = 0; at + 16 < size; at += 256u << 20) marks.push_back(at);
        for (std::uint64_t at : marks) {
            char text[16];
            int n = std::snprintf(text, sizeof text, "@%llx", static_cast<unsigned long long>(at));
            LARGE_INTEGER to;
            to.QuadPart = static_cast<LONGLONG>(at);
            DWORD written = 0;
            if (at + 8 <= size && SetFilePointerEx(f, to, nullptr, FILE_BEGIN))
                WriteFile(f, text, static_cast<DWORD>(std::min(n, 8)), &written, nullptr);
        }
        CloseHandle(f);
        return path;
    }
    // Waits for a captured job of this size that holds header, source and trailer.
    bool ArrivedWhole(const std::string& head, const std::string& source, const std::string& tail, int seconds) {
        const std::uint64_t size = head.size() + FileSize(source) + tail.size();
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            for (const auto& f : ListFiles(jobs_ + "\\job-*.bin")) {
                const std::string job = jobs_ + "\\" + f;
                if (seen_.count(f) || FileSize(job) != size) continue;
                seen_.insert(f);
                bool whole = HoldsJob(job, head, source, tail);
                DeleteFileA(job.c_str());  // gigabytes: not kept for the rest of the run
                return whole;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return false;
    }
    std::string MakeSource(const std::string& name, std::size_t size) {
        std::string data(size, '\0');
        std::mt19937 random(static_cast<unsigned>(size * 2654435761u + GetCurrentProcessId()));
        for (char& c : data) c = static_cast<char>(random());
        std::string path = dir_ + "\\" + name;
        std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
        return path;
    }
    // Waits for a captured job with exactly these bytes (other jobs may share the queue).
    bool Arrived(const std::string& expected, int seconds = 60) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            for (const auto& f : ListFiles(jobs_ + "\\job-*.bin")) {
                if (seen_.count(f)) continue;
                std::string content = ReadAll(jobs_ + "\\" + f);
                if (content == expected) {
                    seen_.insert(f);
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    // CUPS keeps a control file per job; the job name is in it as plain text.
    bool CupsKnowsJobName(const std::string& name, int seconds = 30) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            for (const auto& f : ListFiles(spool_ + "\\c*"))
                if (ReadAll(spool_ + "\\" + f).find(name) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    int JobCount() { return static_cast<int>(ListFiles(jobs_ + "\\job-*").size()); }

    static std::string queue_, jobs_, spool_;
    static std::set<std::string> seen_;
    std::string temp_, dir_;
    std::size_t tempFilesBefore_ = 0;
    JobMessageBox previous_ = nullptr;
};

std::string JobSpoolerTest::queue_, JobSpoolerTest::jobs_, JobSpoolerTest::spool_;
std::set<std::string> JobSpoolerTest::seen_;

}  // namespace

TEST_F(JobSpoolerTest, DefaultPrinterOfTheSystemIsCurrent) {
    CTestPrint tp;
    ASSERT_GE(tp.GetPrinterCount(), 3);
    ASSERT_GE(tp.GetCurrentPrinter(), 0);
    EXPECT_EQ(tp.GetPrinterName(tp.GetCurrentPrinter()), Env("ORVANE_QUEUE_1"));
    int q = tp.SetCurrentPrinter(queue_.c_str());
    EXPECT_EQ(tp.GetPrinterName(q), queue_);
    EXPECT_EQ(tp.GetPortName(q).rfind("CUPS:", 0), 0u) << tp.GetPortName(q);
}

TEST_F(JobSpoolerTest, ArrivesAsHeaderFileTrailer) {
    CTestPrint tp;
    ASSERT_GE(tp.SetCurrentPrinter(queue_.c_str()), 0);
    const std::size_t sizes[] = {0, 4096, 4097, 5 * 1024 * 1024 + 3};
    for (std::size_t size : sizes) {
        SCOPED_TRACE(size);
        std::string name = "e2e" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(size) + ".pdf";
        std::string path = MakeSource(name, size);
        std::string expected = SendStartPJLCommand(path.c_str(), FileSize(path)) + ReadAll(path) + SendEndPJLCommand();
        EXPECT_NE(expected.find("@FILESIZE=" + std::to_string(size) + "\""), std::string::npos);
        EXPECT_EQ(SendFileToDevice(tp, path.c_str()), JobSendResult::kSent);
        EXPECT_TRUE(g_messages.empty());
        EXPECT_TRUE(Arrived(expected)) << "no job of " << expected.size() << " bytes in " << jobs_;
        EXPECT_TRUE(CupsKnowsJobName("QEL_" + name));
    }
}

TEST_F(JobSpoolerTest, FailurePaths) {
    CTestPrint plain;
    WithGhostPrinter ghost(SystemSpoolerOps());
    std::string source = MakeSource("fail.pdf", 10000);
    int before = JobCount();

    {  // missing source
        SCOPED_TRACE("missing source");
        g_messages.clear();
        plain.SetCurrentPrinter(queue_.c_str());
        EXPECT_EQ(SendFileToDevice(plain, (dir_ + "\\none.pdf").c_str()), JobSendResult::kNotBuilt);
        EXPECT_EQ(g_messages, std::vector<int>{6});
    }
    {  // another process holds the source open for writing
        SCOPED_TRACE("source locked by another process");
        char exe[MAX_PATH];
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string cmd = "\"" + std::string(exe) + "\" --hold-open \"" + source + "\"";
        std::string ready = "OrvaneJobLocked" + std::to_string(GetCurrentProcessId());
        HANDLE readyEvent = CreateEventA(nullptr, TRUE, FALSE, ready.c_str());
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        SetEnvironmentVariableA("ORVANE_LOCK_EVENT", ready.c_str());
        ASSERT_TRUE(CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        ASSERT_EQ(WaitForSingleObject(readyEvent, 20000), WAIT_OBJECT_0);
        g_messages.clear();
        EXPECT_EQ(SendFileToDevice(plain, source.c_str()), JobSendResult::kNotBuilt);
        EXPECT_EQ(g_messages, std::vector<int>{6});
        TerminateProcess(pi.hProcess, 0);
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        CloseHandle(readyEvent);
    }
    {  // no current printer: nothing is sent, nothing is shown
        SCOPED_TRACE("no current printer");
        plain.SetCurrentPrinterIndex(-1);
        g_messages.clear();
        EXPECT_EQ(SendFileToDevice(plain, source.c_str()), JobSendResult::kSpoolerRefused);
        EXPECT_TRUE(g_messages.empty());
    }
    {  // a printer that cannot be opened
        SCOPED_TRACE("printer cannot be opened");
        CTestPrint tp(ghost);
        ASSERT_GE(tp.SetCurrentPrinter("Orvane Ghost Printer"), 0);
        ASSERT_EQ(tp.GetPrinterName(tp.GetCurrentPrinter()), "Orvane Ghost Printer");
        g_messages.clear();
        EXPECT_EQ(SendFileToDevice(tp, source.c_str()), JobSendResult::kSpoolerRefused);
        EXPECT_TRUE(g_messages.empty());
    }
    Sleep(2000);  // anything sent by mistake would have arrived by now
    EXPECT_EQ(JobCount(), before);
}

// A file just over 2 GiB arrives as header + every byte + trailer, and the header
// names its true size.
TEST_F(JobSpoolerTest, JobOverTwoGiBArrivesWhole) {
    CTestPrint tp;
    ASSERT_GE(tp.SetCurrentPrinter(queue_.c_str()), 0);
    const std::uint64_t size = (std::uint64_t(2) << 30) + 4099;
    std::string path = MakeSparseSource("big" + std::to_string(GetCurrentProcessId()) + ".tif", size);
    ASSERT_EQ(FileSize(path), size);
    std::string header = SendStartPJLCommand(path.c_str(), FileSize(path));
    EXPECT_NE(header.find("\"@FILESIZE=2147487747\"\r\n"), std::string::npos) << header;
    EXPECT_EQ(SendFileToDevice(tp, path.c_str()), JobSendResult::kSent);
    EXPECT_TRUE(ArrivedWhole(header, path, SendEndPJLCommand(), 600)) << "no whole job in " << jobs_;
    DeleteFileA(path.c_str());
}

// Helper mode: hold a file open for writing, unshared, until killed.
int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--hold-open") {
        HANDLE f = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return 2;
        char name[64] = "";
        GetEnvironmentVariableA("ORVANE_LOCK_EVENT", name, sizeof name);
        HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, name);
        if (ready) SetEvent(ready);
        Sleep(60000);
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
