// Helpers shared by the Wine tests of the shell extension: where the staged
// files are, registry reading, and small RAII holders.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>

// The test programs, the extension, the stand-in program and the menu bitmap
// are staged in one directory (the extension's "installation directory").
constexpr char kClassId[] = "{9061A1F6-6F41-418e-9B9F-3BCB2DDF79F1}";
constexpr char kCommandClassId[] = "{8506D589-0B0E-4F84-853C-8FD5B5F32CC1}";  // the first-level menu's entry
constexpr char kApprovedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr char kLanguageKey[] = "SOFTWARE\\QEL\\Orvane Suite";

inline std::string StageDirectory() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path);
    return text.substr(0, text.rfind('\\') + 1);
}

inline std::string ExtensionPath() { return StageDirectory() + TILMAR_DLL_NAME; }

class Key {
public:
    Key() = default;
    Key(HKEY root, const std::string& path, REGSAM access = KEY_READ) {
        m_error = RegOpenKeyExA(root, path.c_str(), 0, access, &m_key);
        if (m_error != ERROR_SUCCESS) m_key = nullptr;
    }
    ~Key() { if (m_key) RegCloseKey(m_key); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    explicit operator bool() const { return m_key != nullptr; }
    HKEY Get() const { return m_key; }
    LONG Error() const { return m_error; }

    // The string value, or "<none>" when the value does not exist.
    std::string String(const char* name) const {
        if (!m_key) return "<no key>";
        char data[1024] = "";
        DWORD type = 0, size = sizeof data - 1;
        if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
            return "<none>";
        if (type != REG_SZ) return "<type " + std::to_string(type) + ">";
        return std::string(data);
    }
    DWORD ValueSize(const char* name) const {
        DWORD size = 0;
        if (!m_key || RegQueryValueExA(m_key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return 0;
        return size;
    }
    DWORD SubkeyCount() const {
        DWORD subkeys = 0;
        RegQueryInfoKeyA(m_key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr);
        return subkeys;
    }
    DWORD ValueCount() const {
        DWORD values = 0;
        RegQueryInfoKeyA(m_key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr);
        return values;
    }

private:
    HKEY m_key = nullptr;
    LONG m_error = ERROR_SUCCESS;
};

// The language the product's text files are chosen by; nullptr: none chosen.
inline void SetLanguageCode(const char* code) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kLanguageKey);
    HKEY language = nullptr;
    if (code == nullptr ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kLanguageKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &language, nullptr))
        return;
    RegSetValueExA(language, "QELLangCode", 0, REG_SZ, reinterpret_cast<const BYTE*>(code), DWORD(lstrlenA(code) + 1));
    RegCloseKey(language);
}

inline std::wstring ToWide(UINT codePage, const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(codePage, 0, text.c_str(), -1, &wide[0], int(wide.size())) - 1);
    return wide;
}
inline std::string WideToUtf8Text(const std::wstring& wide) {
    std::string text(wide.size() * 3 + 1, '\0');
    text.resize(WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &text[0], int(text.size()), nullptr, nullptr) - 1);
    return text;
}

inline bool KeyExists(HKEY root, const std::string& path) { return bool(Key(root, path)); }

inline bool WriteTextFile(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(file);
    return ok;
}

inline bool ReadTextFile(const std::string& path, std::string* text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[4096];
    DWORD read = 0;
    text->clear();
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text->append(buffer, read);
    CloseHandle(file);
    return true;
}

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T** Receive() { Reset(); return &m_p; }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void Reset() { if (m_p) { m_p->Release(); m_p = nullptr; } }
private:
    T* m_p = nullptr;
};

using EntryPoint = HRESULT(STDAPICALLTYPE*)();
using GetClassObjectEntry = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

template <typename F>
F Export(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

