#include "contextmenu/tilmar_module.h"

#include <new>
#include <vector>

#include "contextmenu/class_factory.h"
#include "contextmenu/registry_apply.h"
#include "contextmenu/registry_script.h"
#include "contextmenu/selection.h"

CTilmarModule gModule;

HRESULT CTilmarModule::Init(const TilmarClassEntry* classes, int classCount, HINSTANCE instance) {
    if (classCount > kMaxClasses) return E_INVALIDARG;
    InitializeCriticalSection(&m_csObjectCreation);
    m_pClasses = classes;
    m_nClassCount = classCount;
    m_hInstance = instance;
    m_nLockCount = 0;
    m_bInitialized = true;
    return S_OK;
}

void CTilmarModule::Term() {
    if (!m_bInitialized) return;
    for (IClassFactory*& factory : m_pClassObjects) {
        if (factory) factory->Release();  // the cache's own reference
        factory = nullptr;
    }
    DeleteCriticalSection(&m_csObjectCreation);
    m_bInitialized = false;
}

LONG CTilmarModule::Lock() { return InterlockedIncrement(&m_nLockCount); }
LONG CTilmarModule::Unlock() { return InterlockedDecrement(&m_nLockCount); }

HRESULT CTilmarModule::GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!m_bInitialized) return E_UNEXPECTED;
    for (int i = 0; i < m_nClassCount; ++i) {
        if (!IsEqualCLSID(rclsid, *m_pClasses[i].clsid)) continue;
        EnterCriticalSection(&m_csObjectCreation);
        if (m_pClassObjects[i] == nullptr)
            m_pClassObjects[i] = new (std::nothrow) CClassFactory(m_pClasses[i].createInstance);
        IClassFactory* factory = m_pClassObjects[i];
        LeaveCriticalSection(&m_csObjectCreation);
        if (factory == nullptr) return E_OUTOFMEMORY;
        return factory->QueryInterface(riid, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

std::string CTilmarModule::GetModulePath() const {
    char path[MAX_PATH] = "";
    const DWORD length = GetModuleFileNameA(m_hInstance, path, sizeof path);
    // A path that filled the buffer may have been cut: not a path to rely on.
    if (length == 0 || length >= sizeof path) return std::string();
    return std::string(path, length);
}

HRESULT CTilmarModule::UpdateRegistryFromResource(UINT id, BOOL bRegister) {
    try {
        const HRSRC resource = FindResourceA(m_hInstance, MAKEINTRESOURCEA(id), "REGISTRY");
        const HGLOBAL loaded = resource ? LoadResource(m_hInstance, resource) : nullptr;
        const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
        if (data == nullptr) return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
        const std::string script(data, SizeofResource(m_hInstance, resource));

        const std::string modulePath = GetModulePath();
        if (modulePath.empty()) return E_FAIL;
        std::vector<RegistryScriptRoot> roots;
        std::string error;
        if (!ParseRegistryScript(script, {{"MODULE", modulePath}}, &roots, &error)) {
            OutputDebugStringA(("[Tilmar] registry script: " + error).c_str());
            return E_UNEXPECTED;
        }
        return ApplyRegistryScript(roots, bRegister != FALSE);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

namespace {
// The type library embedded in this module, and the module's path.
HRESULT LoadEmbeddedTypeLib(HINSTANCE module, wchar_t (&path)[MAX_PATH], ITypeLib** typeLib) {
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return E_FAIL;
    return LoadTypeLibEx(path, REGKIND_NONE, typeLib);
}
}  // namespace

HRESULT CTilmarModule::RegisterTypeLibrary() {
    wchar_t path[MAX_PATH] = L"";
    ITypeLib* typeLib = nullptr;
    HRESULT hr = LoadEmbeddedTypeLib(m_hInstance, path, &typeLib);
    if (FAILED(hr)) return hr;
    // The help directory is the module's own directory.
    wchar_t directory[MAX_PATH];
    lstrcpynW(directory, path, MAX_PATH);
    wchar_t* slash = wcsrchr(directory, L'\\');
    if (slash) *slash = L'\0';
    hr = RegisterTypeLib(typeLib, path, directory);
    typeLib->Release();
    return hr;
}

HRESULT CTilmarModule::UnregisterTypeLibrary() {
    wchar_t path[MAX_PATH] = L"";
    ITypeLib* typeLib = nullptr;
    HRESULT hr = LoadEmbeddedTypeLib(m_hInstance, path, &typeLib);
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = typeLib->GetLibAttr(&attr);
    if (SUCCEEDED(hr)) {
        hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
        typeLib->ReleaseTLibAttr(attr);
    }
    typeLib->Release();
    return hr;
}

HRESULT CTilmarModule::RegisterServer() {
    if (!m_bInitialized) return E_UNEXPECTED;
    for (int i = 0; i < m_nClassCount; ++i) {
        const HRESULT hr = m_pClasses[i].updateRegistry(TRUE);
        if (FAILED(hr)) return hr;
    }
    return RegisterTypeLibrary();
}

HRESULT CTilmarModule::UnregisterServer() {
    if (!m_bInitialized) return E_UNEXPECTED;
    HRESULT result = S_OK;
    for (int i = 0; i < m_nClassCount; ++i) {
        const HRESULT hr = m_pClasses[i].updateRegistry(FALSE);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    // A type library that is not registered (any more) is no reason to fail.
    UnregisterTypeLibrary();
    return result;
}

// --- class object ---------------------------------------------------------

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef() {
    const LONG count = InterlockedIncrement(&m_cRef);
    if (count == 2) gModule.Lock();
    return ULONG(count);
}

STDMETHODIMP_(ULONG) CClassFactory::Release() {
    const LONG count = InterlockedDecrement(&m_cRef);
    if (count == 1) gModule.Unlock();
    if (count == 0) delete this;
    return ULONG(count);
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    // An aggregated object can only hand its controlling object its own IUnknown.
    if (outer != nullptr && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return m_pfnCreate(outer, riid, ppv);
}

STDMETHODIMP CClassFactory::LockServer(BOOL fLock) {
    if (fLock)
        gModule.Lock();
    else
        gModule.Unlock();
    return S_OK;
}
