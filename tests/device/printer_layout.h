// The layout Windows keeps for printers it set up by itself, written into the
// bench's prefix as far as the program reads it: the devices behind a WSD port
// (the print queue's, the printer's and the WSD function's device, one
// container, PnP-X properties in Wine's device registry, imported from a .reg
// file as `reg import` writes typed device properties), and a printer's port name.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace printer_layout {

const char kEnum[] = "SYSTEM\\CurrentControlSet\\Enum\\";
// Device classes: PrintQueue, Printer.
const char kPrintQueueClass[] = "{1ed2bbf9-11f0-4084-b21f-ad83a8e6dcdc}";
const char kPrinterClass[] = "{4d36e979-e325-11ce-bfc1-08002be10318}";
// DEVPKEY_Device_FriendlyName, DEVPKEY_Device_LocationInfo, DEVPKEY_Device_ContainerId,
// PKEY_PNPX_GlobalIdentity, PKEY_PNPX_IpAddress, PKEY_PNPX_ServiceAddress.
const char kFriendlyName[] = "{A45C254E-DF1C-4EFD-8020-67D146A850E0}\\000E";
const char kLocationInfo[] = "{A45C254E-DF1C-4EFD-8020-67D146A850E0}\\000F";
const char kContainerId[] = "{8C7ED206-3F8A-4827-B3AB-AE9E1FAEFC6C}\\0002";
const char kGlobalIdentity[] = "{656A3BB3-ECC0-43FD-8477-4AE0404A96CD}\\1000";
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

// A WSD printer as Windows keeps it: the queue's device SWD\PRINTENUM\{GUID}
// (class PrintQueue, named after the queue), the printer's device
// SWD\PRINTENUM\<port name> (class Printer, named after the model) and, while
// the unit is switched on, the WSD function device
// SWD\DAFWSDProvider\urn:uuid:<id> (named after the model, with its PnP-X
// identity, addresses and location), all in one container. `unit` (0-9) tells
// units apart: their GUIDs and identities. Each value is written as the
// classic registry value and as the device property (Wine's SetupAPI reads
// only the property); removed again when it goes.
class WsdDevice {
public:
    WsdDevice(const std::string& queue, const std::string& model, const std::string& port, int unit,
              const std::vector<std::string>& addresses, const std::vector<std::string>& services, bool switchedOn = true) {
        const std::string digit(1, static_cast<char>('0' + unit));
        const std::string container = "{6D1B2A4C-93E0-4F1A-8C55-0A1B2C3D4E5" + digit + "}";
        const std::string containerBytes = "4c,2a,1b,6d,e0,93,1a,4f,8c,55,0a,1b,2c,3d,4e,5" + digit;
        const std::string identity = "urn:uuid:6d1b2a4c-93e0-4f1a-8c55-0a1b2c3d4e6" + digit;
        m_instances = {"SWD\\PRINTENUM\\{6D1B2A4C-93E0-4F1A-8C55-0A1B2C3D4E7" + digit + "}", "SWD\\PRINTENUM\\" + port};
        if (switchedOn) m_instances.push_back("SWD\\DAFWSDPROVIDER\\" + identity);
        const std::string root = std::string("[HKEY_LOCAL_MACHINE\\") + kEnum;
        auto text = [](const std::string& value) { return Hex(Wide({value}, false)); };
        auto device = [&](const std::string& instance, const char* cls, const std::string& name) {
            return root + instance + "]\r\n\"ClassGUID\"=\"" + cls + "\"\r\n\"FriendlyName\"=\"" + name +
                   "\"\r\n\"ContainerID\"=\"" + container + "\"\r\n\r\n" + root + instance + "\\Properties\\" +
                   kContainerId + "]\r\n@=hex(ffff000d):" + containerBytes + "\r\n\r\n" + root + instance +
                   "\\Properties\\" + kFriendlyName + "]\r\n@=hex(ffff0012):" + text(name) + "\r\n\r\n";
        };
        std::string reg = "Windows Registry Editor Version 5.00\r\n\r\n" + device(m_instances[0], kPrintQueueClass, queue) +
                          device(m_instances[1], kPrinterClass, model);
        if (switchedOn) {
            const std::string& function = m_instances[2];
            const std::string location = addresses.empty() ? std::string() : "http://" + addresses[0] + ":3911/";
            reg += device(function, kPrinterClass, model) + root + function + "]\r\n\"LocationInformation\"=\"" +
                   location + "\"\r\n\r\n" + root + function + "\\Properties\\" + kGlobalIdentity +
                   "]\r\n@=hex(ffff0012):" + text(identity) + "\r\n\r\n" + root + function + "\\Properties\\" +
                   kIpAddress + "]\r\n@=hex(ffff2012):" + Hex(Wide(addresses, true)) + "\r\n\r\n" + root + function +
                   "\\Properties\\" + kServiceAddress + "]\r\n@=hex(ffff2012):" + Hex(Wide(services, true)) +
                   "\r\n\r\n";
            if (!location.empty())
                reg += root + function + "\\Properties\\" + kLocationInfo + "]\r\n@=hex(ffff0012):" + text(location) +
                       "\r\n\r\n";
        }
        imported_ = ImportReg(reg);
    }
    ~WsdDevice() {
        for (const std::string& instance : m_instances)
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kEnum) + instance).c_str());
    }
    bool imported() const { return imported_; }

private:
    std::vector<std::string> m_instances;
    bool imported_ = false;
};

}  // namespace printer_layout
