// The print-spooler operations CTestPrint stands on. One real
// implementation calls the Windows spooler; tests substitute their own.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The parts of a level-2 printer record the program uses.
struct PrinterRecord {
    std::string name;
    std::string port;
    std::uint32_t attributes = 0;
};

// PRINTER_ATTRIBUTE_DEFAULT
constexpr std::uint32_t kPrinterAttributeDefault = 0x00000004;
// PRINTER_ENUM_LOCAL, PRINTER_ENUM_CONNECTIONS: the printers installed here,
// and those shared by print servers that the user has connected to.
constexpr std::uint32_t kPrinterEnumLocal = 0x00000002;
constexpr std::uint32_t kPrinterEnumConnections = 0x00000004;

// The answer of GetVersionExA.
struct OsVersion {
    std::uint32_t platformId = 0;   // VER_PLATFORM_WIN32s 0, _WINDOWS 1, _NT 2
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::string servicePack;        // szCSDVersion
};

class SpoolerOps {
public:
    using Handle = void*;  // nullptr = none

    virtual ~SpoolerOps() = default;

    // EnumPrintersA(flags, level 2): size query, then the records.
    virtual bool ListPrinters(std::uint32_t flags, std::vector<PrinterRecord>& printers) = 0;
    // GetProfileStringA("windows", "device", ",,,") into 260 characters;
    // returns the number of characters copied.
    virtual unsigned GetProfileDevice(std::string& text) = 0;
    // The spooler's default-printer query; false when it fails.
    virtual bool GetDefaultPrinterName(std::string& name) = 0;
    // GetVersionExA with the extended (OSVERSIONINFOEXA) or the basic record.
    virtual bool GetVersion(bool extended, OsVersion& version) = 0;

    // OpenPrinterA with default access; nullptr on failure.
    virtual Handle OpenPrinterByName(const std::string& name) = 0;
    virtual void ClosePrinter(Handle printer) = 0;
    // GetPrinterDriverA level 2: the record's driver file path. Returns 0 on
    // success (path empty when the record has none), 13 when the size query,
    // the allocation or the query failed. May throw on a fault.
    virtual int GetDriverPath(Handle printer, std::string& path) = 0;
    // StartDocPrinterA level 1 (no output file); false when it fails.
    virtual bool StartDocument(Handle printer, const std::string& docName, const std::string& dataType) = 0;
    virtual bool StartPage(Handle printer) = 0;
    // WritePrinter; `written` gets the count the spooler reported.
    virtual bool Write(Handle printer, const void* data, std::uint32_t size, std::uint32_t& written) = 0;
    virtual bool EndPage(Handle printer) = 0;
    virtual bool EndDoc(Handle printer) = 0;
    // AbortPrinter: the started document is dropped, not printed.
    virtual bool AbortDoc(Handle printer) = 0;
};

#if defined(_WIN32)
// The Windows spooler and kernel.
SpoolerOps& SystemSpoolerOps();
#endif
