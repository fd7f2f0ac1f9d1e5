// Read access to the registry, as the port monitors' places are read: one
// real implementation calls Windows (device/device_io_win.cpp), tests stage
// their own keys.
#pragma once
#include <cstddef>
#include <string>

// Read access to HKEY_LOCAL_MACHINE, one key open at a time.
class RegistryReader {
public:
    virtual ~RegistryReader() = default;
    // RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, KEY_READ).
    virtual bool OpenLocalMachineKey(const std::string& path) = 0;
    // RegQueryValueExA of the open key into `buffer` (260 bytes), whatever the
    // value's type; the text is always terminated. False when it cannot be read.
    virtual bool QueryValue(const char* name, char* buffer, std::size_t size) = 0;
    virtual void CloseKey() = 0;
};

#if defined(_WIN32)
RegistryReader& SystemRegistry();
#endif
