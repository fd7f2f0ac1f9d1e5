// Diagnostic trace: printf-style lines to the debugger output channel, switched
// on by the "LogQEL" registry value. Portable: the output sink is replaceable.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// The log switch; 0 = off. Set once at start-up by ReadLogSwitch().
extern unsigned short gwLogSwitch;

// Formats like the platform's wvsprintfA (%s %d %i %u %x %X %c %p %%, flags '-' '0',
// width, precision, 'l'/'h' size prefixes) but never writes past `size` bytes: a
// longer line is cut and always terminated. Returns the length written.
std::size_t FormatTraceLine(char* buffer, std::size_t size, const char* format, va_list args);

// printf-style trace line, at most 511 characters; does nothing while the switch is 0.
int DebugLog(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Writes a text to the debugger output whatever the switch says.
void DebugWrite(const char* text);

// Where lines go: OutputDebugStringA on Windows, standard error elsewhere.
// Tests install their own sink; returns the previous one.
using DebugSink = void (*)(const char* text);
DebugSink SetDebugSink(DebugSink sink);

// The switch from the raw bytes of the registry value: its first two bytes,
// little-endian; a value longer than 4 bytes counts as missing.
unsigned short LogSwitchFromValue(const unsigned char* data, std::size_t size);

// Reads "LogQEL" from the registry into gwLogSwitch (Windows only).
void ReadLogSwitch();

// While one is alive, the lines DebugLog traces on the thread that made it are
// kept here instead of written: work done on a worker thread hands its lines
// to the window's thread, which writes them where the work takes effect, so
// that they never interleave with the window's own.
class HeldTrace {
public:
    HeldTrace();
    ~HeldTrace();
    HeldTrace(const HeldTrace&) = delete;
    HeldTrace& operator=(const HeldTrace&) = delete;
    std::vector<std::string> Take() { return std::move(m_lines); }
    void Keep(const char* line) { m_lines.emplace_back(line); }

private:
    HeldTrace* m_outer;
    std::vector<std::string> m_lines;
};
