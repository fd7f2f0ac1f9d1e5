// Where a network printer is found, beyond the port monitors' keys: each
// reader reads one kind of place Windows keeps (the printer URI of an IPP or
// URL port, the device behind a WSD port, a print server's port record) and
// names the printer's candidates. The lookup reads the places in order and
// hands every candidate to its one concurrent batch.
//
// The Windows reads stand behind PrinterPlaces; what they return is read by
// portable code (device/lookup/printer_address.h).
#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "device/lookup/candidate.h"
#include "device/lookup/secure_ipp.h"

// What a place is looked up by: the printer's name and its port's name.
struct PrinterPlace {
    std::string printerName;
    std::string portName;
};

// One device of the device registry, with the properties the WSD source
// reads, as the platform returns them (string lists raw).
struct DeviceRecord {
    DeviceRecord(std::string friendlyName_ = std::string(), std::string containerId_ = std::string(),
                 std::vector<std::uint8_t> ipAddresses_ = {}, std::vector<std::uint8_t> serviceAddresses_ = {},
                 std::string instanceId_ = std::string(), std::string globalIdentity_ = std::string(),
                 std::string locationInfo_ = std::string())
        : friendlyName(std::move(friendlyName_)), containerId(std::move(containerId_)),
          ipAddresses(std::move(ipAddresses_)), serviceAddresses(std::move(serviceAddresses_)),
          instanceId(std::move(instanceId_)), globalIdentity(std::move(globalIdentity_)),
          locationInfo(std::move(locationInfo_)) {}
    std::string friendlyName;   // DEVPKEY_Device_FriendlyName
    std::string containerId;    // DEVPKEY_Device_ContainerId, as text
    std::vector<std::uint8_t> ipAddresses;        // PKEY_PNPX_IpAddress
    std::vector<std::uint8_t> serviceAddresses;   // PKEY_PNPX_ServiceAddress
    std::string instanceId;       // the device instance ID (SWD\PRINTENUM\<port name> for a printer)
    std::string globalIdentity;   // PKEY_PNPX_GlobalIdentity
    std::string locationInfo;     // DEVPKEY_Device_LocationInfo
};

class PrinterPlaces {
public:
    virtual ~PrinterPlaces() = default;
    // OpenPrinterW(xcvName) and XcvDataW(command, input): the output, or false
    // with the error (OpenPrinter's last error or XcvData's status).
    virtual bool AskPortMonitor(const std::string& xcvName, const char* command,
                                const std::vector<std::uint8_t>& input, std::vector<std::uint8_t>* output,
                                unsigned long* error) = 0;
    // Every present device SetupAPI lists (all classes), with its properties.
    virtual std::vector<DeviceRecord> Devices() = 0;
    // The name printer `printerName` ("\\server\name") is shared under on its
    // server (PRINTER_INFO_2 pShareName), in UTF-8; Utf8(`nameOnServer`) when
    // the server names none.
    virtual std::string ShareName(const std::string& printerName, const std::string& nameOnServer);
    // The platform's text (ANSI on Windows) in UTF-8; natively it is UTF-8 already.
    virtual std::string Utf8(const std::string& text) { return text; }
    // A reader of the same places for a worker to keep. A print server's
    // records and the device list may take the platform's time-outs to read,
    // so the lookup reads its places on a worker it waits for no longer than
    // kSlowReadsTime, and that may outlive the lookup. None (the default): the
    // places are read on the lookup's thread.
    virtual std::shared_ptr<PrinterPlaces> ReaderOfItsOwn() { return nullptr; }
    // Where IPP over TLS is asked: the platform's own TLS unless a test says otherwise.
    virtual SecureIpp& Tls();
};

#if defined(_WIN32)
PrinterPlaces& SystemPrinterPlaces();
#endif
// A platform that keeps none of these places.
PrinterPlaces& NoPrinterPlaces();

// What the places held, and the trace lines of how (each refusal one
// line), for the lookup to trace where its walk comes to them.
struct PrinterFindings {
    std::vector<Candidate> candidates;
    std::vector<std::string> notes;
};

// The readers, one per kind of place and file. One that does not apply adds nothing.
void FindOnIppPort(const PrinterPlace& place, PrinterPlaces& platform, PrinterFindings& findings);
void FindBehindWsdPort(const PrinterPlace& place, PrinterPlaces& platform, PrinterFindings& findings);
void FindOnPrintServer(const PrinterPlace& place, PrinterPlaces& platform, PrinterFindings& findings);

// Every place in order (the IPP port, the WSD device, the print server),
// candidates in their order, each once.
PrinterFindings FindPrinterCandidates(const PrinterPlace& place, PrinterPlaces& platform);

// How long the lookup waits for its places' reads: the first of its two
// seconds, so that what they name is still asked in the second.
constexpr std::chrono::milliseconds kSlowReadsTime(1000);
// What a read that has not answered by then counts as: refused with this
// error (ERROR_TIMEOUT), a device list as empty, a share name as the
// printer's name on the server.
constexpr unsigned long kNoAnswerInTime = 1460;
// FindPrinterCandidates, its reads on a worker of their own (ReaderOfItsOwn)
// when the platform offers one, waited for until `until`; what the worker
// reads later is dropped.
PrinterFindings FindPrinterCandidatesBy(const PrinterPlace& place, PrinterPlaces& platform,
                                        std::chrono::steady_clock::time_point until);
