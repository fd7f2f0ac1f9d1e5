// The device setup and device I/O calls the local readers stand on: the USB
// printer interfaces (SetupDi*) and DeviceIoControl on USB and parallel devices.
// One real implementation calls Windows; tests stage their own devices. Each
// kind of handle is held inside the implementation, one at a time, as the
// readers use them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "device/lookup/registry_reader.h"

class DeviceIo {
public:
    virtual ~DeviceIo() = default;

    // SetupDiGetClassDevsA(GUID_DEVINTERFACE_USBPRINT, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    // false with the platform error code when no set could be made.
    virtual bool OpenUsbInterfaceSet(unsigned long* error) = 0;
    virtual void CloseUsbInterfaceSet() = 0;

    enum class EnumResult { kFound, kNoMoreItems, kFailed };
    // SetupDiEnumDeviceInterfaces at `index`; a found interface becomes the current one.
    virtual EnumResult EnumUsbInterface(unsigned index) = 0;
    // SetupDiOpenDeviceInterfaceRegKey(current interface, KEY_READ).
    virtual bool OpenUsbInterfaceKey() = 0;
    // "Port Number" as REG_DWORD (4 bytes).
    virtual bool ReadUsbPortNumber(std::uint32_t* number) = 0;
    // "Base Name" as REG_SZ into `buffer` (260 bytes, zero-filled by the caller).
    virtual bool ReadUsbBaseName(char* buffer, std::size_t size) = 0;
    virtual void CloseUsbInterfaceKey() = 0;

    enum class DetailResult { kOk, kAllocFailed, kFailed };
    // SetupDiGetDeviceInterfaceDetailA of the current interface: the device path.
    virtual DetailResult GetUsbInterfacePath(std::string* path) = 0;
    // CreateFileA(path, read | write, no sharing, open existing).
    virtual bool OpenUsbDevice(const std::string& path) = 0;
    // IOCTL_USBPRINT_GET_1284_ID with an 8-byte input; `returned` = bytes written.
    virtual bool RequestUsb1284Id(std::uint8_t* reply, std::size_t size, std::size_t* returned) = 0;
    virtual void CloseUsbDevice() = 0;

    // CreateFileA(name, read, read sharing, open existing); false with the error code.
    virtual bool OpenParallel(const char* name, unsigned long* error) = 0;
    // DeviceIoControl(code, no input, reply); false with the error code.
    virtual bool ParallelIoctl(unsigned long code, std::uint8_t* reply, std::size_t size,
                               std::size_t* returned, unsigned long* error) = 0;
    virtual void CloseParallel() = 0;

    virtual void Sleep(unsigned milliseconds) = 0;
};

#if defined(_WIN32)
DeviceIo& SystemDeviceIo();
// Readers of a check's own, for checks that run at the same time: each reader
// keeps one device list or one open key, so the shared ones above cannot serve two.
std::unique_ptr<DeviceIo> NewSystemDeviceIo();
std::unique_ptr<RegistryReader> NewSystemRegistry();
#endif
