// The layout Windows keeps for printers it set up by itself, written into the
// bench's prefix as far as the program reads it: the device behind a WSD port
// (the print queue's device and the WSD function's device, one container,
// PnP-X properties in Wine's device registry, imported from a .reg file as
// `reg import` writes typed device properties), and a printer's port name.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace printer_layout {

const char kEnum[] = "SYSTEM\\CurrentControlSet\\Enum\\";
const char kQueueDevice[] = "SWD\\PRINTENUM\\ORVT_QUEUE";
const char kFunctionDevice[] = "SWD\\DAFWSDPROVIDER\\ORVT_FUNCTION";
// {6D1B2A4C-93E0-4F1A-8C55-0A1B2C3D4E5F} as a GUID lies in memory.
const char kContainerBytes[] = "4c,2a,1b,6d,e0,93,1a,4f,8c,55,0a,1b,2c,3d,4e,5f";
// DEVPKEY_Device_FriendlyName, DEVPKEY_Device_ContainerId, PKEY_PNPX_IpAddress, PKEY_PNPX_ServiceAddress.
const char kFriendlyName[] = "{A45C254E-DF1C-4EFD-8020-67D146A850E0}\\000E";
const char kContainerId[] = "{8C7ED206-3F8A-4827-B3AB-AE9E1FAEFC6C}\\0002";
const char kIpAddress[] = "{656A3BB3-ECC0-43FD-8477-4AE0404A96CD}\\3009";
const char kServiceAddress[] = "{656A3BB3-ECC0-43FD-8477-4AE0404A96CD}\\4000";

inline std::string Hex(const std::vector<unsigned char>& bytes) {
    std::string out;
    char two[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(two, sizeof two, "%s%02x", i ? "," : "", bytes[i]);
        out += two;
    }
    return out;
}

inline std::vector<unsigned char> Wide(const std::vector<std::string>& strings, bool list) {
    std::vector<unsigned char> out;
    for (const std::string& s : strings) {
        for (char c : s) out.insert(out.end(), {static_cast<unsigned char>(c), 0});
        out.insert(out.end(), {0, 0});
    }
    if (list) out.insert(out.end(), {0, 0});
    return out;
}

// Runs `reg.exe import` on `text` written to a file; true when it succeeded.
inline bool ImportReg(const std::string& text) {
    char folder[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "orv", 0, path);
    if (FILE* f = std::fopen(path, "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    std::string command = std::string("reg.exe import \"") + path + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, 30000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    DeleteFileA(path);
    return code == 0;
}

// The device pair of a WSD printer named `printer` found at `addresses`, with
// `services` as its WSD endpoints; removed again when it goes.
class WsdDevice {
public:
    WsdDevice(const std::string& printer, const std::vector<std::string>& addresses,
              const std::vector<std::string>& services) {
        const std::string root = std::string("[HKEY_LOCAL_MACHINE\\") + kEnum;
        auto device = [&](const char* instance) {
            return root + instance + "]\r\n\"ClassGUID\"=\"{4d36e979-e325-11ce-bfc1-08002be10318}\"\r\n\r\n" + root +
                   instance + "\\Properties\\" + kContainerId + "]\r\n@=hex(ffff000d):" + kContainerBytes +
                   "\r\n\r\n";
        };
        std::string text = "Windows Registry Editor Version 5.00\r\n\r\n" + device(kQueueDevice) + root +
                           kQueueDevice + "\\Properties\\" + kFriendlyName + "]\r\n@=hex(ffff0012):" +
                           Hex(Wide({printer}, false)) + "\r\n\r\n" + device(kFunctionDevice) + root + kFunctionDevice +
                           "\\Properties\\" + kIpAddress + "]\r\n@=hex(ffff2012):" + Hex(Wide(addresses, true)) +
                           "\r\n\r\n" + root + kFunctionDevice + "\\Properties\\" + kServiceAddress +
                           "]\r\n@=hex(ffff2012):" + Hex(Wide(services, true)) + "\r\n\r\n";
        imported_ = ImportReg(text);
    }
    ~WsdDevice() {
        for (const char* instance : {kQueueDevice, kFunctionDevice})
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kEnum) + instance).c_str());
    }
    bool imported() const { return imported_; }

private:
    bool imported_ = false;
};

}  // namespace printer_layout
