#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/debug_log.h"
#include "base/language.h"
#include "base/localized_text.h"
#include "resources/string_ids.h"

namespace {

unsigned UserDefaultLangId() {
    char text[16] = "";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTLANGUAGE, text, sizeof text);
    return LangIdFromHexText(text);
}

// The product abbreviation and name live in the string table; a module without
// them (a test program) uses the same texts compiled in.
void LoadProductString(UINT id, const char* fallback, char* buffer, int size) {
    if (LoadStringA(GetModuleHandleA(nullptr), id, buffer, size) <= 0)
        lstrcpynA(buffer, fallback, size);
}

// Reads "QELLangCode" with room for two characters and the terminator.
bool ReadLangCode(HKEY key, char code[3]) {
    DWORD type = 0, size = 3;
    char value[3] = "";
    if (RegQueryValueExA(key, "QELLangCode", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
        ERROR_SUCCESS)
        return false;
    value[2] = '\0';  // a value stored without terminator still ends here
    std::memcpy(code, value, 3);
    return true;
}

}  // namespace

const char* GetLanguageCode() { return LanguageCodeFromLangId(UserDefaultLangId()); }

unsigned GetUserPrimaryLanguage() { return UserDefaultLangId() & 0x3FF; }

void ChooseLocalizedFileSuffix(const char* abbreviation, const char* product, char szSuffix[3]) {
    char szRegPath[256];
    std::snprintf(szRegPath, sizeof szRegPath, "SOFTWARE\\%s\\%s\\", abbreviation, product);
    DebugLog("[QEL] GetLocalizedFileSuffix :szRegPath %s", szRegPath);

    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, szRegPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        // With the machine key present, the user's key is not consulted.
        if (!ReadLangCode(key, szSuffix)) {
            lstrcpynA(szSuffix, GetLanguageCode(), 3);
            DebugLog("[QEL] GetLocalizedFileSuffix : QELLangCode Error (HKEY_LOCAL_MACHINE) : Cur %s", szSuffix);
        }
        RegCloseKey(key);
    } else if (RegOpenKeyExA(HKEY_CURRENT_USER, szRegPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        if (!ReadLangCode(key, szSuffix)) {
            lstrcpynA(szSuffix, GetLanguageCode(), 3);
            DebugLog("[QEL] GetLocalizedFileSuffix : QELLangCode Error (HKEY_CURRENT_USER) : Cur %s", szSuffix);
        }
        RegCloseKey(key);
    } else {
        lstrcpynA(szSuffix, GetLanguageCode(), 3);
        DebugLog("[QEL] GetLocalizedFileSuffix : No Key Error (HKEY_CURRENT_USER) : Cur %s", szSuffix);
    }
    DebugLog("[QEL] GetLocalizedFileSuffix : szSuffix %s", szSuffix);
}

const char* GetLocalizedFileSuffix() {
    static char szSuffix[3];
    char abbreviation[64], product[128];
    LoadProductString(IDS_PRODUCT_ABBREVIATION, "QEL", abbreviation, sizeof abbreviation);
    LoadProductString(IDS_PRODUCT_NAME, "Orvane Suite", product, sizeof product);
    ChooseLocalizedFileSuffix(abbreviation, product, szSuffix);
    return szSuffix;
}

void GetModuleDirectory(char* buffer) {
    char path[MAX_PATH] = "";
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n >= sizeof path) n = sizeof path - 1;
    path[n] = '\0';
    char* slash = std::strrchr(path, '\\');
    if (slash) slash[1] = '\0';
    lstrcpynA(buffer, path, MAX_PATH);
    DebugLog("Currpath/ %s ", buffer);
}

int GetLocalizedFilePath(const char* baseName, char* path) {
    const char* code = GetLocalizedFileSuffix();
    char dir[MAX_PATH];
    GetModuleDirectory(dir);
    const bool isHelp = lstrcmpiA(baseName, "HELP") == 0;
    const char* extension = isHelp ? ".chm" : ".dat";

    std::snprintf(path, MAX_PATH, "%s%s_%s%s", dir, baseName, code, extension);
    if (isHelp) {
        DebugWrite("CHM-HELP");
    } else {
        gnCharSet = GetCharsetForLanguage(code);
        DebugWrite("DAT");
    }
    DebugWrite(path);
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return 1;

    DebugLog("[QEL] GetLocalizedFileSuffix : %s file doesn't exist", path);
    std::snprintf(path, MAX_PATH, "%s%s%s", dir, baseName, extension);
    if (isHelp) {
        DebugWrite("CHM-HELP");
    } else {
        gnCharSet = GetCharsetForLanguage("EN");
        DebugWrite("DAT");
    }
    return 1;
}
