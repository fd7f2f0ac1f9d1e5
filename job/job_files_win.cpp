// The Windows files behind the job sender.
#include <windows.h>

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

    bool MakeTempName(std::string& name) override {
        char folder[MAX_PATH] = "";
        char file[MAX_PATH] = "";
        DWORD n = GetTempPathA(sizeof folder, folder);
        if (n == 0 || n >= sizeof folder) return false;
        if (GetTempFileNameA(folder, "QEL", 0, file) == 0) return false;
        name = file;
        return true;
    }

    Handle CreateTemp(const std::string& name) override {
        // Nothing may outlive the send, even a process ended from outside: the
        // system deletes the file with its last handle. Short-lived: keep it in
        // the cache rather than pushing it to disk.
        HANDLE f = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        return f == INVALID_HANDLE_VALUE ? nullptr : f;
    }

    bool Read(Handle file, void* buffer, std::uint32_t size, std::uint32_t& got) override {
        DWORD n = 0;
        BOOL ok = ReadFile(file, buffer, size, &n, nullptr);
        got = ok ? n : 0;
        return ok != FALSE;
    }

    bool Write(Handle file, const void* data, std::uint32_t size) override {
        DWORD n = 0;
        return WriteFile(file, data, size, &n, nullptr) && n == size;
    }

    bool Close(Handle file) override { return CloseHandle(file) != FALSE; }
    bool Delete(const std::string& name) override { return DeleteFileA(name.c_str()) != FALSE; }
};

}  // namespace

JobFileOps& SystemJobFileOps() {
    static WindowsJobFileOps ops;
    return ops;
}

JobSendResult SendFileToDevice(CTestPrint& printer, const char* path) {
    return SendFileToDevice(printer, SystemJobFileOps(), path);
}
