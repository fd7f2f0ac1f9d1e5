#include "contextmenu/selection.h"

#include <cstring>

const char kSupportedExtensions[] = ".pdf/";

namespace {
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
}  // namespace

const char* FindFileExtension(const char* path) {
    const char* dot = nullptr;
    const char* p = path;
    for (; *p != '\0'; ++p) {
        if (*p == '\\' || *p == ' ')
            dot = nullptr;
        else if (*p == '.')
            dot = p;
    }
    return dot ? dot : p;
}

bool IsSupportedFile(const char* path) {
    const char* extension = FindFileExtension(path);
    if (*extension == '\0') return false;
    // Upper-casing only ASCII letters gives the same answer as the system's
    // multibyte upper-casing: the list is ASCII, and a byte >= 0x80 in the
    // extension can never match it either way.
    std::string upperExtension(extension);
    for (char& c : upperExtension) c = AsciiUpper(c);
    std::string upperList(kSupportedExtensions);
    for (char& c : upperList) c = AsciiUpper(c);
    return upperList.find(upperExtension) != std::string::npos;
}

std::string BuildCommandParameters(const std::vector<std::string>& files) {
    std::string parameters;
    for (const std::string& file : files) {
        parameters += " \"";
        parameters += file;
        parameters += '"';
    }
    return parameters;
}

std::string DirectoryOfModulePath(const std::string& modulePath) {
    const std::string::size_type slash = modulePath.rfind('\\');
    if (slash == std::string::npos) return std::string();
    return modulePath.substr(0, slash + 1);
}

std::string ModuleBaseName(const std::string& modulePath) {
    const std::string::size_type slash = modulePath.rfind('\\');
    std::string name = slash == std::string::npos ? modulePath : modulePath.substr(slash + 1);
    const std::string::size_type dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}
