// CPrtControl: the device ID of the current printer. It classifies the port of
// the printer that CTestPrint has made current and asks the USB or parallel
// device, or the network printer at the addresses its sources name (the port
// monitors' keys, then where Windows keeps printers it set up by itself:
// device/lookup/walk.h).
//
// CPrtControl does not own the spooler object: it reads the current printer of
// the CTestPrint it was given (the property sheet's), so the Basic tab's choice of
// printer is what it examines. Device I/O and the registry come in through
// DeviceIo and RegistryReader; GetNetworkDeviceID is virtual so that the routing
// can be exercised without a network.
//
// A network lookup reads every place once, asks its candidates at once
// (LookupBatch) and then decides and traces in the places' order, as if it had
// asked them one by one; nothing of it outlives GetCurrentPrinterDeviceID
// but a worker still reading a slow place, which owns all it uses.
#pragma once
#include <optional>
#include <string>

#include "device/device_io.h"
#include "device/lookup/printer_state_query.h"
#include "device/printer_state.h"
#include "device/lookup/batch.h"
#include "device/lookup/places.h"
#include "device/printer_state.h"

class CTestPrint;
// The device ID that stands for a FILE: port: every language is accepted.
extern const char kFilePortDeviceID[];

class CPrtControl {
public:
    // `places`: where Windows keeps the printers no port monitor's key names
    // (IPP and WSD ports, print servers); none by default.
    CPrtControl(const CTestPrint& printers, DeviceIo& device, RegistryReader& registry,
                PrinterPlaces& places = NoPrinterPlaces());
    // Without a printer list: only GetPrinterDeviceID asks anything. A check on a
    // worker thread is made so, as the spooler object is the window thread's.
    CPrtControl(DeviceIo& device, RegistryReader& registry, PrinterPlaces& places);
    virtual ~CPrtControl() = default;
    CPrtControl(const CPrtControl&) = delete;
    CPrtControl& operator=(const CPrtControl&) = delete;

    // 1 with the device ID of the current printer (possibly empty), 0 when none
    // could be read (strDeviceID then empty).
    int GetCurrentPrinterDeviceID(std::string& strDeviceID);
    // The same for the printer `printer` names (its name and port, taken from the list beforehand).
    int GetPrinterDeviceID(const PrinterPlace& printer, std::string& strDeviceID);

    // Where the last GetCurrentPrinterDeviceID found its ID ("USB", "parallel",
    // "SNMP <object> at <address> (<port kind>)", "IPP printer-device-id at <URI>", ...);
    // empty when it found none.
    const std::string& GetDeviceIdSource() const { return m_strSource; }

    // USB: 1 once the device matching the port name was opened, even if it gave
    // no ID; 0 otherwise. strDeviceID is emptied first.
    int GetLocalUSBDeviceID(const std::string& portName, std::string& strDeviceID);
    // Parallel: always the first port, whatever the port name says.
    int GetLocalLPTDeviceID(const std::string& portName, std::string& strDeviceID);
    // One parallel attempt: 0 with the ID text in `id`, or the platform's
    // error code (`id` then untouched).
    unsigned long GetDeviceID(const char* deviceName, unsigned long controlCode, std::string& id);

    // One SNMP GET of kDeviceIdOid (asked again once when the printer stays
    // silent): 1 with the octet string in pNetworkDeviceID, 0 with it empty.
    // A string without a command set is no ID yet: 0, and it is kept as the
    // lookup's last resort.
    // Within a lookup the answer comes from the GETs the lookup started at once.
    virtual int GetNetworkDeviceID(std::string address, std::string community,
                                   std::string& pNetworkDeviceID);

    // When no candidate answered the private object: the questions of
    // kQuestions at every target the lookup asked, in their order; the first
    // device ID with a command set decides. 1 with it, 0 with strDeviceID empty.
    virtual int GetStandardDeviceID(std::string& strDeviceID);

    // What the printer whose answer decided the last check's device ID said of
    // its state (kUnknown when nothing said), and where to ask it again (none
    // when the ID came from no network printer).
    const PrinterState& GetPrinterState() const { return m_printerState; }
    const StateTarget& GetStateTarget() const { return m_stateTarget; }

private:
    int GetNetworkPortDeviceID(const PrinterPlace& printer, std::string& strDeviceID);

    // The first answer without a command set: the lookup's result when no
    // source has one ("does not support" rather than "busy").
    void KeepLastResort(const std::string& deviceID, const std::string& source);

    const CTestPrint* m_pPrinters;   // none: only GetPrinterDeviceID asks
    DeviceIo& m_device;
    RegistryReader& m_registry;
    PrinterPlaces& m_places;
    LookupBatch* m_pBatch = nullptr;   // the running lookup's questions
    std::optional<std::string> m_lastResort;
    PrinterState m_printerState;
    StateTarget m_stateTarget;
    static constexpr std::size_t kNoTarget = static_cast<std::size_t>(-1);
    std::size_t m_nStateTarget = kNoTarget;   // in the running lookup's standard targets
    std::string m_strLastResortSource;
    std::string m_strSource;
};
