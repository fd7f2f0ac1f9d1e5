// libFuzzer target: any device ID through the supported-language check. A printer,
// or anything answering in its place, may send any bytes; the set that comes out
// holds only the five languages, depends on the command list alone, and every set
// leads to a decision of the Basic tab.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "device/lookup/device_id_pairs.h"
#include "device/supported_types.h"

namespace {
constexpr int kAllLanguages = kSupportPdf | kSupportJpeg | kSupportTiff | kSupportPng | kSupportBmp;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string id(reinterpret_cast<const char*>(data), size);
    const int set = ParseSupportedTypes(id);
    if (set < 0 || (set & ~kAllLanguages) != 0) std::abort();

    // Entries before the command list change nothing (the prefix ends in ';', so it
    // cannot become part of a pair of the text), nor do entries after a closed list.
    if (ParseSupportedTypes("MFG:Orvane;MDL:Direct 100;" + id) != set) std::abort();
    // Only a closed command-set pair names languages.
    DeviceIdPair command;
    const bool closed = FindCommandSet(id, &command) && command.end != std::string::npos;
    if (!closed && set != 0) std::abort();
    if (closed && ParseSupportedTypes(id + "DES:PDF JPEG TIFF PNG BMP;") != set) {
        std::abort();
    }

    if (SupportedTypesFromDeviceID(1, id) != set || SupportedTypesFromDeviceID(0, id) != kSupportUnreadable)
        std::abort();
    for (CheckSite site : {CheckSite::kInitialise, CheckSite::kPrinterChange}) {
        const CheckDecision d = DecideSupportedTypes(set, site);
        // Print is offered exactly when some language is accepted; otherwise a message says why.
        if (d.bShowPrint != (set > 0) || (set == 0 && d.nTimerId != kTimerNotSupported)) std::abort();
    }

    // The printer list shows names trimmed of spaces at both ends, nothing else removed.
    const std::string trimmed = TrimPrinterName(id);
    if (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.back() == ' ')) std::abort();
    if (id.find(trimmed) == std::string::npos) std::abort();
    return 0;
}
