// The Windows edge of printing without the window: the spooler's printers, the
// device-ID check, the Basic tab's file check and the job sender, and the
// console the report is written to.
#include <windows.h>

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
    AnsiPath Locate(const std::string& name) override { return ToAnsiPath(::ResolvedPath(Utf8ToWide(name))); }
    FileCheck CheckFile(const std::string& path, int types) override { return CheckPrintFile(path.c_str(), types); }
    JobSendResult SendFile(const std::string& path) override { return SendFileToDevice(m_printers, path.c_str()); }

private:
    CTestPrint m_printers;
    CPrtControl m_control{m_printers, SystemDeviceIo(), SystemRegistry()};
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

// Output the caller handed over (a redirection) wins; otherwise the console of
// the program that started us, if it has one.
void WriteReport(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) DebugLog("[QEL] PrintMode : %s", WideToAnsi(Utf8ToWide(line)).c_str());
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE console = INVALID_HANDLE_VALUE;
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
        out = console;
    }
    if (out != nullptr && out != INVALID_HANDLE_VALUE)
        for (const std::string& line : lines) WriteLine(out, line);
    if (console != INVALID_HANDLE_VALUE) {
        CloseHandle(console);
        FreeConsole();
    }
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
    const JobMessageBox previous = SetJobMessageBox(TraceJobMessage);
    PrintModeReport report;
    {
        SystemPrintModeEdge edge;
        report = RunPrintMode(files, WideToUtf8(printerName), switches, edge);
    }
    CParamMngr::release();
    SetJobMessageBox(previous);
    WriteReport(report.lines);
    return report.nExitCode;
}
