// What -L and -C tell about printers, for people and for scripts (-J).
#pragma once
#include <string>
#include <vector>

struct PrinterCheckReport {
    std::string name;
    std::string port;
    bool bDefault = false;
    bool bChecked = false;       // the check ran (-C, or -L -C)
    int nSupportedTypes = -1;    // 0 to 31; -1 when the device ID could not be read
    std::string deviceId;
    std::string source;          // where the device ID came from
};

// The languages of a supported-language set, in the set's bit order.
std::vector<std::string> LanguageNames(int nSupportedTypes);

// -L: one line per printer ("* name (port)" for the default, with -C the check after a colon).
std::vector<std::string> PrinterListLines(const std::vector<PrinterCheckReport>& printers, bool json);

// -C: the device ID, where it came from and the languages.
std::vector<std::string> PrinterCheckLines(const PrinterCheckReport& printer, bool json);

// -C's exit code: 0 when the printer takes at least one of the formats, 2 otherwise.
int CheckExitCode(const PrinterCheckReport& printer);
