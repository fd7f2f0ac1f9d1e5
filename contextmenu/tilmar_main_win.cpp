// Entry points of the in-process server.
#include <windows.h>
#include <olectl.h>

#include "contextmenu/context_menu_ext.h"
#include "contextmenu/explorer_command.h"
#include "contextmenu/tilmar_module.h"

CTilmarApp theApp;

namespace {

const TilmarClassEntry kClasses[] = {
    {&CLSID_ContextMenuExt, &CContextMenuExt::UpdateRegistry, &CContextMenuExt::CreateInstance},
    {&CLSID_ExplorerCommand, &CExplorerCommand::UpdateRegistry, &CExplorerCommand::CreateInstance},
};

const char kApprovedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char kClassId[] = "{9061A1F6-6F41-418e-9B9F-3BCB2DDF79F1}";
const char kApprovedName[] = "Orvane";

}  // namespace

BOOL CTilmarApp::InitInstance(HINSTANCE instance) {
    TilmarTrace("CTilmarApp::InitInstance");
    return SUCCEEDED(gModule.Init(kClasses, int(sizeof kClasses / sizeof kClasses[0]), instance));
}

int CTilmarApp::ExitInstance() {
    TilmarTrace("CTilmarApp::ExitInstance");
    gModule.Term();
    return 0;
}

bool CTilmarApp::CanUnloadNow() const { return gModule.GetLockCount() == 0; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        return theApp.InitInstance(instance);
    }
    if (reason == DLL_PROCESS_DETACH) theApp.ExitInstance();
    return TRUE;
}

STDAPI DllCanUnloadNow(void) {
    TilmarTrace("DllCanUnloadNow");
    return theApp.CanUnloadNow() ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    TilmarTrace("DllGetClassObject");
    return gModule.GetClassObject(rclsid, riid, ppv);
}

STDAPI DllRegisterServer(void) {
    TilmarTrace("DllRegisterServer");
    // The shell only loads extensions on its approved list on locked-down
    // systems: the entry goes in first, and without the right to write it
    // nothing is registered.
    HKEY approved = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &approved) != ERROR_SUCCESS)
        return E_ACCESSDENIED;
    HRESULT hr = E_ACCESSDENIED;
    if (RegSetValueExA(approved, kClassId, 0, REG_SZ, reinterpret_cast<const BYTE*>(kApprovedName),
                       sizeof kApprovedName) == ERROR_SUCCESS)
        hr = gModule.RegisterServer();
    RegCloseKey(approved);
    return hr;
}

STDAPI DllUnregisterServer(void) {
    HKEY approved = nullptr;
    const bool opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &approved) == ERROR_SUCCESS;
    if (opened) RegDeleteValueA(approved, kClassId);
    const HRESULT hr = gModule.UnregisterServer();
    if (opened) RegCloseKey(approved);
    return hr;
}
