// CTestPrint: the program's contact with the print spooler. It keeps the list of
// local printers and the current one, finds the system's default printer, tells
// XPS drivers apart, holds the job file and writes one job per document.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "spooler/spooler_ops.h"

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

// The job file is read back and handed to the spooler in blocks of this size:
// under Wine a write from a mapped view of the file is several times slower,
// and blocks of 1 MiB and more are slower than these.
constexpr std::uint32_t kJobWriteBlock = 256u << 10;

class CTestPrint {
public:
    // The Windows spooler (Windows builds only).
    CTestPrint();
    // Any set of spooler operations; `ops` must outlive the object.
    explicit CTestPrint(SpoolerOps& ops, std::uint32_t writeBlock = kJobWriteBlock);
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

    // Takes the open job file (read access) and reads it through that same
    // handle: a file the system deletes on its last close is opened by no one
    // else. The handle is CTestPrint's from the call on, also when the file is
    // empty or its size unknown (then false, nothing held).
    bool OpenDataFile(SpoolerOps::Handle jobFile);
    // Closes the job file.
    void CloseDataFile();
    // Writes the job file to the current printer as one document, block by
    // block, and returns the bytes the spooler accepted (0 when nothing was
    // written). A job file that cannot be read to its end is dropped, not
    // printed. The file is closed once the spooler holds its last byte, before
    // the document is ended, so the system can let it go early.
    long long WriteDocument(const char* documentName);

private:
    SpoolerOps& m_ops;
    std::vector<PrinterRecord> m_arrPrinters;
    bool m_bHasList = false;
    int m_nCurrentPrinter = -1;
    SpoolerOps::Handle m_hJobFile = nullptr;
    std::uint64_t m_nJobSize = 0;
    std::uint32_t m_nBlock;

    bool HasValidCurrentPrinter() const;
    // Bytes the spooler accepted; `readFailed` when the job file failed first.
    long long WriteBlocks(SpoolerOps::Handle printer, bool& readFailed);
};
