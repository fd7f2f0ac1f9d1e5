// libFuzzer target: what Windows keeps about a printer's place, read by the
// portable readers. The first byte picks the reader. A URI read once reads
// the same from its own text; names and list entries that come out are
// non-empty printable ASCII; the port records never read past their size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "device/lookup/printer_address.h"

namespace {

void CheckPrintable(const std::string& text) {
    if (text.empty()) std::abort();
    for (char c : text)
        if (c < 0x20 || c > 0x7E) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t* rest = data + 1;
    const std::size_t restSize = size - 1;
    const std::string text(rest, rest + restSize);
    std::string a, b;
    switch (data[0] % 5) {
        case 0: {
            PrinterUri uri, again;
            if (!ParsePrinterUri(text, &uri)) break;
            CheckPrintable(uri.host);
            if (uri.port == 0 || uri.resource.empty() || uri.resource[0] != '/') std::abort();
            if (!ParsePrinterUri(PrinterUriText(uri), &again) || PrinterUriText(again) != PrinterUriText(uri))
                std::abort();
            break;
        }
        case 1:
            if (HostFromPortName(text, &a)) CheckPrintable(a);
            if (SplitPrintServerName(text, &a, &b)) {
                if (a.empty() || b.empty() || a.find('\\') != std::string::npos) std::abort();
            }
            break;
        case 2:
            for (const std::string& entry : DecodeStringList(rest, restSize)) CheckPrintable(entry);
            break;
        case 3:
            if (ReadTcpPortRecord(rest, restSize, &a, &b)) CheckPrintable(a);
            break;
        case 4: {
            ApPortProtocol protocol;
            ReadApPortRecord(rest, restSize, &protocol, &a);
            break;
        }
    }
    return 0;
}
