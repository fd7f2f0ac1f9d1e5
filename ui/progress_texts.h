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

// The box's localized texts, [UI_SHEET] IDL_PROGRESS_*: read once when the box
// opens, so that updating it reads no file.
struct ProgressFormats {
    std::string file = "%d of %d: %s";
    std::string fileBytes = "This file: %s of %s";
    std::string allBytes = "All files: %s of %s";
    std::string cancelling = "Cancelling the print job...";  // takes the file line once Cancel is pressed
    // Once every file is sent: the printer is followed; Cancel then stops the waiting only.
    std::string following = "Sent. Waiting for the printer to finish...";
    std::string stopWaiting = "No longer waiting; the printer keeps its jobs.";
};

ProgressTexts MakeProgressTexts(const BatchProgress& progress, const ProgressFormats& formats);
