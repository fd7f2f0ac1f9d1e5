#include <cstdio>

#include "base/debug_log.h"

namespace {
void StandardErrorSink(const char* text) {
    std::fputs(text, stderr);
    std::fputc('\n', stderr);
}
DebugSink g_sink = StandardErrorSink;
}  // namespace

void DebugWrite(const char* text) { g_sink(text ? text : ""); }

DebugSink SetDebugSink(DebugSink sink) {
    DebugSink previous = g_sink;
    g_sink = sink ? sink : StandardErrorSink;
    return previous;
}

void ReadLogSwitch() { gwLogSwitch = 0; }
