// The in-process server's module state: lock count, class table and the lazily
// created class objects, guarded by one critical section.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>

// Writes one of the fixed lines that the 64-bit build sends to the debugger
// output at the start of the module's entry points; the 32-bit build is silent.
inline void TilmarTrace(const char* text) {
#ifdef _WIN64
    OutputDebugStringA(text);
#else
    (void)text;
#endif
}

struct TilmarClassEntry {
    const CLSID* clsid;
    HRESULT(WINAPI* updateRegistry)(BOOL bRegister);
    HRESULT (*createInstance)(IUnknown* outer, REFIID riid, void** ppv);
};

class CTilmarModule {
public:
    HRESULT Init(const TilmarClassEntry* classes, int classCount, HINSTANCE instance);
    void Term();

    LONG Lock();
    LONG Unlock();
    LONG GetLockCount() const { return m_nLockCount; }

    HINSTANCE GetInstance() const { return m_hInstance; }
    bool IsInitialized() const { return m_bInitialized; }

    HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
    HRESULT RegisterServer();
    HRESULT UnregisterServer();

    // Applies (or removes) a registrar script from the module's "REGISTRY" resources,
    // with %MODULE% standing for the module's full path.
    HRESULT UpdateRegistryFromResource(UINT id, BOOL bRegister);

    // Full path of this module (not of the host process); empty on failure.
    std::string GetModulePath() const;

private:
    HRESULT RegisterTypeLibrary();
    HRESULT UnregisterTypeLibrary();

    static const int kMaxClasses = 4;
    const TilmarClassEntry* m_pClasses = nullptr;
    int m_nClassCount = 0;
    IClassFactory* m_pClassObjects[kMaxClasses] = {};
    HINSTANCE m_hInstance = nullptr;
    volatile LONG m_nLockCount = 0;
    CRITICAL_SECTION m_csObjectCreation;
    bool m_bInitialized = false;
};

extern CTilmarModule gModule;

// The module's application object: sets the module state up when the module is
// loaded and tears it down when it is freed.
class CTilmarApp {
public:
    BOOL InitInstance(HINSTANCE instance);
    int ExitInstance();
    bool CanUnloadNow() const;
};

extern CTilmarApp theApp;
