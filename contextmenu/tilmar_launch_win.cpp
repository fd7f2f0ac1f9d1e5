#include "contextmenu/tilmar_launch.h"

#include <windows.h>
#include <shellapi.h>

#include <cstddef>

#include "base/ansi_path.h"
#include "base/language.h"
#include "contextmenu/selection.h"
#include "contextmenu/tilmar_module.h"
#include "contextmenu/tilmar_resource.h"

const char kMenuSection[] = "TILMAR_MENU";
const char kDefaultMenuText[] = "Orvane";

namespace {

const char kDefaultProgram[] = "Orvex.exe";
const char kDefaultLimitMessage[] = "Selected files are over the limit. Please, remove some of selected files.";
// The longest command line the system starts a program with, in characters with
// the terminating zero. Windows refuses a longer one; Wine would start the
// program anyway, so the limit is kept here, alike on both.
const std::size_t kMaxCommandLine = 32767;

std::string LoadModuleString(UINT id) {
    char text[128] = "";
    LoadStringA(gModule.GetInstance(), id, text, sizeof text);
    return text;
}

}  // namespace

std::string TilmarInstallPath() { return DirectoryOfModulePath(gModule.GetModulePath()); }

std::string TilmarLocalizedFileSuffix() {
    char code[3] = "";
    ChooseLocalizedFileSuffix(LoadModuleString(IDS_PRODUCT_ABBREVIATION).c_str(),
                              LoadModuleString(IDS_PRODUCT_NAME).c_str(), code);
    return code;
}

std::string TilmarText(const char* section, const char* key, const char* defaultText) {
    const std::string directory = TilmarInstallPath();
    if (directory.empty()) return defaultText;
    std::string dataFile = directory + "Local_" + TilmarLocalizedFileSuffix() + ".dat";
    if (GetFileAttributesA(dataFile.c_str()) == INVALID_FILE_ATTRIBUTES) dataFile = directory + "Local.dat";
    char text[255] = "";
    if (GetPrivateProfileStringA(section, key, "", text, sizeof text, dataFile.c_str()) > 0) return text;
    return defaultText;
}

void StartOrvex(const std::vector<std::string>& files) {
    const std::string program = TilmarText(kMenuSection, "COMMAND1", kDefaultProgram);
    if (program.empty()) return;
    const std::string installPath = TilmarInstallPath();
    // Without our own directory the bare name would be looked up in App Paths,
    // the current folder and PATH, and might start someone else's program.
    if (!installPath.empty()) {
        // A Unicode command line, as the file manager starts programs: the paths
        // (UTF-8 here) arrive unchanged.
        const std::wstring programPath = AnsiToWide(installPath + program);
        const std::wstring parameters = Utf8ToWide(BuildCommandParameters(files));
        const std::wstring directory = AnsiToWide(installPath);
        // The program's path is written quoted before the parameters.
        const bool fits = programPath.size() + 2 + parameters.size() + 1 <= kMaxCommandLine;
        if (fits && reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, programPath.c_str(), parameters.c_str(),
                                                            directory.c_str(), SW_SHOWNORMAL)) > 32)
            return;
    }

    // Whatever went wrong, the likely cause is a command line the system refused.
    const std::string message = TilmarText(kMenuSection, "LIMITEDSELECTEDFILES", kDefaultLimitMessage);
    const std::string caption = ModuleBaseName(gModule.GetModulePath());
    MessageBoxA(nullptr, message.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
}
