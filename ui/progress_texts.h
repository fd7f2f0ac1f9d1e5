// The texts of the print progress box and of the messages after a batch, built
// from localized formats without printf: a language file's text is never a
// format the program trusts.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "job/print_batch.h"

// `format` with each "%d" or "%s" replaced by the next of `values` (nothing when
// they run out) and "%%" by "%"; every other character as it is.
std::string FormatLocalized(const char* format, const std::vector<std::string>& values);

// "740 KB", "12.5 MB", "2.0 GB".
std::string FormatBytes(std::uint64_t bytes);

struct ProgressTexts {
    std::string file;      // "2 of 5: plan.pdf"
    std::string fileBytes; // "This file: 12.5 MB of 40.0 MB"
    std::string allBytes;  // "All files: 52.5 MB of 80.0 MB"
    int permille = 0;      // the bar: the batch's bytes, 0 ... 1000
};

// From the localized formats [UI_SHEET] IDL_PROGRESS_FILE, IDL_PROGRESS_FILEBYTES, IDL_PROGRESS_ALLBYTES.
ProgressTexts MakeProgressTexts(const BatchProgress& progress, const char* fileFormat, const char* fileBytesFormat,
                                const char* allBytesFormat);
