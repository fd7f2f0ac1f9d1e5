// CPrtControl: the device ID of the current printer. It classifies the port of
// the printer that CTestPrint has made current and asks the USB or parallel
// device, or the network printer over SNMP at the address its port monitor keeps.
//
// CPrtControl does not own the spooler object: it reads the current printer of
// the CTestPrint it was given (the property sheet's), so the Basic tab's choice of
// printer is what it examines. Device I/O and the registry come in through
// DeviceIo and RegistryReader; GetNetworkDeviceID is virtual so that the routing
// can be exercised without a network.
#pragma once
#include <string>

#include "device/device_io.h"

class CTestPrint;

// Object of the printer maker's private MIB that holds the 1284 device ID.
extern const char kDeviceIdOid[];
// The device ID that stands for a FILE: port: every language is accepted.
extern const char kFilePortDeviceID[];

class CPrtControl {
public:
    CPrtControl(const CTestPrint& printers, DeviceIo& device, RegistryReader& registry);
    virtual ~CPrtControl() = default;
    CPrtControl(const CPrtControl&) = delete;
    CPrtControl& operator=(const CPrtControl&) = delete;

    // 1 with the device ID of the current printer (possibly empty), 0 when none
    // could be read (strDeviceID then empty).
    int GetCurrentPrinterDeviceID(std::string& strDeviceID);

    // USB: 1 once the device matching the port name was opened, even if it gave
    // no ID; 0 otherwise. strDeviceID is emptied first.
    int GetLocalUSBDeviceID(const std::string& portName, std::string& strDeviceID);
    // Parallel: always the first port, whatever the port name says.
    int GetLocalLPTDeviceID(const std::string& portName, std::string& strDeviceID);
    // One parallel attempt: 0 with the ID text in `buffer` (260 bytes), or the
    // platform's error code.
    unsigned long GetDeviceID(const char* deviceName, unsigned long controlCode, char* buffer);

    // One SNMP GET of kDeviceIdOid (asked again once when it fails): 1 with the
    // octet string in pNetworkDeviceID, 0 with it empty.
    virtual int GetNetworkDeviceID(std::string address, std::string community,
                                   std::string& pNetworkDeviceID);

private:
    int GetNetworkPortDeviceID(const std::string& portName, std::string& strDeviceID);

    const CTestPrint& m_printers;
    DeviceIo& m_device;
    RegistryReader& m_registry;
};
