// The context-menu handler: offers one entry for a selection that holds PDF
// files and starts the main program with them.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "tilmar_h.h"  // IContextMenuExt, generated from tilmar.idl

// Whether the last Initialize of any handler in this module found a supported
// item; read by QueryContextMenu of every handler.
extern bool gbShowMenuEntry;

class CContextMenuExt : public IContextMenuExt, public IShellExtInit, public IContextMenu {
public:
    // The class table's instance creator; with an outer object only IID_IUnknown
    // can be asked for (the class object checks that before calling this).
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv);
    // The class table's registration operation.
    static HRESULT WINAPI UpdateRegistry(BOOL bRegister);

    // IUnknown, delegating to the controlling object when aggregated
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch, answered from the type library
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* dispIds) override;
    STDMETHODIMP Invoke(DISPID dispId, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

    // IShellExtInit
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* pdtobj, HKEY hkeyProgID) override;

    // IContextMenu
    STDMETHODIMP QueryContextMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                  UINT uFlags) override;
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* pici) override;
    STDMETHODIMP GetCommandString(UINT_PTR idCmd, UINT uType, UINT* pReserved, CHAR* pszName,
                                  UINT cchMax) override;

    // Localized text for a key of the extension's text file, or the default.
    std::string GetExString(const char* section, const char* key, const char* defaultText) const;
    // The module's directory with a trailing backslash; empty on failure.
    std::string GetInstallPath() const;
    // The two-letter code that names the localized text file.
    std::string GetLocalizedFileSuffix() const;

private:
    // The object's own IUnknown: the one an aggregating object holds.
    class CInnerUnknown : public IUnknown {
    public:
        explicit CInnerUnknown(CContextMenuExt* owner) : m_pOwner(owner) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
        STDMETHODIMP_(ULONG) AddRef() override;
        STDMETHODIMP_(ULONG) Release() override;
    private:
        CContextMenuExt* m_pOwner;
    };

    explicit CContextMenuExt(IUnknown* outer);
    virtual ~CContextMenuExt();
    CContextMenuExt(const CContextMenuExt&) = delete;
    CContextMenuExt& operator=(const CContextMenuExt&) = delete;

    HRESULT LoadTypeInfo();
    HRESULT InitializeFromDrop(HDROP hDrop);
    void StartProgram();

    CInnerUnknown m_inner;
    IUnknown* m_pOuter;  // the controlling object, or m_inner
    volatile LONG m_cRef = 0;
    std::vector<std::string> m_arrSelectedFiles;  // UTF-8
    std::string m_strMenuText;
    HBITMAP m_hMenuIcon = nullptr;
    ITypeInfo* m_pTypeInfo = nullptr;
};
