#include "contextmenu/context_menu_ext.h"

#include <shellapi.h>

#include <new>

#include "base/ansi_path.h"
#include "contextmenu/selection.h"
#include "contextmenu/tilmar_launch.h"
#include "contextmenu/tilmar_module.h"
#include "contextmenu/tilmar_resource.h"

bool gbShowMenuEntry = false;

namespace {

const char kDefaultMenuIcon[] = "QELShell.bmp";
const char kHelpText[] = "This is the Orvane shell extension's help";

// QueryContextMenu's answer when the selection holds nothing to offer.
const HRESULT kNothingToOffer = static_cast<HRESULT>(0x80000001);

// The dropped name at `index` in UTF-8, whatever its length; empty when there is none.
std::string DroppedNameUtf8(HDROP drop, UINT index) {
    const UINT length = DragQueryFileW(drop, index, nullptr, 0);
    if (length == 0) return std::string();
    std::wstring wide(length + 1, L'\0');
    wide.resize(DragQueryFileW(drop, index, &wide[0], length + 1));
    return WideToUtf8(wide);
}

}  // namespace

// --- creation, IUnknown ---------------------------------------------------

CContextMenuExt::CContextMenuExt(IUnknown* outer) : m_inner(this), m_pOuter(outer ? outer : &m_inner) {
    gModule.Lock();
}

CContextMenuExt::~CContextMenuExt() {
    if (m_pTypeInfo) m_pTypeInfo->Release();
    if (m_hMenuIcon) DeleteObject(m_hMenuIcon);
    gModule.Unlock();
}

HRESULT CContextMenuExt::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (outer != nullptr && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    CContextMenuExt* object = new (std::nothrow) CContextMenuExt(outer);
    if (object == nullptr) return E_OUTOFMEMORY;
    object->m_inner.AddRef();
    const HRESULT hr = object->m_inner.QueryInterface(riid, ppv);
    object->m_inner.Release();  // frees the object when the request failed
    return hr;
}

HRESULT WINAPI CContextMenuExt::UpdateRegistry(BOOL bRegister) {
    return gModule.UpdateRegistryFromResource(IDR_CONTEXTMENUEXT, bRegister);
}

STDMETHODIMP CContextMenuExt::CInnerUnknown::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    IUnknown* found = nullptr;
    if (IsEqualIID(riid, IID_IContextMenuExt) || IsEqualIID(riid, IID_IDispatch))
        found = static_cast<IContextMenuExt*>(m_pOwner);
    else if (IsEqualIID(riid, IID_IShellExtInit))
        found = static_cast<IShellExtInit*>(m_pOwner);
    else if (IsEqualIID(riid, IID_IContextMenu))
        found = static_cast<IContextMenu*>(m_pOwner);
    else if (IsEqualIID(riid, IID_IUnknown))
        found = this;
    *ppv = found;
    if (found == nullptr) return E_NOINTERFACE;
    found->AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CContextMenuExt::CInnerUnknown::AddRef() {
    return ULONG(InterlockedIncrement(&m_pOwner->m_cRef));
}

STDMETHODIMP_(ULONG) CContextMenuExt::CInnerUnknown::Release() {
    const LONG count = InterlockedDecrement(&m_pOwner->m_cRef);
    if (count == 0) delete m_pOwner;
    return ULONG(count);
}

STDMETHODIMP CContextMenuExt::QueryInterface(REFIID riid, void** ppv) { return m_pOuter->QueryInterface(riid, ppv); }
STDMETHODIMP_(ULONG) CContextMenuExt::AddRef() { return m_pOuter->AddRef(); }
STDMETHODIMP_(ULONG) CContextMenuExt::Release() { return m_pOuter->Release(); }

// --- IDispatch ------------------------------------------------------------

HRESULT CContextMenuExt::LoadTypeInfo() {
    if (m_pTypeInfo) return S_OK;
    wchar_t path[MAX_PATH] = L"";
    const DWORD length = GetModuleFileNameW(gModule.GetInstance(), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return E_FAIL;
    ITypeLib* typeLib = nullptr;
    HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &typeLib);
    if (FAILED(hr)) return hr;
    hr = typeLib->GetTypeInfoOfGuid(IID_IContextMenuExt, &m_pTypeInfo);
    typeLib->Release();
    return hr;
}

STDMETHODIMP CContextMenuExt::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr) return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

STDMETHODIMP CContextMenuExt::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo == nullptr) return E_POINTER;
    *ppTInfo = nullptr;
    if (iTInfo != 0) return DISP_E_BADINDEX;
    const HRESULT hr = LoadTypeInfo();
    if (FAILED(hr)) return hr;
    m_pTypeInfo->AddRef();
    *ppTInfo = m_pTypeInfo;
    return S_OK;
}

STDMETHODIMP CContextMenuExt::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* dispIds) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    const HRESULT hr = LoadTypeInfo();
    if (FAILED(hr)) return hr;
    return DispGetIDsOfNames(m_pTypeInfo, names, count, dispIds);
}

STDMETHODIMP CContextMenuExt::Invoke(DISPID dispId, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    const HRESULT hr = LoadTypeInfo();
    if (FAILED(hr)) return hr;
    return DispInvoke(static_cast<IContextMenuExt*>(this), m_pTypeInfo, dispId, flags, params, result,
                      excepInfo, argErr);
}

// --- IShellExtInit --------------------------------------------------------

STDMETHODIMP CContextMenuExt::Initialize(PCIDLIST_ABSOLUTE, IDataObject* pdtobj, HKEY) {
    m_arrSelectedFiles.clear();
    if (pdtobj == nullptr) return E_INVALIDARG;

    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(pdtobj->GetData(&format, &medium))) return E_INVALIDARG;
    HRESULT hr = E_INVALIDARG;
    if (medium.tymed == TYMED_HGLOBAL) {
        if (const HDROP hDrop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
            hr = InitializeFromDrop(hDrop);
            GlobalUnlock(medium.hGlobal);
        }
    }
    ReleaseStgMedium(&medium);
    return hr;
}

HRESULT CContextMenuExt::InitializeFromDrop(HDROP hDrop) {
    try {
        const UINT count = DragQueryFileA(hDrop, 0xFFFFFFFF, nullptr, 0);
        if (count == 0) return E_INVALIDARG;

        // Names are read whole and in Unicode: an ANSI name may be a look-alike
        // of another file, and a cut one another file altogether. The program
        // gets them as the file manager would give them and judges them itself.
        std::vector<std::string> names;
        for (UINT i = 0; i < count; ++i) names.push_back(DroppedNameUtf8(hDrop, i));
        m_arrSelectedFiles = OfferedFiles(names);
        gbShowMenuEntry = !m_arrSelectedFiles.empty();

        m_strMenuText = GetExString(kMenuSection, "MENUTEXT", kDefaultMenuText);
        const std::string iconPath = GetInstallPath() + GetExString(kMenuSection, "MENUICON", kDefaultMenuIcon);
        if (HBITMAP bitmap =
                static_cast<HBITMAP>(LoadImageA(nullptr, iconPath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE))) {
            if (m_hMenuIcon) DeleteObject(m_hMenuIcon);
            m_hMenuIcon = bitmap;
        }
        return S_OK;
    } catch (const std::bad_alloc&) {
        m_arrSelectedFiles.clear();
        return E_OUTOFMEMORY;
    }
}

// --- IContextMenu ---------------------------------------------------------

STDMETHODIMP CContextMenuExt::QueryContextMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst, UINT, UINT uFlags) {
    // The selection decides before the flags: nothing to offer fails even when
    // only the default item is asked for.
    if (!gbShowMenuEntry) return kNothingToOffer;
    if (uFlags & CMF_DEFAULTONLY) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    if (!InsertMenuA(hmenu, indexMenu, MF_BYPOSITION | MF_STRING, idCmdFirst, m_strMenuText.c_str()))
        return HRESULT_FROM_WIN32(GetLastError());
    if (m_hMenuIcon) SetMenuItemBitmaps(hmenu, indexMenu, MF_BYPOSITION, m_hMenuIcon, nullptr);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
}

STDMETHODIMP CContextMenuExt::InvokeCommand(CMINVOKECOMMANDINFO* pici) {
    if (pici == nullptr) return E_INVALIDARG;
    if (!IS_INTRESOURCE(pici->lpVerb)) return E_INVALIDARG;  // a verb given as a string
    if (LOWORD(reinterpret_cast<ULONG_PTR>(pici->lpVerb)) != 0) return E_INVALIDARG;
    try {
        StartProgram();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void CContextMenuExt::StartProgram() { StartOrvex(m_arrSelectedFiles); }

STDMETHODIMP CContextMenuExt::GetCommandString(UINT_PTR idCmd, UINT uType, UINT*, CHAR* pszName, UINT cchMax) {
    if (idCmd != 0) return E_INVALIDARG;
    if (!(uType & GCS_HELPTEXTA)) return E_INVALIDARG;  // verb and validation requests
    if (pszName == nullptr || cchMax == 0) return E_INVALIDARG;
    if (uType & GCS_UNICODE) {
        wchar_t wide[sizeof kHelpText] = L"";
        MultiByteToWideChar(CP_ACP, 0, kHelpText, -1, wide, int(sizeof kHelpText));
        lstrcpynW(reinterpret_cast<wchar_t*>(pszName), wide, int(cchMax));
    } else {
        lstrcpynA(pszName, kHelpText, int(cchMax));
    }
    return S_OK;
}

// --- localized text -------------------------------------------------------

std::string CContextMenuExt::GetInstallPath() const { return TilmarInstallPath(); }

std::string CContextMenuExt::GetLocalizedFileSuffix() const { return TilmarLocalizedFileSuffix(); }

std::string CContextMenuExt::GetExString(const char* section, const char* key, const char* defaultText) const {
    return TilmarText(section, key, defaultText);
}
