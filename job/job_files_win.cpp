// The Windows files behind the job sender, and the registry value that bounds
// the following of its jobs.
#include <windows.h>

#include <algorithm>

#include "job/job_fate.h"
#include "job/job_sender.h"
#include "spooler/spooler_access.h"

namespace {

class WindowsJobFileOps final : public JobFileOps {
public:
    Handle OpenSource(const char* path) override {
        // Read front to back once: tell the cache so.
        HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        return f == INVALID_HANDLE_VALUE ? nullptr : f;
    }

    bool Size(Handle file, std::uint64_t& size) override {
        LARGE_INTEGER length;
        if (!GetFileSizeEx(file, &length)) return false;
        size = static_cast<std::uint64_t>(length.QuadPart);
        return true;
    }

    bool Read(Handle file, void* buffer, std::uint32_t size, std::uint32_t& got) override {
        DWORD n = 0;
        BOOL ok = ReadFile(file, buffer, size, &n, nullptr);
        got = ok ? n : 0;
        return ok != FALSE;
    }

    bool Close(Handle file) override { return CloseHandle(file) != FALSE; }
};

}  // namespace

JobFileOps& SystemJobFileOps() {
    static WindowsJobFileOps ops;
    return ops;
}

JobSendResult SendFileToDevice(CTestPrint& printer, const char* path, JobWatch* watch) {
    return SendFileToDevice(printer, SystemJobFileOps(), path, watch);
}

int ReadFollowSeconds() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvath\\QEL", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return kDefaultFollowSeconds;
    DWORD value = 0, size = sizeof value, type = 0;
    const bool read = RegQueryValueExA(key, "FollowQEL", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                          ERROR_SUCCESS && type == REG_DWORD;
    RegCloseKey(key);
    // More than a day is no bound a user meant.
    return read ? static_cast<int>(std::min<DWORD>(value, 86400)) : kDefaultFollowSeconds;
}
