#include "app/print_mode.h"

#include "device/printer_state_text.h"

namespace {

// The printer the files go to, and why it cannot take any (empty when it can).
struct PrinterVerdict {
    std::string name;
    int nSupportedTypes = -2;
    std::string reason;  // empty: usable
    PrinterState state;
};

PrinterVerdict JudgePrinter(const std::string& requested, bool requestedTooLong, PrintModeEdge& edge) {
    PrinterVerdict v;
    if (edge.PrinterCount() == 0) {
        v.reason = "no printer is installed";
        return v;
    }
    if (requestedTooLong) {  // no printer has such a name; the default is not what was asked for
        v.reason = "the printer's name is longer than 259 characters";
        return v;
    }
    if (!edge.ChoosePrinter(requested)) {
        v.reason = "there is no printer \"" + requested + "\"";
        return v;
    }
    v.name = edge.CurrentPrinterName();
    if (v.name.empty()) {
        v.reason = "there is no default printer";
        return v;
    }
    v.nSupportedTypes = edge.ReadSupportedTypes();
    v.state = edge.CheckedPrinterState();
    if (v.nSupportedTypes < 0)
        v.reason = "printer \"" + v.name + "\" is busy, switched off or cannot be reached";
    else if (v.nSupportedTypes == 0)
        v.reason = "printer \"" + v.name + "\" takes none of the formats";
    return v;
}

const char* FileReason(FileCheck check) {
    switch (check) {
    case FileCheck::kMissing: return "missing";
    case FileCheck::kNotAFile: return "not a file";
    case FileCheck::kUnsupported: return "unsupported format";
    case FileCheck::kAccepted: break;
    }
    return "";
}

const char* NameReason(AnsiPathStatus status) {
    switch (status) {
    case AnsiPathStatus::kMissing: return "missing";
    case AnsiPathStatus::kTooLong: return "a path longer than 259 characters";
    case AnsiPathStatus::kNoAnsiName: return "a name the ANSI code page cannot hold";
    case AnsiPathStatus::kUsable: break;
    }
    return "";
}

const char* SendReason(JobSendResult result) {
    switch (result) {
    case JobSendResult::kNotBuilt: return "cannot be opened";
    case JobSendResult::kSpoolerRefused: return "refused by the spooler";
    case JobSendResult::kCancelled: return "cancelled";
    case JobSendResult::kSent: break;
    }
    return "";
}

}  // namespace

PrintModeReport RunPrintMode(const std::vector<std::string>& files, const std::string& printerName,
                             const CommandLineSwitches& switches, PrintModeEdge& edge) {
    PrintModeReport report;
    const std::size_t named = files.size() + switches.nTooLongFiles;
    if (named == 0) {
        report.lines.push_back("0 of 0 files sent: no file named");
        return report;
    }

    const PrinterVerdict printer = JudgePrinter(printerName, switches.bTooLongPrinterName, edge);
    // A script is never asked: it hears what the printer reports, and the files go all the same.
    const ConditionWords words = WordsFor(printer.state.condition);
    const std::string state = DescribeState(printer.state, words.english ? words.english : "");
    if (!state.empty()) report.lines.push_back("printer \"" + printer.name + "\" reports: " + state);
    std::size_t sent = 0;
    bool cancelled = false;
    const bool follow = switches.bWaitForFate && printer.reason.empty();
    if (follow) edge.BeforeSends();
    std::vector<std::string> sentFiles;
    std::vector<std::size_t> sentRows;   // where each sent file stands in report.files
    for (const std::string& file : files) {
        std::string reason;
        if (!printer.reason.empty())
            reason = "printer unusable";
        else if (cancelled)  // nothing more is started after a cancel
            reason = SendReason(JobSendResult::kCancelled);
        else if (const AnsiPath located = edge.Locate(file); located.status != AnsiPathStatus::kUsable)
            reason = NameReason(located.status);
        else if (const FileCheck check = edge.CheckFile(located.path, printer.nSupportedTypes);
                 check != FileCheck::kAccepted)
            reason = FileReason(check);
        else if (const JobSendResult result = edge.SendFile(located.path); result != JobSendResult::kSent) {
            reason = SendReason(result);
            cancelled = result == JobSendResult::kCancelled;
        }
        report.files.push_back({file, reason, std::nullopt});
        if (reason.empty()) {
            ++sent;
            sentFiles.push_back(file);
            sentRows.push_back(report.files.size() - 1);
            report.lines.push_back("sent: " + file);
        } else {
            report.lines.push_back("not sent: " + file + " (" + reason + ")");
        }
    }
    for (std::size_t i = 0; i < switches.nTooLongFiles; ++i) {
        report.lines.push_back("not sent: a file name longer than 259 characters");
        report.files.push_back({"", "a file name longer than 259 characters", std::nullopt});
    }
    report.printer = printer.name;
    report.printerReason = printer.reason;

    // One outcome line per sent file, once the printer has had its say.
    bool errorReported = false;
    if (follow && !sentFiles.empty() && !cancelled) {
        const std::vector<FileFate> fates = edge.FollowSent();
        for (std::size_t i = 0; i < sentFiles.size() && i < fates.size(); ++i) {
            report.lines.push_back(FateLine(sentFiles[i], fates[i], FateFormats()));
            report.files[sentRows[i]].fate = fates[i];
            errorReported |= fates[i].fate == JobFate::kPrinterError;
        }
    }

    std::string summary = std::to_string(sent) + " of " + std::to_string(named) + " files sent";
    if (printer.reason.empty())
        summary += " to \"" + printer.name + "\"";
    else
        summary += ": " + printer.reason;
    report.lines.push_back(summary);
    report.nExitCode = sent == named ? (errorReported ? kPrintErrorReported : kPrintAllSent)
                       : sent > 0    ? kPrintSomeSent
                                     : kPrintNoneSent;
    return report;
}
