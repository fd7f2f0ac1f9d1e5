// Which file languages the current printer accepts, and what the Basic tab does
// about it. Pure decisions: the tab applies them to its controls and timers.
#pragma once
#include <functional>
#include <string>
#include <vector>

// The supported-language set (m_nSupportedTypes).
constexpr int kSupportPdf = 1;
constexpr int kSupportJpeg = 2;
constexpr int kSupportTiff = 4;
constexpr int kSupportPng = 8;
constexpr int kSupportBmp = 16;
constexpr int kSupportNone = 0;
constexpr int kSupportUnreadable = -1;   // device ID could not be read
constexpr int kSupportNoPrinter = -2;    // no printer installed

// Timers of the Basic tab window that show the messages once the tab is drawn.
constexpr unsigned kTimerNoPrinter = 1002;
constexpr unsigned kTimerNotSupported = 1003;
constexpr unsigned kTimerBusyOrOff = 1004;

// Whether a file named `path` is in a language of the set: its whole extension
// (the envelope's rule, FileLanguageBit) must name one of the set's languages.
// Unusable sets (-2, -1, 0) take nothing, and neither does a name without extension.
bool IsSupportedFileName(const char* path, int nSupportedTypes, bool (*isLeadByte)(unsigned char) = nullptr);

// The languages named in the command set ("CMD:" or "COMMAND SET:") of a 1284 device ID (0 to 31).
int ParseSupportedTypes(const std::string& strDeviceID);

// The set from the result of GetCurrentPrinterDeviceID: -1 when it failed.
int SupportedTypesFromDeviceID(int readResult, const std::string& strDeviceID);

// Where the check runs: while the tab initialises (and on Default), or after the
// user picked another printer.
enum class CheckSite { kInitialise, kPrinterChange };

struct CheckDecision {
    unsigned nTimerId = 0;          // 0: no message
    unsigned nTimerDelay = 0;       // milliseconds
    bool bShowPrint = false;        // the sheet's IDOK button
    bool bEnableBrowse = false;
    bool bEnablePrinterList = true;
    bool bDropRefusedFiles = false; // delete list rows a usable set refuses
    const char* pszLogLine = nullptr;
};

// What the tab does for a set computed at `site`. kSupportNoPrinter is only
// decided at kInitialise (a printer change always has a printer list).
CheckDecision DecideSupportedTypes(int nSupportedTypes, CheckSite site);

// Rows to delete after a printer change, last row first, as the list is walked.
std::vector<int> RowsToDrop(const std::vector<std::string>& paths,
                            const std::function<bool(const std::string&)>& isSupportedFile);

// A printer name as the printer list shows it: leading and trailing spaces removed.
std::string TrimPrinterName(const std::string& name);
