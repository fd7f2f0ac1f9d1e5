#include <cstdlib>
#include <cstring>
#include <initializer_list>

// Without Windows locale information the POSIX locale variables decide:
// "en", "en_US.UTF-8" and the like count as English.
unsigned PlatformPrimaryLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        return (std::strncmp(value, "en", 2) == 0 && (value[2] == '\0' || value[2] == '_' || value[2] == '.'))
                   ? 0x09u
                   : 0x00u;
    }
    return 0x00u;
}
