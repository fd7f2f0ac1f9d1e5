#include <windows.h>

#include "base/debug_log.h"

namespace {
void DebuggerSink(const char* text) { OutputDebugStringA(text); }
DebugSink g_sink = DebuggerSink;
}  // namespace

void DebugWrite(const char* text) { g_sink(text ? text : ""); }

DebugSink SetDebugSink(DebugSink sink) {
    DebugSink previous = g_sink;
    g_sink = sink ? sink : DebuggerSink;
    return previous;
}

void ReadLogSwitch() {
    HKEY key = nullptr;
    gwLogSwitch = 0;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvath\\QEL", &key) != ERROR_SUCCESS) return;
    unsigned char value[4] = {0, 0, 0, 0};
    DWORD size = sizeof value;
    // The type is not checked: a REG_DWORD and the string "1" both switch the log on.
    if (RegQueryValueExA(key, "LogQEL", nullptr, nullptr, value, &size) == ERROR_SUCCESS)
        gwLogSwitch = LogSwitchFromValue(value, size);
    RegCloseKey(key);
}
