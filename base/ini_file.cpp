#include "base/ini_file.h"

#include <cctype>
#include <fstream>
#include <strings.h>

namespace {
std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}
}  // namespace

bool ReadIniValue(const char* path, const char* section, const char* key, std::string& value) {
    std::ifstream in(path, std::ios::binary);
    return in && ReadIniValue(in, section, key, value);
}

bool ReadIniValue(std::istream& in, const char* section, const char* key, std::string& value) {
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        std::string t = Trim(line);
        if (!t.empty() && t[0] == '[') {
            std::size_t close = t.find(']');
            std::string name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            inSection = strcasecmp(name.c_str(), section) == 0;
            continue;
        }
        if (!inSection) continue;
        std::size_t eq = t.find('=');
        if (eq == std::string::npos) continue;
        if (strcasecmp(Trim(t.substr(0, eq)).c_str(), key) != 0) continue;
        std::string v = Trim(t.substr(eq + 1));
        if (v.size() >= 2 && ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
            v = v.substr(1, v.size() - 2);
        value = v;
        return true;
    }
    return false;
}
