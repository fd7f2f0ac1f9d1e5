// libFuzzer target: any datagram through the response decoder. The decoder must
// neither crash nor read or allocate beyond its input, and what it accepts must
// be consistent with the request it was checked against, down to its request-id.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "snmp/ber.h"
#include "snmp/snmp.h"

namespace {

const std::vector<std::uint8_t>& DeviceIdOid() {
    static const std::vector<std::uint8_t> oid = [] {
        std::vector<std::uint32_t> arcs;
        snmp::ParseOid("1.3.6.1.4.1.47261.11.5.1.1.1.26.0", &arcs);
        return snmp::EncodeOidContent(arcs);
    }();
    return oid;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    snmp::DecodedMessage parsed;
    bool wellFormed = snmp::ParseMessage(data, size, &parsed);

    // Check against a request that shares the datagram's request ID, so that the
    // comparisons behind the ID are reached too.
    snmp::ExpectedResponse expected;
    expected.community = "public";
    expected.requestId = wellFormed ? parsed.requestId : 1;
    expected.oids = {DeviceIdOid()};
    snmp::DecodedMessage checked;
    snmp::ResponseCheck result = snmp::CheckResponse(data, size, expected, &checked);

    if (!wellFormed && result != snmp::ResponseCheck::kMalformed) std::abort();
    // The request-id alone ties an answer to its GET, whichever attempt it answers.
    snmp::ExpectedResponse other = expected;
    other.requestId = expected.requestId == 1 ? 2 : 1;
    snmp::DecodedMessage ignored;
    const snmp::ResponseCheck otherResult = snmp::CheckResponse(data, size, other, &ignored);
    if (otherResult == snmp::ResponseCheck::kAccepted || otherResult == snmp::ResponseCheck::kAgentError) std::abort();
    if (result == snmp::ResponseCheck::kAccepted) {
        if (checked.pduTag != snmp::kTagGetResponse || checked.community != "public" ||
            checked.errorStatus != 0 || checked.varBinds.size() != 1 ||
            checked.varBinds[0].oid != DeviceIdOid()) {
            std::abort();
        }
        const auto& vb = checked.varBinds[0];
        if (vb.value.size() > size) std::abort();
        if (vb.valueTag == snmp::kTagOctetString) {
            std::string text = OctetString(vb.value).toString();
            if (text.size() > vb.value.size()) std::abort();
        }
    }
    return 0;
}
