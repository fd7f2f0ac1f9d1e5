#include "contextmenu/registry_apply.h"

namespace {

HKEY RootKey(const std::string& name) {
    if (name == "HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
    if (name == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    if (name == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    if (name == "HKEY_USERS") return HKEY_USERS;
    if (name == "HKEY_PERFORMANCE_DATA") return HKEY_PERFORMANCE_DATA;
    if (name == "HKEY_CURRENT_CONFIG") return HKEY_CURRENT_CONFIG;
    if (name == "HKEY_DYN_DATA") return HKEY_DYN_DATA;
    return nullptr;
}

class ScopedKey {
public:
    ScopedKey() = default;
    ~ScopedKey() { if (m_key) RegCloseKey(m_key); }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    HKEY* Receive() { return &m_key; }
    HKEY Get() const { return m_key; }
private:
    HKEY m_key = nullptr;
};

bool IsMissing(LONG error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

LONG SetValue(HKEY key, const char* name, const RegistryScriptValue& value) {
    if (value.type == 'd') {
        const DWORD number = value.number;
        return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()),
                          DWORD(value.text.size() + 1));
}

LONG DeleteTree(HKEY parent, const std::string& name) {
    const LONG error = RegDeleteTreeA(parent, name.c_str());
    return IsMissing(error) ? ERROR_SUCCESS : error;
}

LONG RegisterKey(HKEY parent, const RegistryScriptKey& key) {
    if (key.flag == RegistryKeyFlag::kForceRemove || key.flag == RegistryKeyFlag::kDelete) {
        const LONG error = DeleteTree(parent, key.name);
        if (error != ERROR_SUCCESS || key.flag == RegistryKeyFlag::kDelete) return error;
    }
    ScopedKey handle;
    LONG error = RegCreateKeyExA(parent, key.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_READ | KEY_WRITE, nullptr, handle.Receive(), nullptr);
    if (error != ERROR_SUCCESS) return error;
    if (key.hasDefault && (error = SetValue(handle.Get(), nullptr, key.defaultValue)) != ERROR_SUCCESS)
        return error;
    for (const auto& value : key.values)
        if ((error = SetValue(handle.Get(), value.first.c_str(), value.second)) != ERROR_SUCCESS) return error;
    for (const RegistryScriptKey& child : key.children)
        if ((error = RegisterKey(handle.Get(), child)) != ERROR_SUCCESS) return error;
    return ERROR_SUCCESS;
}

bool KeepsSomething(const RegistryScriptKey& key) {
    for (const RegistryScriptKey& child : key.children)
        if (child.flag == RegistryKeyFlag::kNoRemove || KeepsSomething(child)) return true;
    return false;
}

// Removal goes on past failures so that as much as possible is removed; the
// first failure is reported.
LONG UnregisterKey(HKEY parent, const RegistryScriptKey& key) {
    if (key.flag == RegistryKeyFlag::kDelete) return ERROR_SUCCESS;
    if (key.flag != RegistryKeyFlag::kNoRemove && !KeepsSomething(key)) return DeleteTree(parent, key.name);

    ScopedKey handle;
    LONG error = RegOpenKeyExA(parent, key.name.c_str(), 0, KEY_READ | KEY_WRITE, handle.Receive());
    if (error != ERROR_SUCCESS) return IsMissing(error) ? ERROR_SUCCESS : error;
    LONG first = ERROR_SUCCESS;
    for (const RegistryScriptKey& child : key.children) {
        error = UnregisterKey(handle.Get(), child);
        if (first == ERROR_SUCCESS) first = error;
    }
    if (key.flag != RegistryKeyFlag::kNoRemove) {
        // A key that holds something to keep goes only once it is empty.
        RegDeleteKeyA(parent, key.name.c_str());
    }
    return first;
}

}  // namespace

HRESULT ApplyRegistryScript(const std::vector<RegistryScriptRoot>& roots, bool bRegister) {
    LONG first = ERROR_SUCCESS;
    for (const RegistryScriptRoot& root : roots) {
        const HKEY rootKey = RootKey(root.root);
        if (rootKey == nullptr) return E_INVALIDARG;
        for (const RegistryScriptKey& key : root.keys) {
            const LONG error = bRegister ? RegisterKey(rootKey, key) : UnregisterKey(rootKey, key);
            if (bRegister && error != ERROR_SUCCESS) return HRESULT_FROM_WIN32(error);
            if (first == ERROR_SUCCESS) first = error;
        }
    }
    return HRESULT_FROM_WIN32(first);
}
