#include "contextmenu/explorer_command.h"

#include <shlwapi.h>

#include <new>

#include "base/ansi_path.h"
#include "contextmenu/selection.h"
#include "contextmenu/tilmar_launch.h"
#include "contextmenu/tilmar_module.h"
#include "contextmenu/tilmar_resource.h"

const CLSID CLSID_ExplorerCommand = {0x8506d589, 0x0b0e, 0x4f84, {0x85, 0x3c, 0x8f, 0xd5, 0xb5, 0xf3, 0x2c, 0xc1}};

HRESULT OfferedItems(IShellItemArray* items, std::vector<std::string>* offered) {
    offered->clear();
    if (items == nullptr) return E_INVALIDARG;
    DWORD count = 0;
    HRESULT hr = items->GetCount(&count);
    if (FAILED(hr)) return hr;
    try {
        std::vector<std::string> names;
        for (DWORD i = 0; i < count; ++i) {
            IShellItem* item = nullptr;
            if (FAILED(items->GetItemAt(i, &item))) continue;
            wchar_t* path = nullptr;
            if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
                names.push_back(WideToUtf8(path));
                CoTaskMemFree(path);
            }
            item->Release();
        }
        *offered = OfferedFiles(names);
        return S_OK;
    } catch (const std::bad_alloc&) {
        offered->clear();
        return E_OUTOFMEMORY;
    }
}

CExplorerCommand::CExplorerCommand() { gModule.Lock(); }
CExplorerCommand::~CExplorerCommand() { gModule.Unlock(); }

HRESULT CExplorerCommand::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    CExplorerCommand* object = new (std::nothrow) CExplorerCommand();
    if (object == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();  // frees the object when the request failed
    return hr;
}

HRESULT WINAPI CExplorerCommand::UpdateRegistry(BOOL) { return S_OK; }

STDMETHODIMP CExplorerCommand::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IExplorerCommand)) {
        *ppv = static_cast<IExplorerCommand*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CExplorerCommand::AddRef() { return ULONG(InterlockedIncrement(&m_cRef)); }

STDMETHODIMP_(ULONG) CExplorerCommand::Release() {
    const LONG count = InterlockedDecrement(&m_cRef);
    if (count == 0) delete this;
    return ULONG(count);
}

STDMETHODIMP CExplorerCommand::GetTitle(IShellItemArray*, LPWSTR* name) {
    if (name == nullptr) return E_POINTER;
    *name = nullptr;
    try {
        return SHStrDupW(AnsiToWide(TilmarText(kMenuSection, "MENUTEXT", kDefaultMenuText)).c_str(), name);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

// The module's own icon as an icon location: the path, a comma, and the
// negated resource id, which the shell reads as an id rather than an index.
STDMETHODIMP CExplorerCommand::GetIcon(IShellItemArray*, LPWSTR* icon) {
    if (icon == nullptr) return E_POINTER;
    *icon = nullptr;
    try {
        std::wstring path(MAX_PATH, L'\0');
        for (;;) {
            const DWORD length = GetModuleFileNameW(gModule.GetInstance(), &path[0], DWORD(path.size()));
            if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
            if (length < path.size()) {
                path.resize(length);
                break;
            }
            path.resize(path.size() * 2);  // cut off: a longer path than MAX_PATH
        }
        return SHStrDupW((path + L",-" + std::to_wstring(IDI_TILMAR)).c_str(), icon);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP CExplorerCommand::GetToolTip(IShellItemArray*, LPWSTR* infoTip) {
    if (infoTip) *infoTip = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CExplorerCommand::GetCanonicalName(GUID* guidCommandName) {
    if (guidCommandName == nullptr) return E_POINTER;
    *guidCommandName = CLSID_ExplorerCommand;
    return S_OK;
}

STDMETHODIMP CExplorerCommand::GetState(IShellItemArray* items, BOOL, EXPCMDSTATE* state) {
    if (state == nullptr) return E_POINTER;
    std::vector<std::string> offered;
    OfferedItems(items, &offered);
    *state = offered.empty() ? ECS_HIDDEN : ECS_ENABLED;
    return S_OK;
}

STDMETHODIMP CExplorerCommand::Invoke(IShellItemArray* items, IBindCtx*) {
    std::vector<std::string> offered;
    const HRESULT hr = OfferedItems(items, &offered);
    if (FAILED(hr)) return hr;
    // A hidden entry cannot be chosen: nothing the program would take starts nothing.
    if (offered.empty()) return E_INVALIDARG;
    try {
        StartOrvex(offered);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

STDMETHODIMP CExplorerCommand::GetFlags(EXPCMDFLAGS* flags) {
    if (flags == nullptr) return E_POINTER;
    *flags = ECF_DEFAULT;
    return S_OK;
}

STDMETHODIMP CExplorerCommand::EnumSubCommands(IEnumExplorerCommand** commands) {
    if (commands) *commands = nullptr;
    return E_NOTIMPL;
}
