#include "ui/file_check.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <sys/stat.h>

#include "ui/tab_rules.h"

FileCheck CheckPrintFile(const char* path, int nSupportedTypes) {
    struct _stat64 st{};
    if (!path || _stat64(path, &st) != 0) return FileCheck::kMissing;
    if ((st.st_mode & _S_IFMT) != _S_IFREG) return FileCheck::kNotAFile;
    return IsSupportedExtension(PathFindExtensionA(path), nSupportedTypes) ? FileCheck::kAccepted
                                                                           : FileCheck::kUnsupported;
}

std::string ResolveShortcut(const char* path) {
    if (!path || !*path) return std::string();
    std::string target;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        WCHAR wide[MAX_PATH] = L"";
        MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
        wide[MAX_PATH - 1] = 0;
        if (SUCCEEDED(file->Load(wide, STGM_READ))) {
            char buffer[MAX_PATH] = "";
            WIN32_FIND_DATAA data{};
            if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, &data, SLGP_UNCPRIORITY))) target = buffer;
        }
        file->Release();
    }
    link->Release();
    return target;
}

std::string ResolvedPath(const char* path) {
    const std::string target = ResolveShortcut(path);
    return target.empty() ? std::string(path) : target;
}
