#include <windows.h>

#include "base/localized_text.h"

char gszLocalFileName[kPathSize] = "";
char gszHelpFileName[kPathSize] = "";
int gnCharSet = DEFAULT_CHARSET;

unsigned GetLocalizedString(const char* section, const char* key, const char* defaultText,
                            char* buffer, unsigned size) {
    return GetPrivateProfileStringA(section, key, defaultText, buffer, size, gszLocalFileName);
}

unsigned GetLocalizedInt(const char* section, const char* key, int defaultValue) {
    return GetPrivateProfileIntA(section, key, defaultValue, gszLocalFileName);
}
