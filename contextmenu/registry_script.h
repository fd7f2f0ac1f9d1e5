// The class registration is carried as a registrar script (the text format of
// the platform's COM registrar). This reads it into a tree that the Windows edge
// applies or removes; placeholders such as %MODULE% are replaced inside names
// and quoted texts after they are read, so a path holding a quote is safe.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum class RegistryKeyFlag {
    kNone,         // created at registration, deleted (with its subkeys) at unregistration
    kNoRemove,     // created when missing, never deleted; its subkeys are processed
    kForceRemove,  // deleted with everything below it before it is written again
    kDelete,       // deleted at registration, left alone at unregistration
};

struct RegistryScriptValue {
    char type = 's';  // 's' string, 'd' 32-bit number
    std::string text;
    std::uint32_t number = 0;
};

struct RegistryScriptKey {
    std::string name;
    RegistryKeyFlag flag = RegistryKeyFlag::kNone;
    bool hasDefault = false;
    RegistryScriptValue defaultValue;
    std::vector<std::pair<std::string, RegistryScriptValue>> values;  // in script order
    std::vector<RegistryScriptKey> children;
};

struct RegistryScriptRoot {
    std::string root;  // canonical: "HKEY_CLASSES_ROOT", "HKEY_LOCAL_MACHINE", ...
    std::vector<RegistryScriptKey> keys;
};

using RegistryReplacements = std::map<std::string, std::string>;  // "MODULE" -> path

// Parses the whole script; on failure returns false with a short reason and the
// 1-based line in *error.
bool ParseRegistryScript(const std::string& text, const RegistryReplacements& replacements,
                         std::vector<RegistryScriptRoot>* roots, std::string* error);
