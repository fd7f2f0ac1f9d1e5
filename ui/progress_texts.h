// The texts of the print progress box, built from localized formats
// (FormatLocalized).
#pragma once
#include <cstdint>
#include <string>

#include "job/print_batch.h"

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
