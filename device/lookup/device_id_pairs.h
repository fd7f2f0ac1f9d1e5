// IEEE 1284 device IDs as the standard writes them: "KEY:value;" pairs. One reader
// for every place that asks what a printer's ID says (the language decision, the
// IPP source, each source's "found" test), so that they can never disagree.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

struct DeviceIdPair {
    std::string key;            // whitespace around it trimmed; case kept (keys are case-sensitive)
    std::string value;          // whitespace around it trimmed
    std::size_t keyOffset = 0;  // where the trimmed key starts in the ID
    std::size_t end = std::string::npos;   // the ';' that closes the pair; npos: the text ended first
};

// Every pair in order, the last one also when no ';' closes it (see `end`).
// Segments without a ':' carry no key and are skipped.
std::vector<DeviceIdPair> SplitDeviceIdPairs(const std::string& id);

// The first command-set pair: the key "CMD" or its long form "COMMAND SET".
// False when the ID has none.
bool FindCommandSet(const std::string& id, DeviceIdPair* pair);

// Whether the ID names what the printer interprets: a closed command-set pair
// with a value. An ID without one is incomplete, whatever else it says.
bool HasCommandSet(const std::string& id);
