#include "device/printer_choice.h"

#include "base/ansi_text.h"
#include "device/prt_control.h"
#include "device/supported_types.h"
#include "spooler/spooler_access.h"

bool SelectNamedPrinter(CTestPrint& printers, const std::string& name) {
    const int current = printers.SetCurrentPrinter(name.c_str());
    // The current printer may already have carried the name: compare, not the index.
    return !name.empty() && EqualPlatformNoCase(printers.GetPrinterName(current).c_str(), name.c_str());
}

int ReadSupportedTypes(CPrtControl& control) {
    std::string strDeviceID;
    const int read = control.GetCurrentPrinterDeviceID(strDeviceID);
    return SupportedTypesFromDeviceID(read, strDeviceID);
}
