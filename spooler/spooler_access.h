// CTestPrint: the program's contact with the print spooler. It keeps the list of
// printers (the local ones and the user's connections to shared ones) and the current one, finds the system's default printer, tells
// XPS drivers apart and writes one job per document.
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

// A document goes to the spooler in blocks of this size: under Wine blocks of
// 1 MiB and more are slower than these.
constexpr std::uint32_t kJobWriteBlock = 256u << 10;

// The bytes of one document, handed out block by block on the sending thread.
class DocumentSource {
public:
    virtual ~DocumentSource() = default;
    // Up to `size` bytes into `buffer`; `got` 0 at the end. False stops the
    // document: it is aborted at the spooler and nothing of it prints.
    virtual bool Read(void* buffer, std::uint32_t size, std::uint32_t& got) = 0;
    // The spooler has taken `bytes` more of the document.
    virtual void Taken(std::uint32_t bytes) = 0;
};

// What became of a document: printed only when every call from StartDocPrinter
// to EndDocPrinter succeeded and every byte was taken; otherwise it was aborted
// (or never started) because the spooler failed or the source stopped it.
enum class DocumentResult { kPrinted, kSpoolerFailed, kSourceStopped };

struct DocumentOutcome {
    DocumentResult result = DocumentResult::kSpoolerFailed;
    long long accepted = 0;  // bytes WritePrinter took
};

class CTestPrint {
public:
    // The Windows spooler (Windows builds only).
    CTestPrint();
    // Any set of spooler operations; `ops` must outlive the object.
    explicit CTestPrint(SpoolerOps& ops, std::uint32_t writeBlock = kJobWriteBlock);
    virtual ~CTestPrint();
    CTestPrint(const CTestPrint&) = delete;
    CTestPrint& operator=(const CTestPrint&) = delete;

    // Enumerates the printers again and makes the default one current;
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

    // Writes `source` to the current printer as one document, block by block.
    // A short write is continued while the spooler takes something; a failed
    // call, a write that takes nothing, or a source that stops aborts the
    // document (AbortPrinter), so that no part of it prints.
    DocumentOutcome WriteDocument(const char* documentName, DocumentSource& source);

private:
    SpoolerOps& m_ops;
    std::vector<PrinterRecord> m_arrPrinters;
    bool m_bHasList = false;
    int m_nCurrentPrinter = -1;
    std::uint32_t m_nBlock;

    bool HasValidCurrentPrinter() const;
    // True when the source ran to its end and the spooler took every byte.
    bool WriteBlocks(SpoolerOps::Handle printer, DocumentSource& source, DocumentOutcome& outcome);
};
