// The job sender end to end through the real spooler (Wine's, on the bench's
// CUPS): what the capture listener behind a raw queue receives, the document
// name CUPS records, and the failure paths with real files.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/localized_text.h"
#include "job/job_message.h"
#include "job/job_sender.h"
#include "job/pjl_envelope.h"
#include "job/test_print.h"
#include "settings/param_mngr.h"

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// A Unix path of the bench as Wine shows it.
std::string WinePath(const std::string& unixPath) {
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

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

std::vector<int> g_messages;
void RecordMessage(int kind, const char*, const char*) { g_messages.push_back(kind); }

// The real spooler plus one printer that is listed but cannot be opened.
class WithGhostPrinter : public SpoolerOps {
public:
    explicit WithGhostPrinter(SpoolerOps& real) : r(real) {}
    SpoolerOps& r;
    bool EnumLocalPrinters(std::vector<PrinterRecord>& p) override {
        if (!r.EnumLocalPrinters(p)) return false;
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
    bool OpenMapping(const std::string& p, Handle& f, Handle& m, std::uint64_t& s) override {
        return r.OpenMapping(p, f, m, s);
    }
    const void* MapView(Handle m, std::uint64_t o, std::size_t s) override { return r.MapView(m, o, s); }
    void UnmapView(const void* v) override { r.UnmapView(v); }
    void CloseHandle(Handle h) override { r.CloseHandle(h); }
    std::uint32_t ViewAlignment() override { return r.ViewAlignment(); }
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
        SetJobMessageBox(previous_);
        CParamMngr::release();
        EXPECT_EQ(ListFiles(temp_ + "QEL*.TMP").size(), tempFilesBefore_) << "temporary job file left behind";
        for (const auto& f : ListFiles(dir_ + "\\*")) DeleteFileA((dir_ + "\\" + f).c_str());
        RemoveDirectoryA(dir_.c_str());
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
        std::string expected = SendStartPJLCommand(path.c_str()) + ReadAll(path) + SendEndPJLCommand();
        EXPECT_NE(expected.find("@FILESIZE=" + std::to_string(size) + "\""), std::string::npos);
        EXPECT_TRUE(SendDataToDevice(tp, path.c_str()));
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
        EXPECT_FALSE(SendDataToDevice(plain, (dir_ + "\\none.pdf").c_str()));
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
        EXPECT_FALSE(SendDataToDevice(plain, source.c_str()));
        EXPECT_EQ(g_messages, std::vector<int>{6});
        TerminateProcess(pi.hProcess, 0);
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        CloseHandle(readyEvent);
    }
    {  // temporary folder that cannot take files
        char saved[MAX_PATH] = "";
        GetEnvironmentVariableA("TMP", saved, MAX_PATH);
        for (const char* folder : {"Z:\\proc\\", "C:\\no\\such\\folder\\"}) {
            SCOPED_TRACE(folder);
            SetEnvironmentVariableA("TMP", folder);
            g_messages.clear();
            EXPECT_FALSE(SendDataToDevice(plain, source.c_str()));
            EXPECT_EQ(g_messages, std::vector<int>{6});
        }
        SetEnvironmentVariableA("TMP", saved[0] ? saved : nullptr);
    }
    {  // no current printer: nothing is sent, nothing is shown
        SCOPED_TRACE("no current printer");
        plain.SetCurrentPrinterIndex(-1);
        g_messages.clear();
        EXPECT_TRUE(SendDataToDevice(plain, source.c_str()));
        EXPECT_TRUE(g_messages.empty());
    }
    {  // a printer that cannot be opened
        SCOPED_TRACE("printer cannot be opened");
        CTestPrint tp(ghost);
        ASSERT_GE(tp.SetCurrentPrinter("Orvane Ghost Printer"), 0);
        ASSERT_EQ(tp.GetPrinterName(tp.GetCurrentPrinter()), "Orvane Ghost Printer");
        g_messages.clear();
        EXPECT_TRUE(SendDataToDevice(tp, source.c_str()));
        EXPECT_TRUE(g_messages.empty());
    }
    Sleep(2000);  // anything sent by mistake would have arrived by now
    EXPECT_EQ(JobCount(), before);
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
