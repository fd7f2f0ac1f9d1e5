// The Windows side of the device readers: SetupDi enumeration of USB printer
// interfaces, DeviceIoControl on devices, and registry reads under HKLM.
#include "device/device_io.h"

#include <windows.h>
#include <setupapi.h>

#include <cstring>
#include <vector>

namespace {

// GUID_DEVINTERFACE_USBPRINT
const GUID kUsbPrintInterface = {0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};
constexpr DWORD kIoctlUsbPrintGet1284Id = 0x220034;

class WindowsDeviceIo : public DeviceIo {
public:
    bool OpenUsbInterfaceSet(unsigned long* error) override {
        m_set = SetupDiGetClassDevsA(&kUsbPrintInterface, nullptr, nullptr,
                                     DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (m_set == INVALID_HANDLE_VALUE) {
            *error = GetLastError();
            return false;
        }
        return true;
    }

    void CloseUsbInterfaceSet() override {
        if (m_set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(m_set);
        m_set = INVALID_HANDLE_VALUE;
    }

    EnumResult EnumUsbInterface(unsigned index) override {
        std::memset(&m_interface, 0, sizeof(m_interface));
        m_interface.cbSize = sizeof(m_interface);
        if (SetupDiEnumDeviceInterfaces(m_set, nullptr, &kUsbPrintInterface, index, &m_interface)) {
            return EnumResult::kFound;
        }
        return GetLastError() == ERROR_NO_MORE_ITEMS ? EnumResult::kNoMoreItems : EnumResult::kFailed;
    }

    bool OpenUsbInterfaceKey() override {
        m_key = SetupDiOpenDeviceInterfaceRegKey(m_set, &m_interface, 0, KEY_READ);
        if (m_key == INVALID_HANDLE_VALUE) {
            m_key = nullptr;
            return false;
        }
        return true;
    }

    bool ReadUsbPortNumber(std::uint32_t* number) override {
        DWORD type = REG_DWORD;
        DWORD value = 0;
        DWORD size = sizeof(value);
        if (RegQueryValueExA(m_key, "Port Number", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS) {
            return false;
        }
        *number = value;
        return true;
    }

    bool ReadUsbBaseName(char* buffer, std::size_t size) override {
        DWORD type = REG_SZ;
        DWORD got = static_cast<DWORD>(size);
        if (RegQueryValueExA(m_key, "Base Name", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &got) !=
            ERROR_SUCCESS) {
            return false;
        }
        buffer[size - 1] = '\0';
        return true;
    }

    void CloseUsbInterfaceKey() override {
        if (m_key) RegCloseKey(m_key);
        m_key = nullptr;
    }

    DetailResult GetUsbInterfacePath(std::string* path) override {
        DWORD required = 0;
        SetupDiGetDeviceInterfaceDetailA(m_set, &m_interface, nullptr, 0, &required, nullptr);
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) required = 512;
        std::vector<char> block;
        try {
            block.assign(required, 0);
        } catch (...) {
            return DetailResult::kAllocFailed;
        }
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block.data());
        // The size field is the fixed part of the record: 5 in a 32-bit program,
        // 8 in a 64-bit one (a 64-bit SetupDi refuses 5).
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (!SetupDiGetDeviceInterfaceDetailA(m_set, &m_interface, detail, required, nullptr, nullptr)) {
            return DetailResult::kFailed;
        }
        *path = detail->DevicePath;
        return DetailResult::kOk;
    }

    bool OpenUsbDevice(const std::string& path) override {
        m_usb = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        return m_usb != INVALID_HANDLE_VALUE;
    }

    bool RequestUsb1284Id(std::uint8_t* reply, std::size_t size, std::size_t* returned) override {
        char input[8] = {};
        DWORD got = 0;
        BOOL ok = DeviceIoControl(m_usb, kIoctlUsbPrintGet1284Id, input, sizeof(input), reply,
                                  static_cast<DWORD>(size), &got, nullptr);
        *returned = got;
        return ok != FALSE;
    }

    void CloseUsbDevice() override {
        if (m_usb != INVALID_HANDLE_VALUE) CloseHandle(m_usb);
        m_usb = INVALID_HANDLE_VALUE;
    }

    bool OpenParallel(const char* name, unsigned long* error) override {
        m_parallel = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_parallel == INVALID_HANDLE_VALUE) {
            *error = GetLastError();
            return false;
        }
        return true;
    }

    bool ParallelIoctl(unsigned long code, std::uint8_t* reply, std::size_t size, std::size_t* returned,
                       unsigned long* error) override {
        DWORD got = 0;
        if (!DeviceIoControl(m_parallel, code, nullptr, 0, reply, static_cast<DWORD>(size), &got, nullptr)) {
            *error = GetLastError();
            return false;
        }
        *returned = got;
        return true;
    }

    void CloseParallel() override {
        if (m_parallel != INVALID_HANDLE_VALUE) CloseHandle(m_parallel);
        m_parallel = INVALID_HANDLE_VALUE;
    }

    void Sleep(unsigned milliseconds) override { ::Sleep(milliseconds); }

private:
    HDEVINFO m_set = INVALID_HANDLE_VALUE;
    SP_DEVICE_INTERFACE_DATA m_interface{};
    HKEY m_key = nullptr;
    HANDLE m_usb = INVALID_HANDLE_VALUE;
    HANDLE m_parallel = INVALID_HANDLE_VALUE;
};

class WindowsRegistry : public RegistryReader {
public:
    bool OpenLocalMachineKey(const std::string& path) override {
        CloseKey();
        return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &m_key) == ERROR_SUCCESS;
    }

    bool QueryValue(const char* name, char* buffer, std::size_t size) override {
        std::memset(buffer, 0, size);
        DWORD type = REG_SZ;
        DWORD got = static_cast<DWORD>(size);
        if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &got) !=
            ERROR_SUCCESS) {
            buffer[0] = '\0';
            return false;
        }
        // A value that fills the buffer has no terminator of its own.
        buffer[size - 1] = '\0';
        return true;
    }

    void CloseKey() override {
        if (m_key) RegCloseKey(m_key);
        m_key = nullptr;
    }

private:
    HKEY m_key = nullptr;
};

}  // namespace

DeviceIo& SystemDeviceIo() {
    static WindowsDeviceIo io;
    return io;
}

RegistryReader& SystemRegistry() {
    static WindowsRegistry registry;
    return registry;
}

std::unique_ptr<DeviceIo> NewSystemDeviceIo() { return std::make_unique<WindowsDeviceIo>(); }
std::unique_ptr<RegistryReader> NewSystemRegistry() { return std::make_unique<WindowsRegistry>(); }
