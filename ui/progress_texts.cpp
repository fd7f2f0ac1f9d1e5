#include "ui/progress_texts.h"

#include <algorithm>
#include <cstdio>

#include "base/localized_text.h"

std::string FormatBytes(std::uint64_t bytes) {
    char text[32];
    const double kib = 1024.0, mib = kib * 1024, gib = mib * 1024;
    if (bytes < 1024 * 1024)
        std::snprintf(text, sizeof text, "%llu KB", static_cast<unsigned long long>((bytes + 1023) / 1024));
    else if (bytes < 1024ull * 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f MB", bytes / mib);
    else
        std::snprintf(text, sizeof text, "%.1f GB", bytes / gib);
    return text;
}

ProgressTexts MakeProgressTexts(const BatchProgress& p, const ProgressFormats& f) {
    ProgressTexts t;
    const std::size_t slash = p.path.find_last_of('\\');
    const std::string name = slash == std::string::npos ? p.path : p.path.substr(slash + 1);
    t.file = p.following  ? (p.cancelling ? f.stopWaiting : f.following)
             : p.cancelling ? f.cancelling
                          : FormatLocalized(f.file.c_str(),
                                            {std::to_string(p.fileIndex + 1), std::to_string(p.fileCount), name});
    t.fileBytes = FormatLocalized(f.fileBytes.c_str(), {FormatBytes(p.fileDone), FormatBytes(p.fileSize)});
    t.allBytes = FormatLocalized(f.allBytes.c_str(), {FormatBytes(p.batchDone), FormatBytes(p.batchSize)});
    t.permille = p.batchSize == 0 ? 0 : static_cast<int>(std::min<std::uint64_t>(p.batchDone, p.batchSize) * 1000 / p.batchSize);
    return t;
}
