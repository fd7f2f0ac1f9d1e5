#include <cstdlib>
#include <cstring>
#include <string>

#include "base/ini_file.h"
#include "base/localized_text.h"

char gszLocalFileName[kPathSize] = "";
char gszHelpFileName[kPathSize] = "";
int gnCharSet = 1;

unsigned GetLocalizedString(const char* section, const char* key, const char* defaultText,
                            char* buffer, unsigned size) {
    if (buffer == nullptr || size == 0) return 0;
    std::string value;
    if (!ReadIniValue(gszLocalFileName, section, key, value)) value = defaultText ? defaultText : "";
    // As for the platform, a zero byte in the file ends the text (and the count).
    const std::size_t length = std::strlen(value.c_str());
    std::size_t n = length < size - 1 ? length : size - 1;
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return static_cast<unsigned>(n);
}

unsigned GetLocalizedInt(const char* section, const char* key, int defaultValue) {
    std::string value;
    if (!ReadIniValue(gszLocalFileName, section, key, value)) return static_cast<unsigned>(defaultValue);
    // Like the platform: leading decimal digits, 0 when there are none.
    return static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
}
