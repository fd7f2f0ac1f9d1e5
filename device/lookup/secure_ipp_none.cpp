// Where the platform offers no TLS to this program, an https or ipps printer
// cannot be asked.
#include "device/lookup/secure_ipp.h"

namespace {

class NoSecureIpp : public SecureIpp {
public:
    SecureIppReply Post(const std::string&, unsigned short, const std::string&, const std::vector<std::uint8_t>&,
                        int) override {
        SecureIppReply reply;
        reply.failure = "no TLS here";
        return reply;
    }
};

}  // namespace

SecureIpp& SystemSecureIpp() {
    static NoSecureIpp ipp;
    return ipp;
}
