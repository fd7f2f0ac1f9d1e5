// libFuzzer target: any bytes as the registrar script the shell extension registers
// itself from. The script either parses whole or is refused: a refused script leaves
// the caller's tree as it was (so nothing reaches the registry) and names a line of
// the script; a parsed tree, written back as a script, reads back the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "contextmenu/registry_script.h"

namespace {

// A module path with the characters a quoted text must carry safely.
const RegistryReplacements kReplacements = {{"MODULE", "C:\\Bob's 100%\\Tilmar64.dll"}};

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += "''";
        else if (c == '%') out += "%%";
        else out += c;
    }
    return out + "'";
}

std::string ValueText(const RegistryScriptValue& value) {
    return value.type == 'd' ? "d '" + std::to_string(value.number) + "'" : "s " + Quote(value.text);
}

void WriteKeys(const std::vector<RegistryScriptKey>& keys, std::string* out) {
    for (const RegistryScriptKey& key : keys) {
        switch (key.flag) {
        case RegistryKeyFlag::kNoRemove: *out += "NoRemove "; break;
        case RegistryKeyFlag::kForceRemove: *out += "ForceRemove "; break;
        case RegistryKeyFlag::kDelete: *out += "Delete "; break;
        case RegistryKeyFlag::kNone: break;
        }
        *out += Quote(key.name);
        if (key.hasDefault) *out += " = " + ValueText(key.defaultValue);
        *out += "\n{\n";
        for (const auto& value : key.values) *out += "val " + Quote(value.first) + " = " + ValueText(value.second) + "\n";
        WriteKeys(key.children, out);
        *out += "}\n";
    }
}

bool SameValue(const RegistryScriptValue& a, const RegistryScriptValue& b) {
    return a.type == b.type && (a.type == 'd' ? a.number == b.number : a.text == b.text);
}

bool SameKeys(const std::vector<RegistryScriptKey>& a, const std::vector<RegistryScriptKey>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const RegistryScriptKey& x = a[i];
        const RegistryScriptKey& y = b[i];
        if (x.name != y.name || x.flag != y.flag || x.hasDefault != y.hasDefault) return false;
        if (x.hasDefault && !SameValue(x.defaultValue, y.defaultValue)) return false;
        if (x.values.size() != y.values.size()) return false;
        for (std::size_t v = 0; v < x.values.size(); ++v)
            if (x.values[v].first != y.values[v].first || !SameValue(x.values[v].second, y.values[v].second))
                return false;
        if (!SameKeys(x.children, y.children)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string script(reinterpret_cast<const char*>(data), size);
    std::vector<RegistryScriptRoot> roots(1);
    roots[0].root = "untouched";
    std::string error;
    if (!ParseRegistryScript(script, kReplacements, &roots, &error)) {
        if (roots.size() != 1 || roots[0].root != "untouched" || !roots[0].keys.empty()) std::abort();
        // "line N: reason", N within the script.
        const long lines = 1 + static_cast<long>(std::count(script.begin(), script.end(), '\n'));
        char* end = nullptr;
        const long line = error.compare(0, 5, "line ") == 0 ? std::strtol(error.c_str() + 5, &end, 10) : 0;
        if (line < 1 || line > lines || end == nullptr || std::string(end).compare(0, 2, ": ") != 0) std::abort();
        return 0;
    }

    std::string written;
    for (const RegistryScriptRoot& root : roots) {
        written += root.root + "\n{\n";
        WriteKeys(root.keys, &written);
        written += "}\n";
    }
    std::vector<RegistryScriptRoot> again;
    if (!ParseRegistryScript(written, {}, &again, &error) || again.size() != roots.size()) std::abort();
    for (std::size_t i = 0; i < roots.size(); ++i)
        if (again[i].root != roots[i].root || !SameKeys(again[i].keys, roots[i].keys)) std::abort();
    return 0;
}
