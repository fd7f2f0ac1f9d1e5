// The entry of the file manager's first-level menu: the same entry as the
// classic handler's, asked for through IExplorerCommand with the selection as
// shell items. The sparse package declares it for PDF files.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <shobjidl.h>

#include <string>
#include <vector>

// {8506D589-0B0E-4F84-853C-8FD5B5F32CC1}
extern const CLSID CLSID_ExplorerCommand;

class CExplorerCommand : public IExplorerCommand {
public:
    // The class table's instance creator; the class cannot be aggregated.
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv);
    // The class table's registration operation: its keys are written by the
    // module's registrar script together with the classic handler's.
    static HRESULT WINAPI UpdateRegistry(BOOL bRegister);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetTitle(IShellItemArray* items, LPWSTR* name) override;
    STDMETHODIMP GetIcon(IShellItemArray* items, LPWSTR* icon) override;
    STDMETHODIMP GetToolTip(IShellItemArray* items, LPWSTR* infoTip) override;
    STDMETHODIMP GetCanonicalName(GUID* guidCommandName) override;
    STDMETHODIMP GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) override;
    STDMETHODIMP Invoke(IShellItemArray* items, IBindCtx* bindContext) override;
    STDMETHODIMP GetFlags(EXPCMDFLAGS* flags) override;
    STDMETHODIMP EnumSubCommands(IEnumExplorerCommand** commands) override;

private:
    CExplorerCommand();
    virtual ~CExplorerCommand();
    CExplorerCommand(const CExplorerCommand&) = delete;
    CExplorerCommand& operator=(const CExplorerCommand&) = delete;

    volatile LONG m_cRef = 1;
};

// The items the program would be started with: the file-system paths of the
// selection (UTF-8, in order) that the classic handler's rule offers. Items
// without a file-system path (virtual folders) are not files to offer.
HRESULT OfferedItems(IShellItemArray* items, std::vector<std::string>* offered);
