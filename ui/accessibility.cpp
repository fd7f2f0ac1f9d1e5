#include "ui/accessibility.h"

#include <commctrl.h>
#include <oleacc.h>

#include <new>

#include "ui/tab_rules.h"

namespace access {
namespace {

constexpr UINT_PTR kSubclassId = 0x4143;

// What a marked control says instead of the proxy's guess; lives as long as the window.
struct Annotation {
    std::wstring name;      // empty: the proxy's own
    std::wstring shortcut;  // empty: the proxy's own
    bool hidden = false;
    bool named = false;
};

std::wstring Wide(const std::string& text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(n > 0 ? n : 1, L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &out[0], n);
    out.resize(out.size() - 1);
    return out;
}

HRESULT Answer(const std::wstring& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

LRESULT CALLBACK AnnotatedProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

// The window keeps its annotation in a property, found by the object at each call.
constexpr char kProperty[] = "OrvaneAccessAnnotation";

// The annotation of a window, if it has one.
Annotation* Find(HWND hwnd) { return static_cast<Annotation*>(GetPropA(hwnd, kProperty)); }

Annotation* Ensure(HWND hwnd) {
    if (!hwnd) return nullptr;
    if (Annotation* a = Find(hwnd)) return a;
    auto* a = new (std::nothrow) Annotation;
    if (!a) return nullptr;
    if (!SetPropA(hwnd, kProperty, a) ||
        !SetWindowSubclass(hwnd, AnnotatedProc, kSubclassId, reinterpret_cast<DWORD_PTR>(a))) {
        RemovePropA(hwnd, kProperty);
        delete a;
        return nullptr;
    }
    return a;
}

// The standard proxy's object of a window with the annotated properties answered
// from the window's annotation, read at each call (a name may change meanwhile).
class AnnotatedAccessible final : public IAccessible {
public:
    AnnotatedAccessible(HWND hwnd, IAccessible* inner) : m_hwnd(hwnd), m_inner(inner) {}

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // IOleWindow, IEnumVARIANT and the like: the proxy's own.
        return m_inner->QueryInterface(iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG left = InterlockedDecrement(&m_refs);
        if (left == 0) delete this;
        return left;
    }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return m_inner->GetTypeInfoCount(n); }
    STDMETHODIMP GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return m_inner->GetTypeInfo(i, l, t); }
    STDMETHODIMP GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
        return m_inner->GetIDsOfNames(r, n, c, l, d);
    }
    STDMETHODIMP Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                        UINT* a) override {
        return m_inner->Invoke(d, r, l, f, p, v, e, a);
    }

    // IAccessible: the three annotated properties.
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
        const Annotation* a = IsSelf(child) ? Find(m_hwnd) : nullptr;
        if (a && a->named) return Answer(a->name, name);
        return m_inner->get_accName(child, name);
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        const Annotation* a = IsSelf(child) ? Find(m_hwnd) : nullptr;
        if (a && a->named) {
            if (a->shortcut.empty()) {
                if (shortcut) *shortcut = nullptr;
                return S_FALSE;
            }
            return Answer(a->shortcut, shortcut);
        }
        return m_inner->get_accKeyboardShortcut(child, shortcut);
    }
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
        const HRESULT hr = m_inner->get_accState(child, state);
        const Annotation* a = IsSelf(child) ? Find(m_hwnd) : nullptr;
        if (SUCCEEDED(hr) && a && a->hidden && state && state->vt == VT_I4) state->lVal |= STATE_SYSTEM_INVISIBLE;
        return hr;
    }

    // IAccessible: everything else is the proxy's.
    STDMETHODIMP get_accParent(IDispatch** p) override { return m_inner->get_accParent(p); }
    STDMETHODIMP get_accChildCount(LONG* n) override { return m_inner->get_accChildCount(n); }
    STDMETHODIMP get_accChild(VARIANT c, IDispatch** d) override { return m_inner->get_accChild(c, d); }
    STDMETHODIMP get_accValue(VARIANT c, BSTR* v) override { return m_inner->get_accValue(c, v); }
    STDMETHODIMP get_accDescription(VARIANT c, BSTR* d) override { return m_inner->get_accDescription(c, d); }
    STDMETHODIMP get_accRole(VARIANT c, VARIANT* r) override { return m_inner->get_accRole(c, r); }
    STDMETHODIMP get_accHelp(VARIANT c, BSTR* h) override { return m_inner->get_accHelp(c, h); }
    STDMETHODIMP get_accHelpTopic(BSTR* f, VARIANT c, LONG* t) override { return m_inner->get_accHelpTopic(f, c, t); }
    STDMETHODIMP get_accFocus(VARIANT* c) override { return m_inner->get_accFocus(c); }
    STDMETHODIMP get_accSelection(VARIANT* c) override { return m_inner->get_accSelection(c); }
    STDMETHODIMP get_accDefaultAction(VARIANT c, BSTR* a) override { return m_inner->get_accDefaultAction(c, a); }
    STDMETHODIMP accSelect(LONG f, VARIANT c) override { return m_inner->accSelect(f, c); }
    STDMETHODIMP accLocation(LONG* x, LONG* y, LONG* w, LONG* h, VARIANT c) override {
        return m_inner->accLocation(x, y, w, h, c);
    }
    STDMETHODIMP accNavigate(LONG d, VARIANT s, VARIANT* e) override { return m_inner->accNavigate(d, s, e); }
    STDMETHODIMP accHitTest(LONG x, LONG y, VARIANT* c) override { return m_inner->accHitTest(x, y, c); }
    STDMETHODIMP accDoDefaultAction(VARIANT c) override { return m_inner->accDoDefaultAction(c); }
    STDMETHODIMP put_accName(VARIANT c, BSTR n) override { return m_inner->put_accName(c, n); }
    STDMETHODIMP put_accValue(VARIANT c, BSTR v) override { return m_inner->put_accValue(c, v); }

private:
    ~AnnotatedAccessible() { m_inner->Release(); }
    LONG m_refs = 1;
    HWND m_hwnd;
    IAccessible* m_inner;
};

LRESULT CALLBACK AnnotatedProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    if (msg == WM_GETOBJECT && static_cast<LONG>(lp) == OBJID_CLIENT) {
        IAccessible* inner = nullptr;
        if (SUCCEEDED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                                reinterpret_cast<void**>(&inner)))) {
            auto* wrapped = new (std::nothrow) AnnotatedAccessible(hwnd, inner);
            if (!wrapped) {
                inner->Release();
                return DefSubclassProc(hwnd, msg, wp, lp);
            }
            const LRESULT result = LresultFromObject(__uuidof(IAccessible), wp, wrapped);
            wrapped->Release();
            return result;
        }
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, AnnotatedProc, kSubclassId);
        RemovePropA(hwnd, kProperty);
        delete reinterpret_cast<Annotation*>(ref);
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

std::string ClassOf(HWND hwnd) {
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

bool IsLabel(HWND hwnd) {
    const std::string cls = ClassOf(hwnd);
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    if (lstrcmpiA(cls.c_str(), "Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        return type != SS_BITMAP && type != SS_ICON && GetWindowTextLengthA(hwnd) > 0;
    }
    return lstrcmpiA(cls.c_str(), "Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX &&
           GetWindowTextLengthA(hwnd) > 0;
}

void NameAfter(HWND control, HWND label) {
    char text[256] = "";
    GetWindowTextA(label, text, sizeof text);
    Annotation* a = Ensure(control);
    if (!a) return;
    a->name = Wide(PlainLabel(text));
    const char key = AccessKey(text);
    a->shortcut = key ? L"Alt+" + Wide(std::string(1, key)) : std::wstring();
    a->named = true;
}

}  // namespace

void AnnotateDialog(HWND dialog) {
    HWND previous = nullptr;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string cls = ClassOf(child);
        const LONG type = GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK;
        if (lstrcmpiA(cls.c_str(), "Static") == 0 && (type == SS_BITMAP || type == SS_ICON)) {
            HideDecoration(child);
        } else if (lstrcmpiA(cls.c_str(), "Button") == 0 &&
                   (GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX) {
            // A button is its own label; "&&" is an ampersand, not a key (proxies differ there).
            NameAfter(child, child);
        } else if ((lstrcmpiA(cls.c_str(), "Edit") == 0 || lstrcmpiA(cls.c_str(), "ComboBox") == 0 ||
                    lstrcmpiA(cls.c_str(), WC_LISTVIEWA) == 0) &&
                   previous && IsLabel(previous)) {
            NameAfter(child, previous);
        }
        previous = child;
    }
}

void HideDecoration(HWND control) {
    if (Annotation* a = Ensure(control)) a->hidden = true;
}

void SetLiveName(HWND control, const std::string& name) {
    Annotation* a = Ensure(control);
    if (!a) return;
    const std::wstring wide = Wide(name);
    if (a->named && a->name == wide) return;
    a->name = wide;
    a->named = true;
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
}

FocusKeeper::FocusKeeper(HWND window, HWND fallback)
    : m_window(window), m_fallback(fallback), m_before(GetFocus()) {}

FocusKeeper::~FocusKeeper() {
    if (!IsWindow(m_window)) return;
    const HWND now = GetFocus();
    if (now && now != m_window) return;  // the action put the focus somewhere on purpose
    auto usable = [this](HWND h) {
        return h && h != m_window && IsWindow(h) && IsChild(m_window, h) && IsWindowVisible(h) && IsWindowEnabled(h);
    };
    if (usable(m_before)) SetFocus(m_before);
    else if (usable(m_fallback)) SetFocus(m_fallback);
}

}  // namespace access
