#include "device/supported_types.h"

#include "base/debug_log.h"
#include "device/lookup/device_id_pairs.h"
#include "device/file_language.h"

namespace {

struct Language {
    const char* lower;
    const char* upper;
    int bit;
};

// Order of the tests; a language counts when either form occurs in the command set.
const Language kLanguages[] = {
    {"pdf", "PDF", kSupportPdf},   {"jpeg", "JPEG", kSupportJpeg}, {"bmp", "BMP", kSupportBmp},
    {"png", "PNG", kSupportPng},   {"tiff", "TIFF", kSupportTiff},
};

}  // namespace

int ParseSupportedTypes(const std::string& strDeviceID) {
    // The command-set pair, by its short key or the long one the standard also allows.
    DeviceIdPair command;
    const bool found = FindCommandSet(strDeviceID, &command);
    const bool closed = found && command.end != std::string::npos;
    int nStart = found ? static_cast<int>(command.keyOffset) : -1;
    int nEnd = closed ? static_cast<int>(command.end) : -1;
    DebugLog("CheckSupportedTypes : /Start : %d / End : %d", nStart, nEnd);

    // An unclosed pair may be an ID cut short: its list is not trusted.
    std::string section;
    if (closed) section = strDeviceID.substr(command.keyOffset, command.end - command.keyOffset);
    DebugLog("CheckSupportedTypes : CMD : %s", section.c_str());

    // Languages still match inside a token (a "PDF17" counts as PDF): printers in
    // the field were accepted that way, and a refusal makes the program unusable.
    int result = 0;
    for (const Language& language : kLanguages) {
        if (!closed) break;
        const std::string& list = command.value;
        if (list.find(language.lower) != std::string::npos ||
            list.find(language.upper) != std::string::npos) {
            result += language.bit;
        }
    }
    DebugLog("Check Result is %d", result);
    return result;
}

bool IsSupportedFileName(const char* path, int nSupportedTypes, bool (*isLeadByte)(unsigned char)) {
    return nSupportedTypes > 0 && (FileLanguageBit(path, isLeadByte) & nSupportedTypes) != 0;
}

int SupportedTypesFromDeviceID(int readResult, const std::string& strDeviceID) {
    return readResult == 1 ? ParseSupportedTypes(strDeviceID) : kSupportUnreadable;
}

CheckDecision DecideSupportedTypes(int nSupportedTypes, CheckSite site) {
    const bool change = site == CheckSite::kPrinterChange;
    CheckDecision d;
    if (nSupportedTypes > 0) {
        d.bShowPrint = true;
        d.bEnableBrowse = true;
        // However the printer was chosen (list, Default), rows it cannot take go;
        // while the tab initialises the list is still empty.
        d.bDropRefusedFiles = true;
        return d;
    }
    if (nSupportedTypes == kSupportNoPrinter && !change) {
        d.nTimerId = kTimerNoPrinter;
        d.nTimerDelay = 2000;
        d.bEnablePrinterList = false;
        return d;
    }
    // 0, -1, and anything below that a printer change could produce.
    const bool busy = nSupportedTypes != kSupportNone;
    d.nTimerId = busy ? kTimerBusyOrOff : kTimerNotSupported;
    d.nTimerDelay = change ? 500 : 1300;
    if (change) {
        d.pszLogLine = busy ? "OnSelchangeComboPrinterlist / No support(Busy)"
                            : "OnSelchangeComboPrinterlist / No support";
    }
    return d;
}

std::vector<int> RowsToDrop(const std::vector<std::string>& paths,
                            const std::function<bool(const std::string&)>& isSupportedFile) {
    std::vector<int> rows;
    for (int i = static_cast<int>(paths.size()) - 1; i >= 0; --i) {
        // The list hands over at most 259 characters of a row's text.
        std::string path = paths[static_cast<std::size_t>(i)].substr(0, 259);
        if (!isSupportedFile(path)) rows.push_back(i);
    }
    return rows;
}

std::string TrimPrinterName(const std::string& name) {
    std::string::size_type first = name.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    std::string::size_type last = name.find_last_not_of(' ');
    return name.substr(first, last - first + 1);
}
