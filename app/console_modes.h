// The console modes beside printing without the window: the usage (-?), the
// printer list (-L, -L -C) and the check alone (-C), and the refusal of
// switches given without the mode they belong to.
#pragma once
#include <string>

#include "app/command_line.h"

// The lines to write when `switches` ask for something no mode takes (empty when
// nothing is wrong): -o or -n without -P, -J without -P, -L or -C.
std::string MisplacedSwitches(const CommandLineSwitches& switches);

#if defined(_WIN32)
// Runs the mode the switches ask for (-?, -L, -C, or a refusal) and returns true
// with its exit code; false when the window or -P is to run instead.
bool RunConsoleMode(const CommandLineSwitches& switches, const std::wstring& printerName, int& exitCode);

// The report's lines on the console the program was started from (or the
// output handed over to it), and in the trace.
void WriteConsoleReport(const std::vector<std::string>& lines);
#endif
