// The Windows side of the printer sources: the port monitors' XcvData through
// the spooler, and device properties through SetupAPI (the documented way to
// a device's properties; the registry is never read here).
#include "device/lookup/places.h"

#include <windows.h>
#include <devpropdef.h>
#include <setupapi.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "base/ansi_path.h"

namespace {

const DEVPROPKEY kFriendlyName = {
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};
const DEVPROPKEY kLocationInfo = {
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 15};
const DEVPROPKEY kContainerId = {
    {0x8c7ed206, 0x3f8a, 0x4827, {0xb3, 0xab, 0xae, 0x9e, 0x1f, 0xae, 0xfc, 0x6c}}, 2};
// PKEY_PNPX_GlobalIdentity, PKEY_PNPX_IpAddress and PKEY_PNPX_ServiceAddress (functiondiscoverykeys.h).
const DEVPROPKEY kPnpxGlobalIdentity = {
    {0x656a3bb3, 0xecc0, 0x43fd, {0x84, 0x77, 0x4a, 0xe0, 0x40, 0x4a, 0x96, 0xcd}}, 4096};
const DEVPROPKEY kPnpxIpAddress = {
    {0x656a3bb3, 0xecc0, 0x43fd, {0x84, 0x77, 0x4a, 0xe0, 0x40, 0x4a, 0x96, 0xcd}}, 12297};
const DEVPROPKEY kPnpxServiceAddress = {
    {0x656a3bb3, 0xecc0, 0x43fd, {0x84, 0x77, 0x4a, 0xe0, 0x40, 0x4a, 0x96, 0xcd}}, 16384};

std::vector<std::uint8_t> Property(HDEVINFO set, SP_DEVINFO_DATA& device, const DEVPROPKEY& key,
                                   DEVPROPTYPE wanted) {
    DEVPROPTYPE type = 0;
    DWORD size = 0;
    SetupDiGetDevicePropertyW(set, &device, &key, &type, nullptr, 0, &size, 0);
    if (size == 0 || size > 64 * 1024) return {};
    std::vector<std::uint8_t> value(size);
    if (!SetupDiGetDevicePropertyW(set, &device, &key, &type, value.data(), size, &size, 0) || type != wanted)
        return {};
    value.resize(size);
    return value;
}

std::string Text(const std::vector<std::uint8_t>& value) {
    std::wstring wide(value.size() / 2, L'\0');
    for (std::size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<wchar_t>(value[2 * i] | value[2 * i + 1] << 8);
    wide.resize(wcsnlen(wide.c_str(), wide.size()));
    return WideToAnsi(wide);
}

std::string GuidText(const std::vector<std::uint8_t>& value) {
    if (value.size() != sizeof(GUID)) return std::string();
    GUID guid;
    std::memcpy(&guid, value.data(), sizeof(guid));
    char text[40];
    std::snprintf(text, sizeof(text), "%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

class WindowsPrinterPlaces : public PrinterPlaces {
public:
    bool AskPortMonitor(const std::string& xcvName, const char* command, const std::vector<std::uint8_t>& input,
                        std::vector<std::uint8_t>* output, unsigned long* error) override {
        std::wstring name = AnsiToWide(xcvName);
        // No special rights asked: where the user has none, the monitor refuses.
        HANDLE xcv = nullptr;
        if (!OpenPrinterW(&name[0], &xcv, nullptr)) {
            *error = GetLastError();
            return false;
        }
        std::wstring data = AnsiToWide(command);
        std::vector<std::uint8_t> in = input;
        output->assign(4096, 0);
        DWORD needed = 0, status = ERROR_SUCCESS;
        BOOL ok = ::XcvDataW(xcv, data.c_str(), in.empty() ? nullptr : in.data(), static_cast<DWORD>(in.size()),
                             output->data(), static_cast<DWORD>(output->size()), &needed, &status);
        ClosePrinter(xcv);
        if (!ok || status != ERROR_SUCCESS) {
            *error = ok ? status : GetLastError();
            return false;
        }
        output->resize(needed < output->size() ? needed : output->size());
        return true;
    }

    std::string ShareName(const std::string& printerName, const std::string& nameOnServer) override {
        std::wstring name = AnsiToWide(printerName);
        std::wstring share;
        HANDLE printer = nullptr;
        if (OpenPrinterW(&name[0], &printer, nullptr)) {
            DWORD needed = 0;
            GetPrinterW(printer, 2, nullptr, 0, &needed);
            if (needed >= sizeof(PRINTER_INFO_2W) && needed <= 1024 * 1024) {
                std::vector<BYTE> info(needed);
                if (GetPrinterW(printer, 2, info.data(), needed, &needed)) {
                    const PRINTER_INFO_2W* two = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
                    if (two->pShareName) share = two->pShareName;
                }
            }
            ClosePrinter(printer);
        }
        return share.empty() ? Utf8(nameOnServer) : WideToUtf8(share);
    }

    std::string Utf8(const std::string& text) override { return WideToUtf8(AnsiToWide(text)); }

    // Holds nothing: a worker's own is as good as the lookup's.
    std::shared_ptr<PrinterPlaces> ReaderOfItsOwn() override { return std::make_shared<WindowsPrinterPlaces>(); }

    std::vector<DeviceRecord> Devices() override {
        std::vector<DeviceRecord> devices;
        // Present devices only: one that is gone keeps the addresses it last had.
        HDEVINFO set = SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
        if (set == INVALID_HANDLE_VALUE) return devices;
        SP_DEVINFO_DATA device;
        device.cbSize = sizeof(device);
        for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
            DeviceRecord record;
            record.friendlyName = Text(Property(set, device, kFriendlyName, DEVPROP_TYPE_STRING));
            record.containerId = GuidText(Property(set, device, kContainerId, DEVPROP_TYPE_GUID));
            record.ipAddresses = Property(set, device, kPnpxIpAddress, DEVPROP_TYPE_STRING_LIST);
            record.serviceAddresses = Property(set, device, kPnpxServiceAddress, DEVPROP_TYPE_STRING_LIST);
            record.globalIdentity = Text(Property(set, device, kPnpxGlobalIdentity, DEVPROP_TYPE_STRING));
            record.locationInfo = Text(Property(set, device, kLocationInfo, DEVPROP_TYPE_STRING));
            wchar_t instance[512];
            if (SetupDiGetDeviceInstanceIdW(set, &device, instance, 512, nullptr)) record.instanceId = WideToAnsi(instance);
            if (!record.containerId.empty()) devices.push_back(std::move(record));
        }
        SetupDiDestroyDeviceInfoList(set);
        return devices;
    }
};

}  // namespace

PrinterPlaces& SystemPrinterPlaces() {
    static WindowsPrinterPlaces places;
    return places;
}
