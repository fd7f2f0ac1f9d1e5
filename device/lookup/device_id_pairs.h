// IEEE 1284 device IDs as the standard writes them: "KEY:value;" pairs. One reader
// for every place that asks what a printer's ID says (the language decision, the
// IPP source, each source's "found" test), so that they can never disagree.
#pragma once
#include <cstddef>
#include <cstdint>
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

// The ID text of what a device or an agent sent (`size` bytes, from a reply
// that could hold `capacity`): behind the two-byte length IEEE 1284 puts
// first when those bytes read as one, up to the first zero byte. The standard
// writes the length most significant byte first, counting itself; some
// devices write it the other way round, so when that reading does not fit
// (more than `capacity`, or too short for any ID) the other is tried before
// the text is taken from the first byte. No ID text starts so: two printable
// characters read as more than any reply holds.
std::string DeviceIdText(const std::uint8_t* data, std::size_t size, std::size_t capacity);
