// CTestPrint: the program's contact with the print spooler. It keeps the list of
// local printers and the current one, finds the system's default printer, tells
// XPS drivers apart, holds the mapped job file and writes one job per document.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "job/spooler_ops.h"

// Windows version classes as the default-printer lookup uses them.
enum WindowsVersionClass : int {
    kWinUnknown = -1,
    kWin32s = 2,
    kWin95 = 3,
    kWin95OSR2 = 4,
    kWin98 = 6,
    kWin98SE = 7,
    kWinMe = 9,
    kWin9xOther = 10,
    kWinNT3 = 11,
    kWinNT4 = 12,
    kWinNTOther = 13,
    kWin2000 = 14,
    kWinXP = 15,
    kWin2003 = 16,
    kWinVista = 18,     // NT 6.x
    kWinNT10 = 19,      // NT major version above 6: Windows 10 and later, seen only with a manifest that declares them
};

// The class of a GetVersionExA answer.
int ClassifyWindowsVersion(const OsVersion& version);

// The job goes to the spooler in writes of this many bytes, each from its own
// view: the process never holds more of a large job than one window.
constexpr std::size_t kJobWriteWindow = 64u << 20;

class CTestPrint {
public:
    // The Windows spooler (Windows builds only).
    CTestPrint();
    // Any set of spooler operations; `ops` must outlive the object. `writeWindow`
    // is rounded down to the system's view alignment.
    explicit CTestPrint(SpoolerOps& ops, std::size_t writeWindow = kJobWriteWindow);
    virtual ~CTestPrint();
    CTestPrint(const CTestPrint&) = delete;
    CTestPrint& operator=(const CTestPrint&) = delete;

    // Enumerates the local printers again and makes the default one current;
    // false when the enumeration failed (the list is then empty).
    bool RefreshPrinterList();
    int GetPrinterCount() const;
    // Empty for an index outside 0 ... count - 1.
    std::string GetPrinterName(int index) const;
    std::string GetPortName(int index) const;
    // Index of the system's default printer in the list, or -1.
    int GetDefaultPrinterIndex();
    int GetCurrentPrinter() const;
    // Accepts -1 (no selection) and 0 ... count - 1; ignores anything else.
    bool SetCurrentPrinterIndex(int index);
    // Makes the first printer of that name (any letter case) current; returns
    // the current index, unchanged when nothing matches.
    int SetCurrentPrinter(const char* name);
    // True when the open printer's driver file is "mxdwdrv.dll".
    bool IsXPSDriver(SpoolerOps::Handle printer);

    // Takes the open job file and maps it read-only through that same handle (a
    // file the system deletes on its last close can be opened by no one else).
    // The handle is CTestPrint's from the call on, closed with the mapping, also
    // when the mapping fails (then false, nothing held).
    bool OpenDataFile(SpoolerOps::Handle jobFile);
    // Unmaps and closes the job file.
    void CloseDataFile();
    // Writes the mapped job to the current printer as one document, window by
    // window, and returns the bytes the spooler accepted (0 when nothing was
    // written). The job file is closed once the spooler holds its last byte,
    // before the document is ended, so the system can drop it early.
    long long WriteDocument(const char* documentName);

private:
    SpoolerOps& m_ops;
    std::vector<PrinterRecord> m_arrPrinters;
    bool m_bHasList = false;
    int m_nCurrentPrinter = -1;
    SpoolerOps::Handle m_hJobFile = nullptr;
    SpoolerOps::Handle m_hMapping = nullptr;
    std::uint64_t m_nJobSize = 0;
    std::size_t m_nWindow;

    bool HasValidCurrentPrinter() const;
    long long WriteWindows(SpoolerOps::Handle printer);
};
