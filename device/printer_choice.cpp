#include "device/printer_choice.h"

#include "device/prt_control.h"
#include "device/supported_types.h"
#include "job/ansi_text.h"
#include "job/test_print.h"

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
