// The class object that hands out new objects of one class.
#pragma once
#include <windows.h>
#include <ole2.h>

class CClassFactory : public IClassFactory {
public:
    using CreateFunction = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);
    explicit CClassFactory(CreateFunction create) : m_pfnCreate(create) {}
    virtual ~CClassFactory() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL fLock) override;

private:
    CClassFactory(const CClassFactory&) = delete;
    CClassFactory& operator=(const CClassFactory&) = delete;

    CreateFunction m_pfnCreate;
    // One reference belongs to the module's cache; every further one keeps the
    // module loaded.
    volatile LONG m_cRef = 1;
};
