// The Windows spooler and kernel behind CTestPrint.
#include <windows.h>
#include <winspool.h>

#include <new>
#include <vector>

#include "spooler/spooler_access.h"
#include "spooler/spooler_ops.h"

namespace {

class WindowsSpoolerOps final : public SpoolerOps {
public:
    bool ListPrinters(std::uint32_t flags, std::vector<PrinterRecord>& printers) override {
        DWORD needed = 0, returned = 0;
        EnumPrintersA(flags, nullptr, 2, nullptr, 0, &needed, &returned);
        std::vector<BYTE> buffer(needed ? needed : 1);
        if (!EnumPrintersA(flags, nullptr, 2, buffer.data(), needed, &needed, &returned))
            return false;
        const auto* records = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
        printers.clear();
        for (DWORD i = 0; i < returned; ++i) {
            PrinterRecord r;
            r.name = records[i].pPrinterName ? records[i].pPrinterName : "";
            r.port = records[i].pPortName ? records[i].pPortName : "";
            r.attributes = records[i].Attributes;
            printers.push_back(r);
        }
        return true;
    }

    unsigned GetProfileDevice(std::string& text) override {
        char buffer[MAX_PATH] = "";
        DWORD n = GetProfileStringA("windows", "device", ",,,", buffer, sizeof buffer);
        text.assign(buffer, n);
        return n;
    }

    bool GetDefaultPrinterName(std::string& name) override {
        // Exported by name since Windows 2000; old spoolers offered it only as ordinal 201.
        char buffer[MAX_PATH] = "";
        DWORD size = sizeof buffer;
        if (!GetDefaultPrinterA(buffer, &size)) return false;
        name = buffer;
        return true;
    }

    bool GetVersion(bool extended, OsVersion& version) override {
        OSVERSIONINFOEXA info = {};
        info.dwOSVersionInfoSize = extended ? sizeof(OSVERSIONINFOEXA) : sizeof(OSVERSIONINFOA);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return false;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
        version.platformId = info.dwPlatformId;
        version.major = info.dwMajorVersion;
        version.minor = info.dwMinorVersion;
        version.build = info.dwBuildNumber;
        version.servicePack = info.szCSDVersion;
        return true;
    }

    Handle OpenPrinterByName(const std::string& name) override {
        HANDLE printer = nullptr;
        if (!OpenPrinterA(const_cast<char*>(name.c_str()), &printer, nullptr)) return nullptr;
        return printer;
    }

    void ClosePrinter(Handle printer) override { ::ClosePrinter(printer); }

    int GetDriverPath(Handle printer, std::string& path) override {
        DWORD needed = 0;
        GetPrinterDriverA(printer, nullptr, 2, nullptr, 0, &needed);
        if (needed == 0) return ERROR_INVALID_DATA;
        std::vector<BYTE> block;
        try {
            block.assign(needed, 0);
        } catch (const std::bad_alloc&) {
            return ERROR_INVALID_DATA;
        }
        if (!GetPrinterDriverA(printer, nullptr, 2, block.data(), needed, &needed)) return ERROR_INVALID_DATA;
        const auto* info = reinterpret_cast<const DRIVER_INFO_2A*>(block.data());
        path = info->pDriverPath ? info->pDriverPath : "";
        return 0;
    }

    bool StartDocument(Handle printer, const std::string& docName, const std::string& dataType) override {
        DOC_INFO_1A doc = {};
        doc.pDocName = const_cast<char*>(docName.c_str());
        doc.pOutputFile = nullptr;
        doc.pDatatype = const_cast<char*>(dataType.c_str());
        return StartDocPrinterA(printer, 1, reinterpret_cast<BYTE*>(&doc)) != 0;
    }

    bool StartPage(Handle printer) override { return StartPagePrinter(printer) != FALSE; }

    bool Write(Handle printer, const void* data, std::uint32_t size, std::uint32_t& written) override {
        DWORD count = 0;
        BOOL ok = WritePrinter(printer, const_cast<void*>(data), size, &count);
        written = count;
        return ok != FALSE;
    }

    bool EndPage(Handle printer) override { return EndPagePrinter(printer) != FALSE; }
    bool EndDoc(Handle printer) override { return EndDocPrinter(printer) != FALSE; }

    bool AbortDoc(Handle printer) override { return AbortPrinter(printer) != FALSE; }
};

}  // namespace

SpoolerOps& SystemSpoolerOps() {
    static WindowsSpoolerOps ops;
    return ops;
}

CTestPrint::CTestPrint() : CTestPrint(SystemSpoolerOps()) {}
