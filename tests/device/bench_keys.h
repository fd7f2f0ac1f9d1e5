// The port-monitor keys the device benchmarks stage for their printers.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>

inline const char kMonitors[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
inline const char* const kVendorKeys[] = {"Corvath Network Printer Port\\", "Multi Direct Print Type S\\",
                                          "Xerox Network Printer Port\\", "Dell Network Printer Port\\"};

// Writes one string value under HKLM, creating the key; false (and a line on
// stderr) when the key cannot be created.
inline bool SetKey(const std::string& key, const char* name, const std::string& value) {
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot create %s\n", key.c_str());
        return false;
    }
    RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
    return true;
}
