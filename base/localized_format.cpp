#include "base/localized_text.h"

std::string FormatLocalized(const char* format, const std::vector<std::string>& values) {
    std::string text;
    std::size_t next = 0;
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && (p[1] == 'd' || p[1] == 's')) {
            if (next < values.size()) text += values[next++];
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            text += '%';
            ++p;
        } else {
            text += *p;
        }
    }
    return text;
}
