// The Windows edge of printing without the window: the spooler's printers, the
// device-ID check, the Basic tab's file check and the job sender, and the
// console the report is written to.
#include <windows.h>

#include <atomic>
#include <memory>

#include "app/console_modes.h"
#include "app/job_options.h"
#include "app/json_report.h"
#include "app/print_mode.h"
#include "base/ansi_path.h"
#include "base/debug_log.h"
#include "device/printer_choice.h"
#include "device/prt_control.h"
#include "device/supported_types.h"
#include "job/file_check.h"
#include "job/job_message.h"
#include "settings/param_mngr.h"
#include "spooler/spooler_access.h"

namespace {

// Ctrl+C, Ctrl+Break and closing the console abort the job being sent.
std::atomic<bool> g_cancelled{false};
HANDLE g_sendIdle = nullptr;  // set while no job is being sent

void WriteLines(const std::vector<std::string>& lines);

BOOL WINAPI OnConsoleControl(DWORD event) {
    // Said at once: the spooler may take seconds to let the job go.
    if (!g_cancelled.exchange(true)) WriteLines({"cancelling\xE2\x80\xA6"});
    // The system ends the process once this returns from a close: the job must
    // be aborted at the spooler first (within the system's grace period).
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(g_sendIdle, 4000);
    return TRUE;
}

class ConsoleWatch final : public JobWatch {
public:
    bool Cancelled() override { return g_cancelled; }
    void FileStarted(std::uint64_t) override {}
    void FileTaken(std::uint64_t) override {}
};

class SystemPrintModeEdge : public PrintModeEdge {
public:
    int PrinterCount() override { return m_printers.GetPrinterCount(); }
    bool ChoosePrinter(const std::string& name) override {
        m_printers.SetCurrentPrinterIndex(m_printers.GetDefaultPrinterIndex());
        return name.empty() || SelectNamedPrinter(m_printers, WideToAnsi(Utf8ToWide(name)));
    }
    std::string CurrentPrinterName() override {
        return WideToUtf8(AnsiToWide(TrimPrinterName(m_printers.GetPrinterName(m_printers.GetCurrentPrinter()))));
    }
    int ReadSupportedTypes() override { return ::ReadSupportedTypes(m_control); }
    PrinterState CheckedPrinterState() override { return m_control.GetPrinterState(); }
    AnsiPath Locate(const std::string& name) override { return ToAnsiPath(::ResolvedPath(Utf8ToWide(name))); }
    FileCheck CheckFile(const std::string& path, int types) override { return CheckPrintFile(path.c_str(), types); }
    JobSendResult SendFile(const std::string& path) override {
        ResetEvent(g_sendIdle);
        ConsoleWatch watch;
        const JobSendResult result = SendFileToDevice(m_printers, path.c_str(), &watch);
        SetEvent(g_sendIdle);
        if (result == JobSendResult::kSent) m_jobIds.push_back(m_printers.LastJobId());
        return result;
    }
    void BeforeSends() override {
        const PrinterState& state = m_control.GetPrinterState();
        m_pEdge.reset(new CSpoolerJobFateEdge(m_printers, m_control.GetStateTarget(), g_cancelled));
        m_pFollower.reset(new CJobFollower(*m_pEdge, state.condition != PrinterCondition::kUnknown || state.pageCount >= 0,
                                           ReadFollowSeconds()));
        m_pFollower->Before(0);
    }
    // Ctrl+C while waiting stops the waiting; the jobs stay with the printer.
    std::vector<FileFate> FollowSent() override { return m_pFollower ? m_pFollower->Follow(m_jobIds) : std::vector<FileFate>(); }

private:
    CTestPrint m_printers;
    CPrtControl m_control{m_printers, SystemDeviceIo(), SystemRegistry(), SystemPrinterPlaces()};
    std::vector<std::uint32_t> m_jobIds;
    std::unique_ptr<CSpoolerJobFateEdge> m_pEdge;
    std::unique_ptr<CJobFollower> m_pFollower;
};

// The job sender's messages become trace lines: nobody is there to close a box.
void TraceJobMessage(int, const char*, const char* text) { DebugLog("[QEL] PrintMode : %s", text); }

// The names as the user typed them: a console shows them in Unicode, a file or a
// pipe gets UTF-8 (an ANSI code page may hold none of their letters).
void WriteLine(HANDLE out, const std::string& line) {
    const std::string text = line + "\r\n";
    DWORD written = 0, mode = 0;
    if (GetConsoleMode(out, &mode)) {
        const std::wstring wide = Utf8ToWide(text);
        WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

bool HasStandardOutput() {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    return out != nullptr && out != INVALID_HANDLE_VALUE;
}

// Output the caller handed over (a redirection) wins; otherwise the console this
// process is attached to, if any. Each line also goes to the trace.
void WriteLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) DebugLog("[QEL] PrintMode : %s", WideToAnsi(Utf8ToWide(line)).c_str());
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE console = INVALID_HANDLE_VALUE;
    if (!HasStandardOutput()) {
        console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
        out = console;
    }
    if (out != nullptr && out != INVALID_HANDLE_VALUE)
        for (const std::string& line : lines) WriteLine(out, line);
    if (console != INVALID_HANDLE_VALUE) CloseHandle(console);
}

// The console of the program that started us, when no output was handed over.
void WriteReport(const std::vector<std::string>& lines) {
    // Attached already at the start (for Ctrl+C) unless there was no console.
    const bool console =
        !HasStandardOutput() && (AttachConsole(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED);
    WriteLines(lines);
    if (console) FreeConsole();
}

}  // namespace

int PrintWithoutWindow(const std::vector<std::wstring>& names, const std::wstring& printerName,
                       const CommandLineSwitches& switches) {
    // Each file is reported by the name the user gave; the edge finds its ANSI name.
    std::vector<std::string> files;
    for (const std::wstring& name : names) files.push_back(WideToUtf8(name));

    // Exactly what Print right after start-up would send.
    CParamMngr* settings = CParamMngr::create();
    if (settings == nullptr) return 2;
    settings->ApplyStartupDefaults();
    // -o and -n change this run's settings only; a refused option sends nothing.
    if (std::string refused; !ApplyJobOptions(switches.jobOptions, *settings, refused)) {
        CParamMngr::release();
        WriteReport({switches.bJson ? JsonRefusal(refused) : refused});
        return kPrintNoneSent;
    }
    const JobMessageBox previous = SetJobMessageBox(TraceJobMessage);
    // Ctrl+C reaches only a process attached to the console.
    AttachConsole(ATTACH_PARENT_PROCESS);
    g_sendIdle = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    PrintModeReport report;
    {
        SystemPrintModeEdge edge;
        report = RunPrintMode(files, WideToUtf8(printerName), switches, edge);
    }
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    CloseHandle(g_sendIdle);
    g_sendIdle = nullptr;
    CParamMngr::release();
    SetJobMessageBox(previous);
    WriteReport(switches.bJson ? JsonPrintReport(report) : report.lines);
    return report.nExitCode;
}

void WriteConsoleReport(const std::vector<std::string>& lines) { WriteReport(lines); }
