#include "contextmenu/selection.h"

#include "device/file_language.h"
#include "device/supported_types.h"

bool IsSupportedFile(const char* path) { return FileLanguageBit(path) == kSupportPdf; }

std::vector<std::string> OfferedFiles(const std::vector<std::string>& names) {
    std::vector<std::string> offered;
    for (const std::string& name : names)
        if (IsSupportedFile(name.c_str())) offered.push_back(name);
    return offered;
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
