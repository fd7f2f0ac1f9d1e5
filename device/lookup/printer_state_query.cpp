#include "device/lookup/printer_state_query.h"

#include <utility>
#include <vector>

#include "device/lookup/ipp_answer.h"
#include "device/lookup/printer_address.h"
#include "snmp/snmp.h"

namespace {

std::size_t AddGet(SNMPGetBatch& batch, const std::string& address, const std::string& community,
                   const std::vector<const char*>& oids) {
    Target target;
    target.setAgentAddress(address.c_str());
    target.setReadCommunity(community.c_str());
    target.setTimeout(1);
    target.setRetryCount(0);
    std::vector<VarBind> bindings(oids.size());
    for (std::size_t i = 0; i < oids.size(); ++i) bindings[i].setOID(OID(oids[i]));
    ReqRespPDU request;
    request.setVarBindList(bindings.data(), static_cast<int>(bindings.size()));
    return batch.add(request, target);
}

SnmpStateValue Value(SNMPGetBatch& batch, std::size_t index, unsigned binding) {
    SNMPDataType& value = batch.request(index).getVarBind(binding).getValue();
    return {value.getDataType(), value.content()};
}

// One Get-Printer-Attributes over plain HTTP, read down to the state.
class IppStateAsk : public snmp::Conversation {
public:
    IppStateAsk(std::string host, unsigned short port, std::string resource)
        : m_host(std::move(host)), m_port(port), m_resource(std::move(resource)) {}
    std::vector<std::uint8_t> NextRequest() override {
        return EncodeIppDeviceIdRequest(m_host, m_resource, ++m_attempt, m_port);
    }
    bool Accept(const std::uint8_t*, std::size_t) override { return false; }
    Verdict Judge(const std::vector<std::uint8_t>& received, bool closed) override {
        int status = 0;
        std::vector<std::uint8_t> body;
        const HttpFrame frame = ReadHttpResponse(received, closed, &status, &body);
        if (frame == HttpFrame::kIncomplete) return Verdict::kMore;
        IppPrinterAttributes attributes;
        if (frame == HttpFrame::kBroken || status != 200 || !DecodeIppResponse(body, m_attempt, &attributes) ||
            attributes.status > 0xFF)
            return Verdict::kRefused;
        state = DecodeIppPrinterState(attributes.state);
        return Verdict::kAnswered;
    }
    PrinterState state;

private:
    std::string m_host;
    unsigned short m_port;
    std::string m_resource;
    int m_attempt = 0;
};

constexpr int kAskMs = 1000;

}  // namespace

StateGets AddStateGets(SNMPGetBatch& batch, const std::string& address, const std::string& community) {
    StateGets gets;
    gets.hostResources =
        AddGet(batch, address, community, {kHrDeviceStatusOid, kHrPrinterStatusOid, kHrPrinterDetectedErrorStateOid});
    gets.counter = AddGet(batch, address, community, {kPrtMarkerLifeCountOid});
    return gets;
}

PrinterState ReadStateGets(SNMPGetBatch& batch, const StateGets& gets) {
    SnmpStateObjects objects;
    if (batch.wait(gets.hostResources) == kSnmpSuccess) {
        objects.deviceStatus = Value(batch, gets.hostResources, 0);
        objects.printerStatus = Value(batch, gets.hostResources, 1);
        objects.errorState = Value(batch, gets.hostResources, 2);
    }
    if (batch.wait(gets.counter) == kSnmpSuccess) objects.lifeCount = Value(batch, gets.counter, 0);
    return DecodeSnmpPrinterState(objects);
}

PrinterState AskPrinterState(const StateTarget& target) {
    SNMPGetBatch batch;
    if (target.uri.empty()) {
        if (target.address.empty()) return PrinterState();
        return ReadStateGets(batch, AddStateGets(batch, target.address, target.community));
    }
    PrinterUri uri;
    // Over TLS the platform's client would be needed: such a printer is not asked again.
    if (!ParsePrinterUri(target.uri, &uri) || uri.secure) return PrinterState();
    IppStateAsk ask(uri.host, uri.port, uri.resource.empty() ? "/ipp/print" : uri.resource);
    const std::size_t exchange =
        batch.exchanges().Start(uri.host, uri.port, 1, kAskMs, ask, snmp::Transport::kStream, kAskMs);
    return batch.exchanges().Wait(exchange) == snmp::ExchangeResult::kAnswered ? ask.state : PrinterState();
}
