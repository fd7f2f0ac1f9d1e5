#include "device/network_device_id.h"

#include <utility>

#include "snmp/snmp.h"

const char kDeviceIdOid[] = "1.3.6.1.4.1.47261.11.5.1.1.1.26.0";

namespace {

// One GET of a device-ID object: timeout 1 s, and a source that stays silent
// is asked a second time.
std::size_t AddDeviceIdGet(SNMPGetBatch& batch, const NetworkSource& source, const char* oid) {
    Target target;
    target.setAgentAddress(source.address.c_str());
    target.setReadCommunity(source.community.c_str());
    target.setTimeout(1);
    target.setRetryCount(1);
    VarBind binding;
    binding.setOID(OID(oid));
    ReqRespPDU request;
    request.setVarBindList(&binding, 1);
    return batch.add(request, target);
}

DeviceIdAnswer Await(SNMPGetBatch& batch, std::size_t index) {
    DeviceIdAnswer answer;
    answer.code = batch.wait(index);
    if (answer.code != kSnmpSuccess) return answer;
    if (const OctetString* text = batch.request(index).getVarBind(0).getValue().asOctetString()) {
        answer.octetString = true;
        answer.text = text->toString();
    }
    return answer;
}

// The text of an octet string up to its first zero byte, without a leading
// two-byte length (big-endian, as the 1284 device ID carries it) when that
// length is the text's, counted with or without the two bytes themselves.
std::string WithoutLengthPrefix(const std::vector<std::uint8_t>& bytes) {
    std::size_t start = 0;
    if (bytes.size() >= 2) {
        const std::size_t length = static_cast<std::size_t>(bytes[0]) << 8 | bytes[1];
        if (length == bytes.size() - 2 || length == bytes.size()) start = 2;
    }
    std::size_t end = start;
    while (end < bytes.size() && bytes[end] != 0) ++end;
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                       bytes.begin() + static_cast<std::ptrdiff_t>(end));
}

StandardAnswer ReadObject(SNMPGetBatch& batch, std::size_t index) {
    StandardAnswer answer;
    const int code = batch.wait(index);
    const OctetString* value =
        code == kSnmpSuccess ? batch.request(index).getVarBind(0).getValue().asOctetString() : nullptr;
    if (code != kSnmpSuccess) {
        answer.failure = SNMPManager::errorToString(code);
    } else if (value == nullptr) {
        answer.failure = "no octet string";
    } else {
        answer.id = WithoutLengthPrefix(value->content());
        answer.found = !answer.id.empty();
        if (!answer.found) answer.failure = "empty";
    }
    return answer;
}

}  // namespace

struct StandardSource {
    const char* name;
    std::size_t (*start)(SNMPGetBatch& batch, const NetworkSource& target);
    StandardAnswer (*read)(SNMPGetBatch& batch, std::size_t index);
};

const StandardSource kStandardSources[] = {
    {"PWG ppmPrinterIEEE1284DeviceId",
     [](SNMPGetBatch& batch, const NetworkSource& target) {
         return AddDeviceIdGet(batch, target, "1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1");
     },
     ReadObject},
    {"1.3.6.1.4.1.11.2.3.9.1.1.7.0",
     [](SNMPGetBatch& batch, const NetworkSource& target) {
         return AddDeviceIdGet(batch, target, "1.3.6.1.4.1.11.2.3.9.1.1.7.0");
     },
     ReadObject},
};
const std::size_t kStandardSourceCount = sizeof(kStandardSources) / sizeof(kStandardSources[0]);

const char* StandardSourceName(std::size_t kind) { return kStandardSources[kind].name; }

NetworkDeviceIdReads::NetworkDeviceIdReads(std::vector<NetworkSource> sources) : m_sources(std::move(sources)) {
    for (const NetworkSource& source : m_sources) {
        if (source.address.empty()) continue;
        bool seen = false;
        for (const NetworkSource& target : m_standardTargets)
            seen |= target.address == source.address && target.community == source.community;
        if (!seen) m_standardTargets.push_back(source);
    }
}

NetworkDeviceIdReads::~NetworkDeviceIdReads() = default;

void NetworkDeviceIdReads::StartBatch() {
    m_pBatch = std::make_unique<SNMPGetBatch>();
    m_firstInBatch = m_next;
    for (std::size_t i = m_next; i < m_sources.size(); ++i) AddDeviceIdGet(*m_pBatch, m_sources[i], kDeviceIdOid);
    for (std::size_t kind = 0; kind < kStandardSourceCount; ++kind) {
        for (const NetworkSource& target : m_standardTargets)
            m_standardAsks.push_back(kStandardSources[kind].start(*m_pBatch, target));
    }
}

DeviceIdAnswer NetworkDeviceIdReads::Next(const std::string& address, const std::string& community) {
    if (m_next >= m_sources.size() || m_sources[m_next].address != address ||
        m_sources[m_next].community != community) {
        SNMPGetBatch alone;
        return Await(alone, AddDeviceIdGet(alone, {address, community}, kDeviceIdOid));
    }
    if (!m_pBatch) StartBatch();
    return Await(*m_pBatch, m_next++ - m_firstInBatch);
}

StandardAnswer NetworkDeviceIdReads::Standard(std::size_t kind, std::size_t target) {
    if (!m_pBatch) {
        m_next = m_sources.size();
        StartBatch();
    }
    return kStandardSources[kind].read(*m_pBatch, m_standardAsks[kind * m_standardTargets.size() + target]);
}
