// Printing without the window (-P): the files named on the command line go to
// the chosen printer with the start-up options, and one line per file plus a
// summary tell what became of them. Everything here is decided without Windows;
// the printer, the file check and the job sender come in through PrintModeEdge.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "base/ansi_path.h"
#include "device/printer_state.h"
#include "job/file_check.h"
#include "job/job_fate.h"
#include "job/job_sender.h"

// Exit codes of the mode.
constexpr int kPrintAllSent = 0;   // every named file was sent
constexpr int kPrintSomeSent = 1;  // some were sent, some were not
constexpr int kPrintNoneSent = 2;  // none was sent, or none was named
constexpr int kPrintErrorReported = 3;  // -W: every file was sent, and the printer reported an error for one at least

// What the mode asks of the system, in the order it asks. Names of files and
// printers are UTF-8 here: the report shows them as the user wrote them.
class PrintModeEdge {
public:
    virtual ~PrintModeEdge() = default;
    virtual int PrinterCount() = 0;
    // Makes the system's default printer current, then the printer called `name`
    // (any letter case) when a name is given; false when no printer has that name.
    virtual bool ChoosePrinter(const std::string& name) = 0;
    // The current printer's name, empty when there is none.
    virtual std::string CurrentPrinterName() = 0;
    // The current printer's supported-language set; -1 when its device ID cannot be read.
    virtual int ReadSupportedTypes() = 0;
    // What the printer said of its state in that check; nothing unless told.
    virtual PrinterState CheckedPrinterState() { return PrinterState(); }
    // The ANSI path by which the program's calls reach the file named `name` (as
    // given on the command line, UTF-8; a .lnk's target), or why there is none.
    virtual AnsiPath Locate(const std::string& name) = 0;
    virtual FileCheck CheckFile(const std::string& path, int nSupportedTypes) = 0;
    virtual JobSendResult SendFile(const std::string& path) = 0;
    // -W: called once before the first file is sent, and once after the last,
    // for one fate per file SendFile sent, in order.
    virtual void BeforeSends() {}
    virtual std::vector<FileFate> FollowSent() { return {}; }
};

// What became of one named file: `reason` is empty when it was sent.
struct PrintModeFile {
    std::string name;  // as given; empty for a name dropped for its length
    std::string reason;
    std::optional<FileFate> fate;  // -W: what became of it at the printer
};

struct PrintModeReport {
    // The printer's state when it told one (the files are sent all the same), one
    // line per named file in command-line order, then the summary.
    std::vector<std::string> lines;
    int nExitCode = kPrintNoneSent;
    // The same for scripts (-J): each file, the printer, and why it took none.
    std::vector<PrintModeFile> files;
    std::string printer;
    std::string printerReason;
};

// Checks the printer once, then checks and sends each file in order. The report
// names each file as `files` gives it (UTF-8, as typed). Names the command line
// dropped for their length count as named and not sent.
PrintModeReport RunPrintMode(const std::vector<std::string>& files, const std::string& printerName,
                             const CommandLineSwitches& switches, PrintModeEdge& edge);

#if defined(_WIN32)
// The mode with the system's printers, files and spooler: no window and no
// message box; the report goes to the console and the trace. Returns the exit code.
// The names are the command line's Unicode tokens.
int PrintWithoutWindow(const std::vector<std::wstring>& names, const std::wstring& printerName,
                       const CommandLineSwitches& switches);
#endif
