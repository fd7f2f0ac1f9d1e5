// The context-menu handler used the way the file manager uses it: found through
// HKCR\*\shellex\ContextMenuHandlers after registration, created through COM and
// initialised with the data object that the shell gives for real files.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <shellapi.h>  // after windows.h, which leaves it out (lean and mean)

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/contextmenu/tilmar_test_support.h"

namespace {

const std::string kRecorded = "recorded-command-line.txt";
const char kHelpText[] = "This is the Orvane shell extension's help";
const HRESULT kNothingToOffer = static_cast<HRESULT>(0x80000001);
const wchar_t kGreekName[] = L"\u03A9\u03BC\u03B5\u03B3\u03B1.pdf";
const char kGreekNameUtf8[] = "\xCE\xA9\xCE\xBC\xCE\xB5\xCE\xB3\xCE\xB1.pdf";

void RemoveLanguageFiles() {
    DeleteFileA((StageDirectory() + "Local.dat").c_str());
    DeleteFileA((StageDirectory() + "Local_GR.dat").c_str());
}

// The selection, as files and folders in a directory of their own.
class Selection {
public:
    Selection() {
        m_directory = StageDirectory() + "selection\\";
        CreateDirectoryA(m_directory.c_str(), nullptr);
        for (const char* file : {"a.pdf", "b.jpg", "c.PDF", "d.jpg"})
            WriteTextFile(m_directory + file, "%PDF-1.4\n");
        // A name the ANSI code page cannot hold.
        wchar_t wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, m_directory.c_str(), -1, wide, MAX_PATH);
        CloseHandle(CreateFileW((std::wstring(wide) + kGreekName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        CreateDirectoryA((m_directory + "Photos").c_str(), nullptr);
    }
    const std::string& Directory() const { return m_directory; }

    // The shell's data object for these names in the selection's directory.
    HRESULT DataObject(const std::vector<std::wstring>& names, IDataObject** object) const {
        ComPtr<IShellFolder> desktop, folder;
        HRESULT hr = SHGetDesktopFolder(desktop.Receive());
        if (FAILED(hr)) return hr;
        wchar_t wideDirectory[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, m_directory.c_str(), -1, wideDirectory, MAX_PATH);
        PIDLIST_RELATIVE folderId = nullptr;
        hr = desktop->ParseDisplayName(nullptr, nullptr, wideDirectory, nullptr, &folderId, nullptr);
        if (FAILED(hr)) return hr;
        hr = desktop->BindToObject(folderId, nullptr, IID_IShellFolder, folder.ReceiveVoid());
        CoTaskMemFree(folderId);
        if (FAILED(hr)) return hr;
        std::vector<PITEMID_CHILD> children;
        for (const std::wstring& name : names) {
            PIDLIST_RELATIVE child = nullptr;
            hr = folder->ParseDisplayName(nullptr, nullptr, const_cast<wchar_t*>(name.c_str()), nullptr, &child,
                                          nullptr);
            if (FAILED(hr)) break;
            children.push_back(reinterpret_cast<PITEMID_CHILD>(child));
        }
        if (SUCCEEDED(hr))
            hr = folder->GetUIObjectOf(nullptr, UINT(children.size()),
                                       const_cast<PCUITEMID_CHILD_ARRAY>(children.data()), IID_IDataObject, nullptr,
                                       reinterpret_cast<void**>(object));
        for (PITEMID_CHILD child : children) CoTaskMemFree(child);
        return hr;
    }

private:
    std::string m_directory;
};

class ShellExtension : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // Run inside an installation, the tests change its language: put it back afterwards.
        char code[16] = {};
        DWORD size = sizeof(code);
        s_installedLanguage = RegGetValueA(HKEY_LOCAL_MACHINE, kLanguageKey, "QELLangCode", RRF_RT_REG_SZ, nullptr,
                                           code, &size) == ERROR_SUCCESS ? code : "";
        s_module = LoadLibraryA(ExtensionPath().c_str());
        ASSERT_NE(s_module, nullptr);
        ASSERT_EQ(Export<EntryPoint>(s_module, "DllRegisterServer")(), S_OK);
    }
    static void TearDownTestSuite() {
        RemoveLanguageFiles();
        Export<EntryPoint>(s_module, "DllUnregisterServer")();
        FreeLibrary(s_module);
        CoUninitialize();
        HKEY language = nullptr;
        if (!s_installedLanguage.empty() &&
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, kLanguageKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &language,
                            nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(language, "QELLangCode", 0, REG_SZ, reinterpret_cast<const BYTE*>(s_installedLanguage.c_str()),
                           static_cast<DWORD>(s_installedLanguage.size() + 1));
            RegCloseKey(language);
        }
    }
    void SetUp() override {
        RemoveLanguageFiles();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kLanguageKey);
        DeleteFileA((StageDirectory() + kRecorded).c_str());
    }
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kLanguageKey); }

    // The class named by the registered handler entry, created the way the shell creates it.
    static HRESULT CreateHandler(IShellExtInit** init) {
        Key handlers(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers");
        if (!handlers) return E_FAIL;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD size = sizeof name;
            if (RegEnumKeyExA(handlers.Get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                return REGDB_E_CLASSNOTREG;
            if (lstrcmpiA(name, "OrvaneMenuExt") != 0) continue;
            const std::string text = Key(handlers.Get(), name).String(nullptr);
            wchar_t wide[64];
            MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, 64);
            CLSID clsid;
            HRESULT hr = CLSIDFromString(wide, &clsid);
            if (FAILED(hr)) return hr;
            return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                    reinterpret_cast<void**>(init));
        }
    }

    // Creates a handler, initialises it with the names and asks for the menu.
    struct Menu {
        ComPtr<IShellExtInit> init;
        ComPtr<IContextMenu> menu;
        HMENU hmenu = nullptr;
        HRESULT initialized = E_FAIL;
        HRESULT queried = E_FAIL;
        ~Menu() { if (hmenu) DestroyMenu(hmenu); }
        std::string ItemText() const {
            char text[256] = "";
            GetMenuStringA(hmenu, 0, text, sizeof text, MF_BYPOSITION);
            return text;
        }
    };
    void OpenMenu(const std::vector<std::wstring>& names, Menu* menu, UINT flags = CMF_NORMAL) {
        ComPtr<IDataObject> data;
        ASSERT_EQ(m_selection.DataObject(names, data.Receive()), S_OK);
        ASSERT_EQ(CreateHandler(menu->init.Receive()), S_OK);
        ASSERT_EQ(menu->init->QueryInterface(IID_IContextMenu, menu->menu.ReceiveVoid()), S_OK);
        menu->initialized = menu->init->Initialize(nullptr, data.Get(), nullptr);
        menu->hmenu = CreatePopupMenu();
        menu->queried = menu->menu->QueryContextMenu(menu->hmenu, 0, 100, 200, flags);
    }

    static HRESULT Invoke(IContextMenu* menu, LPCSTR verb) {
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof info;
        info.lpVerb = verb;
        info.nShow = SW_HIDE;  // not used: the program starts normally
        return menu->InvokeCommand(&info);
    }

    static bool WaitForRecording(std::string* text, DWORD timeoutMs) {
        const std::string path = StageDirectory() + kRecorded;
        for (DWORD waited = 0; waited <= timeoutMs; waited += 50) {
            if (ReadTextFile(path, text)) return true;
            Sleep(50);
        }
        return false;
    }

    Selection m_selection;
    static HMODULE s_module;
    static std::string s_installedLanguage;
};

HMODULE ShellExtension::s_module = nullptr;
std::string ShellExtension::s_installedLanguage;

TEST_F(ShellExtension, PdfSelectionStartsTheProgramWithThePdfsOnly) {
    ASSERT_TRUE(WriteTextFile(StageDirectory() + "Local.dat", "[TILMAR_MENU]\r\nCOMMAND1=Recorder.exe\r\n"));
    Menu menu;
    OpenMenu({L"a.pdf", L"b.jpg", L"Photos", L"c.PDF", kGreekName}, &menu);
    EXPECT_EQ(menu.initialized, S_OK);
    ASSERT_EQ(menu.queried, MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1));
    ASSERT_EQ(GetMenuItemCount(menu.hmenu), 1);
    EXPECT_EQ(GetMenuItemID(menu.hmenu, 0), 100u);
    EXPECT_EQ(menu.ItemText(), "Orvane");
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_CHECKMARKS;
    ASSERT_TRUE(GetMenuItemInfoA(menu.hmenu, 0, TRUE, &item));
    EXPECT_NE(item.hbmpUnchecked, nullptr) << "QELShell.bmp beside the extension";
    EXPECT_EQ(item.hbmpChecked, nullptr);

    ASSERT_EQ(Invoke(menu.menu.Get(), MAKEINTRESOURCEA(0)), S_OK);
    std::string recorded;
    ASSERT_TRUE(WaitForRecording(&recorded, 10000)) << "the stand-in program did not start";
    const std::string dir = m_selection.Directory();
    // Names go over as Unicode, as the file manager passes them (recorded in UTF-8).
    const std::string parameters =
        " \"" + dir + "a.pdf\" \"" + dir + "c.PDF\" \"" + dir + kGreekNameUtf8 + "\"";
    const std::string commandLine = recorded.substr(0, recorded.find('\n'));
    // The program's own name comes first, as the system writes it; then exactly our parameters.
    ASSERT_GE(commandLine.size(), parameters.size());
    EXPECT_EQ(commandLine.substr(commandLine.size() - parameters.size()), parameters) << commandLine;
    EXPECT_NE(commandLine.find(StageDirectory() + "Recorder.exe"), std::string::npos) << commandLine;
    // It runs in the extension's directory.
    std::string workingDirectory = recorded.substr(recorded.find('\n') + 1);
    workingDirectory.erase(workingDirectory.find('\n'));
    EXPECT_EQ(workingDirectory + "\\", StageDirectory());
}

TEST_F(ShellExtension, SelectionsWithoutPdfOfferNothing) {
    const std::vector<std::vector<std::wstring>> selections = {{L"b.jpg"}, {L"b.jpg", L"d.jpg"}, {L"Photos"}};
    for (const auto& names : selections) {
        Menu menu;
        OpenMenu(names, &menu);
        EXPECT_EQ(menu.initialized, S_OK);
        EXPECT_EQ(menu.queried, kNothingToOffer);
        EXPECT_EQ(GetMenuItemCount(menu.hmenu), 0);
    }
    // The default-only request fails too when nothing is offered ...
    Menu jpeg;
    OpenMenu({L"b.jpg"}, &jpeg, CMF_DEFAULTONLY);
    EXPECT_EQ(jpeg.queried, kNothingToOffer);
    // ... and adds nothing when a PDF is selected.
    Menu pdf;
    OpenMenu({L"a.pdf"}, &pdf, CMF_DEFAULTONLY);
    EXPECT_EQ(pdf.queried, S_OK);
    EXPECT_EQ(GetMenuItemCount(pdf.hmenu), 0);
}

TEST_F(ShellExtension, RefusedVerbsStartNothing) {
    ASSERT_TRUE(WriteTextFile(StageDirectory() + "Local.dat", "[TILMAR_MENU]\r\nCOMMAND1=Recorder.exe\r\n"));
    Menu menu;
    OpenMenu({L"a.pdf"}, &menu);
    EXPECT_EQ(Invoke(menu.menu.Get(), "open"), E_INVALIDARG);
    EXPECT_EQ(Invoke(menu.menu.Get(), "Orvane"), E_INVALIDARG);
    EXPECT_EQ(Invoke(menu.menu.Get(), MAKEINTRESOURCEA(1)), E_INVALIDARG);
    EXPECT_EQ(menu.menu->InvokeCommand(nullptr), E_INVALIDARG);
    std::string recorded;
    EXPECT_FALSE(WaitForRecording(&recorded, 1500)) << recorded;
}

// Closes the extension's message box from outside, as a user would, and keeps its text.
class MessageBoxCloser {
public:
    explicit MessageBoxCloser(const char* caption)
        : m_caption(caption), m_thread([this] { Run(); }) {}
    ~MessageBoxCloser() { m_stop = true; if (m_thread.joinable()) m_thread.join(); }
    // Waits until the box was closed or the search gave up.
    std::string Text() { if (m_thread.joinable()) m_thread.join(); return m_text; }
    bool Found() const { return m_found; }
private:
    void Run() {
        for (int i = 0; i < 400 && !m_stop; ++i) {
            HWND box = FindWindowA("#32770", m_caption.c_str());
            char text[512] = "";
            // The message box's static text; a box still being set up has none yet.
            if (box && GetDlgItemTextA(box, 0xFFFF, text, sizeof text) > 0) {
                m_text = text;
                m_found = true;
                // Ending a modal loop must be posted, not sent.
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(50);
        }
    }
    std::string m_caption;
    std::string m_text;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_found{false};
    std::thread m_thread;
};

TEST_F(ShellExtension, MissingProgramShowsTheLimitMessage) {
    ASSERT_TRUE(WriteTextFile(StageDirectory() + "Local.dat", "[TILMAR_MENU]\r\nCOMMAND1=NotInstalled.exe\r\n"));
    Menu menu;
    OpenMenu({L"a.pdf"}, &menu);
    std::string caption(TILMAR_DLL_NAME);
    caption.erase(caption.rfind('.'));
    MessageBoxCloser closer(caption.c_str());
    EXPECT_EQ(Invoke(menu.menu.Get(), MAKEINTRESOURCEA(0)), S_OK);
    const std::string text = closer.Text();
    EXPECT_TRUE(closer.Found()) << "no message box captioned " << caption;
    EXPECT_EQ(text, "Selected files are over the limit. Please, remove some of selected files.");
}

// A copy of the extension whose own path does not fit MAX_PATH cannot know its
// directory: it starts nothing (not a bare "Orvex.exe" from the current folder
// or PATH) and shows its message.
TEST_F(ShellExtension, UnknownInstallDirectoryStartsNothing) {
    wchar_t stage[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, StageDirectory().c_str(), -1, stage, MAX_PATH);
    std::wstring deep = stage;
    while (deep.size() < MAX_PATH) {
        deep += std::wstring(60, L'd') + L"\\";
        CreateDirectoryW(deep.c_str(), nullptr);
    }
    const std::wstring copy = deep + TILMAR_DLL_NAME_W;
    ASSERT_TRUE(CopyFileW((std::wstring(stage) + TILMAR_DLL_NAME_W).c_str(), copy.c_str(), FALSE));
    // A stranger's program where the bare name would be found.
    ASSERT_TRUE(CopyFileA((StageDirectory() + "Recorder.exe").c_str(), (StageDirectory() + "Orvex.exe").c_str(), FALSE));
    SetCurrentDirectoryA(StageDirectory().c_str());
    HMODULE module = LoadLibraryW(copy.c_str());
    ASSERT_NE(module, nullptr);
    {
        wchar_t classText[64];
        MultiByteToWideChar(CP_ACP, 0, kClassId, -1, classText, 64);
        CLSID clsid;
        CLSIDFromString(classText, &clsid);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(Export<GetClassObjectEntry>(module, "DllGetClassObject")(clsid, IID_IClassFactory,
                                                                           factory.ReceiveVoid()),
                  S_OK);
        ComPtr<IShellExtInit> init;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IShellExtInit, init.ReceiveVoid()), S_OK);
        ComPtr<IContextMenu> menu;
        ASSERT_EQ(init->QueryInterface(IID_IContextMenu, menu.ReceiveVoid()), S_OK);
        ComPtr<IDataObject> data;
        ASSERT_EQ(m_selection.DataObject({L"a.pdf"}, data.Receive()), S_OK);
        ASSERT_EQ(init->Initialize(nullptr, data.Get(), nullptr), S_OK);
        MessageBoxCloser closer("");
        EXPECT_EQ(Invoke(menu.Get(), MAKEINTRESOURCEA(0)), S_OK);
        EXPECT_EQ(closer.Text(), "Selected files are over the limit. Please, remove some of selected files.");
        std::string recorded;
        EXPECT_FALSE(WaitForRecording(&recorded, 1500)) << recorded;
    }
    FreeLibrary(module);
    DeleteFileA((StageDirectory() + "Orvex.exe").c_str());
}

// The first-level menu's entry, created through COM from its class and given the
// selection as the shell builds it from item ids.
TEST_F(ShellExtension, ExplorerCommand) {
    const std::wstring drives = L"::drives";  // "My Computer": an item without a file-system path
    const auto longNames = [](int count) {
        std::vector<std::wstring> names;
        for (int i = 0; i < count; ++i) names.push_back(std::wstring(140, L'n') + std::to_wstring(1000 + i) + L".pdf");
        return names;
    };
    const std::wstring hostile = L"q & %PATH% ^ ;!'.pdf";
    struct Case {
        const char* what;
        const char* language;  // the chosen language's code; nullptr: English
        const char* menuText;  // MENUTEXT of that language's file (ANSI), or nullptr
        std::vector<std::wstring> names;  // none: no selection at all
        const char* title;
        EXPCMDSTATE state;
        HRESULT invoked;
        std::vector<std::wstring> started;  // the program's parameters; none: nothing starts
        bool limitMessage;
    };
    const std::vector<Case> cases = {
        {"mixed selection", nullptr, nullptr, {L"a.pdf", L"b.jpg", L"Photos", L"c.PDF", kGreekName}, "Orvane",
         ECS_ENABLED, S_OK, {L"a.pdf", L"c.PDF", kGreekName}, false},
        {"second language", "GR", "Orvane \xE9\xEB", {L"c.PDF"}, "Orvane \xE9\xEB", ECS_ENABLED, S_OK, {L"c.PDF"},
         false},
        {"no PDF", nullptr, nullptr, {L"b.jpg", L"d.jpg", L"Photos"}, "Orvane", ECS_HIDDEN, E_INVALIDARG, {}, false},
        {"no selection", nullptr, nullptr, {}, "Orvane", ECS_HIDDEN, E_INVALIDARG, {}, false},
        {"virtual item only", nullptr, nullptr, {drives}, "Orvane", ECS_HIDDEN, E_INVALIDARG, {}, false},
        {"virtual item and a PDF", nullptr, nullptr, {drives, L"a.pdf"}, "Orvane", ECS_ENABLED, S_OK, {L"a.pdf"},
         false},
        {"hostile names", nullptr, nullptr, {hostile, L"folder.pdf", L"a.pdf.jpg"}, "Orvane", ECS_ENABLED, S_OK,
         {hostile, L"folder.pdf"}, false},
        {"huge selection within the system's limit", nullptr, nullptr, longNames(100), "Orvane", ECS_ENABLED, S_OK,
         longNames(100), false},
        {"selection over the system's limit", nullptr, nullptr, longNames(300), "Orvane", ECS_ENABLED, S_OK, {},
         true},
    };
    const std::wstring directory = ToWide(CP_ACP, m_selection.Directory());
    CreateDirectoryW((directory + L"folder.pdf").c_str(), nullptr);
    for (const std::wstring& name : longNames(300)) CloseHandle(CreateFileW(
        (directory + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    for (const std::wstring& name : {hostile, std::wstring(L"a.pdf.jpg")})
        CloseHandle(CreateFileW((directory + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    CLSID clsid;
    ASSERT_EQ(CLSIDFromString(ToWide(CP_ACP, kCommandClassId).c_str(), &clsid), S_OK);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveLanguageFiles();
        DeleteFileA((StageDirectory() + kRecorded).c_str());
        SetLanguageCode(c.language);
        const std::string file = c.language ? std::string("Local_") + c.language + ".dat" : "Local.dat";
        ASSERT_TRUE(WriteTextFile(StageDirectory() + file, std::string("[TILMAR_MENU]\r\nCOMMAND1=Recorder.exe\r\n") +
                                                               (c.menuText ? "MENUTEXT=" + std::string(c.menuText) : "")));
        std::vector<PIDLIST_ABSOLUTE> ids;
        for (const std::wstring& name : c.names) {
            PIDLIST_ABSOLUTE id = nullptr;
            if (name == drives) SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &id);
            else id = ILCreateFromPathW((directory + name).c_str());
            ASSERT_NE(id, nullptr);
            ids.push_back(id);
        }
        ComPtr<IShellItemArray> items;
        if (!ids.empty()) {
            ASSERT_EQ(SHCreateShellItemArrayFromIDLists(UINT(ids.size()), const_cast<PCIDLIST_ABSOLUTE_ARRAY>(ids.data()),
                                                        items.Receive()), S_OK);
        }
        for (PIDLIST_ABSOLUTE id : ids) ILFree(id);
        ComPtr<IExplorerCommand> command;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IExplorerCommand, command.ReceiveVoid()),
                  S_OK);

        LPWSTR title = nullptr;
        ASSERT_EQ(command->GetTitle(items.Get(), &title), S_OK);
        EXPECT_EQ(std::wstring(title), ToWide(CP_ACP, c.title));
        CoTaskMemFree(title);
        // The icon: the loaded module's own path and icon id, which the shell resolves to an icon.
        LPWSTR icon = nullptr;
        ASSERT_EQ(command->GetIcon(items.Get(), &icon), S_OK);
        wchar_t module[MAX_PATH] = {};
        GetModuleFileNameW(GetModuleHandleW(TILMAR_DLL_NAME_W), module, MAX_PATH);
        EXPECT_EQ(std::wstring(icon), std::wstring(module) + L",-103");
        HICON smallIcon = nullptr;
        EXPECT_EQ(ExtractIconExW(module, -103, nullptr, &smallIcon, 1), 1u) << "no icon of that id in the module";
        if (smallIcon) DestroyIcon(smallIcon);
        CoTaskMemFree(icon);
        EXPCMDSTATE state = ECS_DISABLED;
        EXPECT_EQ(command->GetState(items.Get(), TRUE, &state), S_OK);
        EXPECT_EQ(state, c.state);

        std::string caption(TILMAR_DLL_NAME);
        caption.erase(caption.rfind('.'));
        MessageBoxCloser closer(caption.c_str());
        EXPECT_EQ(command->Invoke(items.Get(), nullptr), c.invoked);
        EXPECT_EQ(closer.Found(), c.limitMessage);
        std::string recorded;
        if (c.started.empty()) {
            EXPECT_FALSE(WaitForRecording(&recorded, 1500)) << recorded.substr(0, 300);
            continue;
        }
        ASSERT_TRUE(WaitForRecording(&recorded, 10000)) << "the stand-in program did not start";
        std::string parameters;
        for (const std::wstring& name : c.started)
            parameters += " \"" + m_selection.Directory() + WideToUtf8Text(name) + "\"";
        const std::string commandLine = recorded.substr(0, recorded.find('\n'));
        ASSERT_GE(commandLine.size(), parameters.size());
        EXPECT_EQ(commandLine.substr(commandLine.size() - parameters.size()), parameters);
        EXPECT_NE(commandLine.find(StageDirectory() + "Recorder.exe"), std::string::npos);
    }
    SetLanguageCode(nullptr);
}

TEST_F(ShellExtension, HelpTextOnly) {
    Menu menu;
    OpenMenu({L"a.pdf"}, &menu);
    char ansi[10];
    std::memset(ansi, 'x', sizeof ansi);
    EXPECT_EQ(menu.menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, ansi, sizeof ansi), S_OK);
    EXPECT_EQ(std::string(ansi), std::string(kHelpText, 9));
    wchar_t wide[10];
    EXPECT_EQ(menu.menu->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(wide), 10), S_OK);
    EXPECT_EQ(std::wstring(wide), std::wstring(L"This is t"));
    char whole[100] = "";
    EXPECT_EQ(menu.menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, whole, sizeof whole), S_OK);
    EXPECT_STREQ(whole, kHelpText);

    struct Refused { UINT_PTR offset; UINT type; };
    const Refused refused[] = {{0, GCS_VERBA}, {0, GCS_VERBW}, {0, GCS_VALIDATEA}, {0, GCS_VALIDATEW},
                               {1, GCS_HELPTEXTA}, {1, GCS_HELPTEXTW}};
    for (const Refused& r : refused) {
        char buffer[64] = "untouched";
        EXPECT_EQ(menu.menu->GetCommandString(r.offset, r.type, nullptr, buffer, 32), E_INVALIDARG)
            << r.offset << "/" << r.type;
        EXPECT_STREQ(buffer, "untouched");
    }
}

TEST_F(ShellExtension, EntryTextFollowsTheLanguageFiles) {
    SetLanguageCode("GR");

    struct Case { const char* grFile; const char* localFile; const char* expected; };
    const Case cases[] = {
        {"[TILMAR_MENU]\r\nMENUTEXT=Orvane GR\r\n", "[TILMAR_MENU]\r\nMENUTEXT=Orvane Local\r\n", "Orvane GR"},
        {nullptr, "[TILMAR_MENU]\r\nMENUTEXT=Orvane Local\r\n", "Orvane Local"},
        {nullptr, nullptr, "Orvane"},
        {"[tilmar_menu]\r\nmenutext=lower case keys\r\n", nullptr, "lower case keys"},
        {"[TILMAR_MENU]\r\nMENUTEXT=\r\n", "[TILMAR_MENU]\r\nMENUTEXT=Orvane Local\r\n", "Orvane"},  // empty: default
        {"[OTHER]\r\nMENUTEXT=elsewhere\r\n", nullptr, "Orvane"},
    };
    for (const Case& c : cases) {
        RemoveLanguageFiles();
        ASSERT_TRUE(!c.grFile || WriteTextFile(StageDirectory() + "Local_GR.dat", c.grFile));
        ASSERT_TRUE(!c.localFile || WriteTextFile(StageDirectory() + "Local.dat", c.localFile));
        Menu menu;
        OpenMenu({L"a.pdf"}, &menu);
        ASSERT_EQ(menu.queried, MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1));
        EXPECT_EQ(menu.ItemText(), c.expected) << (c.grFile ? c.grFile : "-") << " / " << (c.localFile ? c.localFile : "-");
    }
    // A missing bitmap file leaves the entry without one.
    ASSERT_TRUE(WriteTextFile(StageDirectory() + "Local.dat", "[TILMAR_MENU]\r\nMENUICON=NoSuch.bmp\r\n"));
    DeleteFileA((StageDirectory() + "Local_GR.dat").c_str());
    Menu menu;
    OpenMenu({L"a.pdf"}, &menu);
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_CHECKMARKS;
    ASSERT_TRUE(GetMenuItemInfoA(menu.hmenu, 0, TRUE, &item));
    EXPECT_EQ(item.hbmpUnchecked, nullptr);
}

TEST_F(ShellExtension, UnloadOnlyWithoutLiveHandlers) {
    const auto canUnload = Export<EntryPoint>(s_module, "DllCanUnloadNow");
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_OK);
    {
        ComPtr<IShellExtInit> handler;
        ASSERT_EQ(CreateHandler(handler.Receive()), S_OK);
        EXPECT_EQ(canUnload(), S_FALSE);
        ComPtr<IContextMenu> second;
        ASSERT_EQ(handler->QueryInterface(IID_IContextMenu, second.ReceiveVoid()), S_OK);
        handler.Reset();
        EXPECT_EQ(canUnload(), S_FALSE);  // one interface still held
    }
    EXPECT_EQ(canUnload(), S_OK);

    // A held class object or a server lock keeps the module too.
    const auto getClassObject = Export<GetClassObjectEntry>(s_module, "DllGetClassObject");
    CLSID clsid;
    CLSIDFromString(L"{9061A1F6-6F41-418e-9B9F-3BCB2DDF79F1}", &clsid);
    ComPtr<IClassFactory> factory, again;
    ASSERT_EQ(getClassObject(clsid, IID_IClassFactory, factory.ReceiveVoid()), S_OK);
    ASSERT_EQ(getClassObject(clsid, IID_IClassFactory, again.ReceiveVoid()), S_OK);
    EXPECT_EQ(factory.Get(), again.Get()) << "one class object";
    EXPECT_EQ(canUnload(), S_FALSE);
    again.Reset();
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(canUnload(), S_FALSE);
    ASSERT_EQ(getClassObject(clsid, IID_IClassFactory, factory.ReceiveVoid()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(canUnload(), S_OK);
}

// A minimal controlling object for aggregation.
class Outer : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown)) { *ppv = this; AddRef(); return S_OK; }
        return inner ? inner->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    ULONG refs = 1;
    IUnknown* inner = nullptr;
};

TEST_F(ShellExtension, ClassObjectRules) {
    const auto getClassObject = Export<GetClassObjectEntry>(s_module, "DllGetClassObject");
    CLSID clsid;
    CLSIDFromString(L"{9061A1F6-6F41-418e-9B9F-3BCB2DDF79F1}", &clsid);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(IID_IContextMenu, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(getClassObject(clsid, IID_IClassFactory, nullptr), E_POINTER);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(clsid, IID_IClassFactory, factory.ReceiveVoid()), S_OK);
    Outer outer;
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IContextMenu, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(outer.refs, 1u);

    // Aggregated: the inner IUnknown is its own, every other interface belongs to the outer object.
    IUnknown* inner = nullptr;
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
    outer.inner = inner;
    IContextMenu* menu = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    EXPECT_EQ(outer.refs, 2u) << "the reference goes to the controlling object";
    IUnknown* identity = nullptr;
    ASSERT_EQ(menu->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
    identity->Release();
    menu->Release();
    EXPECT_EQ(outer.refs, 1u);
    inner->Release();

    // Not aggregated: every interface answers, with one identity.
    ComPtr<IUnknown> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.ReceiveVoid()), S_OK);
    const IID* iids[] = {&IID_IDispatch, &IID_IShellExtInit, &IID_IContextMenu, &IID_IUnknown};
    for (const IID* iid : iids) {
        ComPtr<IUnknown> part, back;
        ASSERT_EQ(object->QueryInterface(*iid, part.ReceiveVoid()), S_OK);
        ASSERT_EQ(part->QueryInterface(IID_IUnknown, back.ReceiveVoid()), S_OK);
        EXPECT_EQ(back.Get(), object.Get());
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(object->QueryInterface(IID_IClassFactory, none.ReceiveVoid()), E_NOINTERFACE);
}

TEST_F(ShellExtension, DispatchFromTheTypeLibrary) {
    ComPtr<IShellExtInit> handler;
    ASSERT_EQ(CreateHandler(handler.Receive()), S_OK);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(handler->QueryInterface(IID_IDispatch, dispatch.ReceiveVoid()), S_OK);
    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0, info.Receive()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    wchar_t guid[64];
    StringFromGUID2(attr->guid, guid, 64);
    EXPECT_EQ(std::wstring(guid), L"{BCD94199-1891-4FF4-8FC9-2A3E1653EE96}");
    info->ReleaseTypeAttr(attr);
    BSTR name = nullptr, doc = nullptr;
    ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(std::wstring(name), L"IContextMenuExt");
    EXPECT_EQ(std::wstring(doc), L"IContextMenuExt Interface");
    SysFreeString(name);
    SysFreeString(doc);

    ComPtr<ITypeInfo> none;
    EXPECT_EQ(dispatch->GetTypeInfo(1, 0, none.Receive()), DISP_E_BADINDEX);
    wchar_t member[] = L"Print";
    LPOLESTR names[] = {member};
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
    DISPPARAMS params = {};
    EXPECT_EQ(dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

}  // namespace
