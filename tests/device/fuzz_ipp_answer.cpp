// libFuzzer target: whatever a device on port 631 sends back, through the HTTP
// framing, the IPP decoder and the device ID made of it. The first byte says
// whether the peer has closed. A device ID that comes out always has a
// command set, one made from formats names only the five languages, an
// answer complete before the close reads the same after it, and an IPP answer
// is taken only for the request whose id it echoes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "device/lookup/device_id_pairs.h"
#include "device/lookup/ipp_answer.h"

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
    // Decoded as the answer to the request it names; never taken for another.
    const std::int32_t requestId =
        body.size() >= 8 ? std::int32_t(std::uint32_t{body[4]} << 24 | body[5] << 16 | body[6] << 8 | body[7]) : 1;
    IppPrinterAttributes attributes, other;
    if (!DecodeIppResponse(body, requestId, &attributes)) return 0;
    if (DecodeIppResponse(body, requestId ^ 1, &other)) std::abort();
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
