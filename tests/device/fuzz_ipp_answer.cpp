// libFuzzer target: whatever a device on port 631 sends back, through the HTTP
// framing, the IPP decoder and the device ID made of it. The first byte says
// whether the peer has closed. A device ID that comes out always has a
// command set, one made from formats names only the five languages, and an
// answer complete before the close reads the same after it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "device/device_id_pairs.h"
#include "device/ipp_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool closed = data[0] & 1;
    const std::vector<std::uint8_t> received(data + 1, data + size);
    int status = 0;
    std::vector<std::uint8_t> body;
    const HttpFrame frame = ReadHttpResponse(received, closed, &status, &body);
    if (frame != HttpFrame::kComplete) return 0;
    if (body.size() > received.size()) std::abort();
    if (!closed) {
        int statusAfter = 0;
        std::vector<std::uint8_t> bodyAfter;
        if (ReadHttpResponse(received, true, &statusAfter, &bodyAfter) != HttpFrame::kComplete ||
            statusAfter != status || bodyAfter != body) {
            std::abort();
        }
    }
    IppPrinterAttributes attributes;
    if (!DecodeIppResponse(body, &attributes)) return 0;
    const std::string id = IppDeviceId(attributes);
    if (!id.empty() && !HasCommandSet(id)) std::abort();
    if (!id.empty() && id != attributes.deviceId) {
        std::string list = id.substr(14, id.size() - 15);   // behind "MFG:;MDL:;CMD:", before ";"
        if (id.compare(0, 14, "MFG:;MDL:;CMD:") != 0 || id.back() != ';') std::abort();
        for (std::size_t at = 0; at <= list.size();) {
            std::size_t comma = list.find(',', at);
            if (comma == std::string::npos) comma = list.size();
            const std::string language = list.substr(at, comma - at);
            if (language != "PDF" && language != "JPEG" && language != "TIFF" && language != "PNG" &&
                language != "BMP") {
                std::abort();
            }
            at = comma + 1;
        }
    }
    return 0;
}
