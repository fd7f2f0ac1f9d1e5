// Asking a network printer for its state: over SNMP, GETs of the Host
// Resources and Printer MIB objects that never share a request with a
// device-ID object; over IPP, the Get-Printer-Attributes that also asks for
// the device ID. The check adds these questions to its batch; the follow-up
// after a send asks the same target again on its own.
#pragma once
#include <cstddef>
#include <string>

#include "device/lookup/printer_state.h"

class SNMPGetBatch;

// The target whose answer decided the device ID: an SNMP agent, or an IPP
// printer (a URI). Nothing is known when both are empty.
struct StateTarget {
    std::string address, community;
    std::string uri;   // ipp://host:port/resource
    bool Known() const { return !address.empty() || !uri.empty(); }
};

// The SNMP state GETs of one agent in a batch: the three Host Resources
// objects in one request (an agent that implements the printer rows has all
// three) and the page counter in its own, since an SNMPv1 agent refuses a
// whole request for one object it lacks. One attempt of 1 s each: a state
// question is never asked twice.
struct StateGets {
    std::size_t hostResources = 0;
    std::size_t counter = 0;
};
StateGets AddStateGets(SNMPGetBatch& batch, const std::string& address, const std::string& community);
// Waits for both; kUnknown when the agent answered neither.
PrinterState ReadStateGets(SNMPGetBatch& batch, const StateGets& gets);

// The state of `target` now, within about a second.
PrinterState AskPrinterState(const StateTarget& target);
