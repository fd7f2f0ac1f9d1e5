#include "device/network_device_id.h"

#include <utility>

#include "snmp/snmp.h"

const char kDeviceIdOid[] = "1.3.6.1.4.1.47261.11.5.1.1.1.26.0";

namespace {

// One GET of the device-ID object: timeout 1 s, and a source that stays silent
// is asked a second time.
std::size_t AddDeviceIdGet(SNMPGetBatch& batch, const NetworkSource& source) {
    Target target;
    target.setAgentAddress(source.address.c_str());
    target.setReadCommunity(source.community.c_str());
    target.setTimeout(1);
    target.setRetryCount(1);
    VarBind binding;
    binding.setOID(OID(kDeviceIdOid));
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

}  // namespace

NetworkDeviceIdReads::NetworkDeviceIdReads(std::vector<NetworkSource> sources) : m_sources(std::move(sources)) {}

NetworkDeviceIdReads::~NetworkDeviceIdReads() = default;

DeviceIdAnswer NetworkDeviceIdReads::Next(const std::string& address, const std::string& community) {
    if (m_next >= m_sources.size() || m_sources[m_next].address != address ||
        m_sources[m_next].community != community) {
        SNMPGetBatch alone;
        return Await(alone, AddDeviceIdGet(alone, {address, community}));
    }
    if (!m_pBatch) {
        m_pBatch = std::make_unique<SNMPGetBatch>();
        m_firstInBatch = m_next;
        for (std::size_t i = m_next; i < m_sources.size(); ++i) AddDeviceIdGet(*m_pBatch, m_sources[i]);
    }
    return Await(*m_pBatch, m_next++ - m_firstInBatch);
}
