#include "job/file_check.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <sys/stat.h>

#include "base/ansi_text.h"
#include "device/supported_types.h"

FileCheck CheckPrintFile(const char* path, int nSupportedTypes) {
    struct _stat64 st{};
    if (!path || _stat64(path, &st) != 0) return FileCheck::kMissing;
    if ((st.st_mode & _S_IFMT) != _S_IFREG) return FileCheck::kNotAFile;
    // By the long name's whole extension: a short name's first three letters may say another language.
    return IsSupportedFileName(LongFileName(path).c_str(), nSupportedTypes) ? FileCheck::kAccepted
                                                                            : FileCheck::kUnsupported;
}

std::wstring ResolveShortcut(const std::wstring& path) {
    if (path.empty()) return std::wstring();
    std::wstring target;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
            WCHAR buffer[MAX_PATH] = L"";
            WIN32_FIND_DATAW data{};
            if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, &data, SLGP_UNCPRIORITY))) target = buffer;
        }
        file->Release();
    }
    link->Release();
    return target;
}

std::wstring ResolvedPath(const std::wstring& path) {
    // Only a .lnk is a shortcut: invoice.pdf holding a link's bytes is the file the user named.
    if (_wcsicmp(PathFindExtensionW(path.c_str()), L".lnk") != 0) return path;
    const std::wstring target = ResolveShortcut(path);
    return target.empty() ? path : target;
}
