#include "spooler/spooler_access.h"

#include <algorithm>
#include <new>

#include "base/ansi_text.h"
#include "base/debug_log.h"

namespace {

enum class DefaultPrinterMethod { None, AttributeScan, ProfileEntry, SpoolerQuery };

DefaultPrinterMethod MethodFor(int versionClass) {
    switch (versionClass) {
    case kWin95: case kWin95OSR2: case kWin98: case kWin98SE: case kWinMe:
        return DefaultPrinterMethod::AttributeScan;
    case kWinNT3: case kWinNT4:
        return DefaultPrinterMethod::ProfileEntry;
    case kWin2000: case kWinXP: case kWin2003: case kWinVista: case kWinNT10:
        return DefaultPrinterMethod::SpoolerQuery;
    default:
        return DefaultPrinterMethod::None;
    }
}

}  // namespace

int ClassifyWindowsVersion(const OsVersion& v) {
    const char letter = v.servicePack.size() >= 2 ? v.servicePack[1] : '\0';
    switch (v.platformId) {
    case 0:  // VER_PLATFORM_WIN32s
        return kWin32s;
    case 1:  // VER_PLATFORM_WIN32_WINDOWS
        if (v.minor == 0) return (letter == 'B' || letter == 'C') ? kWin95OSR2 : kWin95;
        if (v.minor == 10) return letter == 'A' ? kWin98SE : kWin98;
        if (v.minor == 90) return kWinMe;
        return kWin9xOther;
    case 2:  // VER_PLATFORM_WIN32_NT
        if (v.major == 3) return kWinNT3;
        if (v.major == 4) return kWinNT4;
        if (v.major == 5) return v.minor == 0 ? kWin2000 : v.minor == 2 ? kWin2003 : kWinXP;
        if (v.major == 6) return kWinVista;
        // A program whose manifest declares Windows 10 is told 10.0; it has the
        // same spooler as 6.x, so it must not lose its default printer.
        if (v.major > 6) return kWinNT10;
        return kWinNTOther;
    default:
        return kWinUnknown;
    }
}

CTestPrint::CTestPrint(SpoolerOps& ops, std::uint32_t writeBlock)
    : m_ops(ops), m_nBlock(std::max<std::uint32_t>(1, writeBlock)) {
    RefreshPrinterList();
}

CTestPrint::~CTestPrint() = default;

bool CTestPrint::RefreshPrinterList() {
    m_arrPrinters.clear();
    m_bHasList = false;
    // The user's connections to shared printers too, so that a printer a print
    // server shares can be chosen; a record the spooler gives twice (the same
    // name) is listed once, where it first comes. Without connections the list
    // is the local one, as it was.
    std::vector<PrinterRecord> printers;
    bool ok = m_ops.ListPrinters(kPrinterEnumLocal | kPrinterEnumConnections, printers);
    if (ok) {
        for (PrinterRecord& printer : printers) {
            bool listed = false;
            for (const PrinterRecord& earlier : m_arrPrinters)
                listed |= earlier.name == printer.name;
            if (!listed) m_arrPrinters.push_back(std::move(printer));
        }
        m_bHasList = true;
    }
    m_nCurrentPrinter = GetDefaultPrinterIndex();
    return ok;
}

int CTestPrint::GetPrinterCount() const { return static_cast<int>(m_arrPrinters.size()); }

std::string CTestPrint::GetPrinterName(int index) const {
    if (!m_bHasList || index < 0 || index >= GetPrinterCount()) return std::string();
    return m_arrPrinters[index].name;
}

std::string CTestPrint::GetPortName(int index) const {
    if (!m_bHasList || index < 0 || index >= GetPrinterCount()) return std::string();
    return m_arrPrinters[index].port;
}

int CTestPrint::GetDefaultPrinterIndex() {
    int versionClass = kWinUnknown;
    OsVersion version;
    if (m_ops.GetVersion(true, version)) {
        DebugLog("[OS] dwMajorVersion : %d / dwMinorVersion : %d", static_cast<int>(version.major),
                 static_cast<int>(version.minor));
        if (m_ops.GetVersion(false, version)) versionClass = ClassifyWindowsVersion(version);
    }

    std::string name;
    switch (MethodFor(versionClass)) {
    case DefaultPrinterMethod::AttributeScan:
        for (const PrinterRecord& p : m_arrPrinters) {
            if (p.attributes & kPrinterAttributeDefault) {
                name = p.name;
                break;
            }
        }
        break;
    case DefaultPrinterMethod::ProfileEntry: {
        std::string device;
        if (m_ops.GetProfileDevice(device) >= 1) {
            std::string::size_type comma = device.find(',');
            if (comma != std::string::npos) name = device.substr(0, comma);
        }
        break;
    }
    case DefaultPrinterMethod::SpoolerQuery:
        DebugLog("WIN_2K/WIN_XP/WIN_2003/LH  GetWin2kDefaultPrinter");
        if (!m_ops.GetDefaultPrinterName(name)) name.clear();
        break;
    case DefaultPrinterMethod::None:
        break;
    }

    if (name.empty() || !m_bHasList) return -1;
    for (std::size_t i = 0; i < m_arrPrinters.size(); ++i)
        if (EqualPlatformNoCase(m_arrPrinters[i].name.c_str(), name.c_str())) return static_cast<int>(i);
    return -1;
}

int CTestPrint::GetCurrentPrinter() const { return m_nCurrentPrinter; }

bool CTestPrint::SetCurrentPrinterIndex(int index) {
    if (index == -1 || (index >= 0 && index < GetPrinterCount())) m_nCurrentPrinter = index;
    return true;
}

int CTestPrint::SetCurrentPrinter(const char* name) {
    if (name != nullptr && *name != '\0' && m_bHasList) {
        for (std::size_t i = 0; i < m_arrPrinters.size(); ++i) {
            if (EqualPlatformNoCase(m_arrPrinters[i].name.c_str(), name)) {
                m_nCurrentPrinter = static_cast<int>(i);
                break;
            }
        }
    }
    DebugLog("SetCurrentPrinter / Search model: %s Index: %d", name ? name : "", m_nCurrentPrinter);
    return m_nCurrentPrinter;
}

bool CTestPrint::IsXPSDriver(SpoolerOps::Handle printer) {
    if (printer == nullptr) return false;
    try {
        std::string path;
        if (m_ops.GetDriverPath(printer, path) != 0) return false;  // error 13: not XPS
        if (path.empty()) return false;
        std::string::size_type slash = path.find_last_of('\\');
        std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
        return EqualPlatformNoCase(file.c_str(), "mxdwdrv.dll");
    } catch (...) {
        DebugLog("GPF was occurrend in CTestPrint::IsXPSDriver");
        return false;
    }
}

bool CTestPrint::HasValidCurrentPrinter() const {
    return m_bHasList && m_nCurrentPrinter >= 0 && m_nCurrentPrinter < GetPrinterCount();
}

bool CTestPrint::WriteBlocks(SpoolerOps::Handle printer, DocumentSource& source, DocumentOutcome& outcome) {
    std::unique_ptr<char[]> block(new (std::nothrow) char[m_nBlock]);
    if (block == nullptr) return false;
    for (;;) {
        std::uint32_t got = 0;
        if (!source.Read(block.get(), m_nBlock, got)) {
            outcome.result = DocumentResult::kSourceStopped;
            return false;
        }
        if (got == 0) return true;
        // WritePrinter may take less than it was given; the rest follows for as
        // long as it takes something. A gap must never reach the printer.
        for (std::uint32_t done = 0; done < got;) {
            std::uint32_t written = 0;
            const bool ok = m_ops.Write(printer, block.get() + done, got - done, written);
            written = std::min(written, got - done);
            outcome.accepted += written;
            if (written > 0) source.Taken(written);
            if (!ok || written == 0) return false;
            done += written;
        }
    }
}

DocumentOutcome CTestPrint::WriteDocument(const char* documentName, DocumentSource& source) {
    DocumentOutcome outcome;
    if (!HasValidCurrentPrinter()) return outcome;

    SpoolerOps::Handle printer = m_ops.OpenPrinterByName(m_arrPrinters[m_nCurrentPrinter].name);
    if (printer == nullptr) return outcome;

    const char* dataType = "RAW";
    if (IsXPSDriver(printer)) {
        DebugLog("This is XPS Driver so Document Data type was set [XPS_PASS]");
        dataType = "XPS_PASS";
    }

    if (m_ops.StartDocument(printer, documentName ? documentName : "", dataType)) {
        bool ok = m_ops.StartPage(printer);
        if (ok) {
            ok = WriteBlocks(printer, source, outcome);
            DebugLog("WriteDocument / ret : WritePrinter : %d", ok ? 1 : 0);
        }
        ok = ok && m_ops.EndPage(printer) && m_ops.EndDoc(printer);
        // Only a document the spooler took whole and ended counts; anything
        // else is dropped, so that no cut or empty job prints.
        if (ok)
            outcome.result = DocumentResult::kPrinted;
        else
            m_ops.AbortDoc(printer);
    }
    m_ops.ClosePrinter(printer);
    return outcome;
}
