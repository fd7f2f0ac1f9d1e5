#include "base/debug_log.h"

#include <cstdint>
#include <cstring>

unsigned short gwLogSwitch = 0;

namespace {

// Appends characters to a bounded buffer, counting what did not fit.
struct Out {
    char* buf;
    std::size_t cap;   // usable characters (size - 1)
    std::size_t len = 0;

    void put(char c) {
        if (len < cap) buf[len] = c;
        ++len;
    }
    void pad(char c, int n) {
        while (n-- > 0) put(c);
    }
};

void EmitDigits(Out& out, unsigned long long value, unsigned base, bool upper, bool negative,
                bool leftAlign, bool zeroFill, int width, int precision) {
    char digits[32];
    int n = 0;
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        digits[n++] = set[value % base];
        value /= base;
    } while (value != 0 && n < 32);
    if (precision == 0 && n == 1 && digits[0] == '0') n = 0;  // "%.0d" of 0 prints nothing
    int zeros = precision > n ? precision - n : 0;
    int body = n + zeros + (negative ? 1 : 0);
    int fill = width > body ? width - body : 0;
    if (!leftAlign && !(zeroFill && precision < 0)) out.pad(' ', fill);
    if (negative) out.put('-');
    if (!leftAlign && zeroFill && precision < 0) out.pad('0', fill);
    out.pad('0', zeros);
    while (n > 0) out.put(digits[--n]);
    if (leftAlign) out.pad(' ', fill);
}

}  // namespace

std::size_t FormatTraceLine(char* buffer, std::size_t size, const char* format, va_list args) {
    if (buffer == nullptr || size == 0) return 0;
    Out out{buffer, size - 1};
    if (format == nullptr) format = "";

    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            out.put(*p);
            continue;
        }
        const char* start = p++;
        bool leftAlign = false, zeroFill = false;
        for (;; ++p) {
            if (*p == '-') leftAlign = true;
            else if (*p == '0') zeroFill = true;
            else if (*p == '#' || *p == '+' || *p == ' ') {
            } else break;
        }
        int width = 0;
        while (*p >= '0' && *p <= '9') width = width * 10 + (*p++ - '0');
        int precision = -1;
        if (*p == '.') {
            precision = 0;
            ++p;
            while (*p >= '0' && *p <= '9') precision = precision * 10 + (*p++ - '0');
        }
        if (width > 511) width = 511;  // nothing we print is wider than a line
        if (precision > 511) precision = 511;
        bool isLong = false, isLongLong = false;
        if (*p == 'l') {
            isLong = true;
            ++p;
            if (*p == 'l') { isLongLong = true; ++p; }
        } else if (*p == 'h') {
            ++p;
        } else if (*p == 'z' || *p == 'I') {
            isLongLong = sizeof(std::size_t) > sizeof(long);
            isLong = true;
            ++p;
            if (p[-1] == 'I' && p[0] == '6' && p[1] == '4') { isLongLong = true; p += 2; }
        }
        switch (*p) {
        case 'd':
        case 'i': {
            long long v = isLongLong ? va_arg(args, long long)
                          : isLong   ? va_arg(args, long)
                                     : va_arg(args, int);
            unsigned long long mag = v < 0 ? 0ULL - static_cast<unsigned long long>(v)
                                           : static_cast<unsigned long long>(v);
            EmitDigits(out, mag, 10, false, v < 0, leftAlign, zeroFill, width, precision);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            unsigned long long v = isLongLong ? va_arg(args, unsigned long long)
                                   : isLong   ? va_arg(args, unsigned long)
                                              : va_arg(args, unsigned int);
            EmitDigits(out, v, *p == 'u' ? 10 : 16, *p == 'X', false, leftAlign, zeroFill, width,
                       precision);
            break;
        }
        case 'p': {
            auto v = reinterpret_cast<std::uintptr_t>(va_arg(args, void*));
            EmitDigits(out, v, 16, true, false, false, true, int(sizeof(void*) * 2), -1);
            break;
        }
        case 'c': {
            char c = static_cast<char>(va_arg(args, int));
            int fill = width > 1 ? width - 1 : 0;
            if (!leftAlign) out.pad(' ', fill);
            out.put(c);
            if (leftAlign) out.pad(' ', fill);
            break;
        }
        case 's': {
            const char* s = va_arg(args, const char*);
            if (s == nullptr) s = "(null)";
            std::size_t n = 0;
            while (s[n] != '\0' && (precision < 0 || n < static_cast<std::size_t>(precision))) ++n;
            int fill = width > static_cast<int>(n) ? width - static_cast<int>(n) : 0;
            if (!leftAlign) out.pad(' ', fill);
            for (std::size_t i = 0; i < n; ++i) out.put(s[i]);
            if (leftAlign) out.pad(' ', fill);
            break;
        }
        case '%':
            out.put('%');
            break;
        case '\0':  // a lone '%' at the end
            for (const char* q = start; *q != '\0'; ++q) out.put(*q);
            --p;
            break;
        default:  // unknown conversion: print it as it stands
            for (const char* q = start; q <= p; ++q) out.put(*q);
            break;
        }
    }
    std::size_t written = out.len < out.cap ? out.len : out.cap;
    buffer[written] = '\0';
    return written;
}

namespace {
thread_local HeldTrace* t_capture = nullptr;
}

int DebugLog(const char* format, ...) {
    if (gwLogSwitch == 0) return 0;
    char line[512];
    va_list args;
    va_start(args, format);
    FormatTraceLine(line, sizeof line, format, args);
    va_end(args);
    if (t_capture)
        t_capture->Keep(line);
    else
        DebugWrite(line);
    return 0;
}

HeldTrace::HeldTrace() : m_outer(t_capture) { t_capture = this; }
HeldTrace::~HeldTrace() { t_capture = m_outer; }

unsigned short LogSwitchFromValue(const unsigned char* data, std::size_t size) {
    if (data == nullptr || size > 4) return 0;
    unsigned char value[4] = {0, 0, 0, 0};
    std::memcpy(value, data, size);
    return static_cast<unsigned short>(value[0] | (value[1] << 8));
}
