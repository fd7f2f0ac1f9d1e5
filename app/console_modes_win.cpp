// The Windows edge of -?, -L and -C: the spooler's printers and the device-ID
// check, each printer's check on a thread of its own.
#include <windows.h>

#include <memory>
#include <thread>

#include "app/console_modes.h"
#include "app/json_report.h"
#include "app/printer_report.h"
#include "app/usage_text.h"
#include "base/ansi_path.h"
#include "device/printer_choice.h"
#include "device/prt_control.h"
#include "device/supported_types.h"
#include "spooler/spooler_access.h"

namespace {

std::string AnsiToUtf8(const std::string& text) { return WideToUtf8(AnsiToWide(text)); }

// The check of the printer at `index`, with a spooler object and a lookup of its
// own, so that checks of several printers can run at the same time.
void CheckPrinter(int index, PrinterCheckReport& report) {
    CTestPrint printers;
    printers.SetCurrentPrinterIndex(index);
    const std::unique_ptr<DeviceIo> device = NewSystemDeviceIo();
    const std::unique_ptr<RegistryReader> registry = NewSystemRegistry();
    CPrtControl control{printers, *device, *registry, SystemPrinterPlaces()};
    std::string deviceId;
    const int read = control.GetCurrentPrinterDeviceID(deviceId);
    report.bChecked = true;
    report.nSupportedTypes = SupportedTypesFromDeviceID(read, deviceId);
    report.deviceId = deviceId;
    report.source = control.GetDeviceIdSource();
}

PrinterCheckReport Describe(const CTestPrint& printers, int index, int defaultIndex) {
    PrinterCheckReport report;
    report.name = AnsiToUtf8(TrimPrinterName(printers.GetPrinterName(index)));
    report.port = AnsiToUtf8(printers.GetPortName(index));
    report.bDefault = index == defaultIndex;
    return report;
}

int ListPrinters(bool check, bool json) {
    CTestPrint printers;
    const int defaultIndex = printers.GetDefaultPrinterIndex();
    std::vector<PrinterCheckReport> reports;
    for (int i = 0; i < printers.GetPrinterCount(); ++i) reports.push_back(Describe(printers, i, defaultIndex));
    if (check) {
        // The whole list takes about as long as its slowest printer, not the sum.
        std::vector<std::thread> checks;
        for (std::size_t i = 0; i < reports.size(); ++i)
            checks.emplace_back(CheckPrinter, static_cast<int>(i), std::ref(reports[i]));
        for (std::thread& t : checks) t.join();
    }
    WriteConsoleReport(PrinterListLines(reports, json));
    return reports.empty() ? 2 : 0;
}

int CheckOnePrinter(const std::wstring& printerName, bool json) {
    CTestPrint printers;
    std::string refusal;
    const std::string name = WideToUtf8(printerName);
    if (printers.GetPrinterCount() == 0)
        refusal = "no printer is installed";
    else if (!name.empty() && !SelectNamedPrinter(printers, WideToAnsi(printerName)))
        refusal = "there is no printer \"" + name + "\"";
    else if (name.empty() && printers.GetDefaultPrinterIndex() < 0)
        refusal = "there is no default printer";
    if (!refusal.empty()) {
        WriteConsoleReport({json ? JsonRefusal(refusal) : refusal});
        return 2;
    }
    const int index = name.empty() ? printers.GetDefaultPrinterIndex() : printers.GetCurrentPrinter();
    PrinterCheckReport report = Describe(printers, index, printers.GetDefaultPrinterIndex());
    CheckPrinter(index, report);
    WriteConsoleReport(PrinterCheckLines(report, json));
    return CheckExitCode(report);
}

std::vector<std::string> Utf8Usage() {
    std::vector<std::string> lines;
    for (const std::string& line : UsageLines()) lines.push_back(AnsiToUtf8(line));
    return lines;
}

}  // namespace

bool RunConsoleMode(const CommandLineSwitches& switches, const std::wstring& printerName, int& exitCode) {
    if (switches.bUsage) {
        WriteConsoleReport(Utf8Usage());
        exitCode = 0;
        return true;
    }
    if (const std::string misplaced = MisplacedSwitches(switches); !misplaced.empty()) {
        WriteConsoleReport({switches.bJson ? JsonRefusal(misplaced) : misplaced});
        exitCode = 2;
        return true;
    }
    if (switches.bList) {
        exitCode = ListPrinters(switches.bCheck, switches.bJson);
        return true;
    }
    if (switches.bCheck) {
        exitCode = CheckOnePrinter(printerName, switches.bJson);
        return true;
    }
    return false;
}
