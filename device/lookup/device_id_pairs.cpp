#include "device/lookup/device_id_pairs.h"

#include <algorithm>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// [first, last) shrunk past blanks at both ends.
void Trim(const std::string& text, std::size_t* first, std::size_t* last) {
    while (*first < *last && IsBlank(text[*first])) ++*first;
    while (*last > *first && IsBlank(text[*last - 1])) --*last;
}

}  // namespace

std::vector<DeviceIdPair> SplitDeviceIdPairs(const std::string& id) {
    std::vector<DeviceIdPair> pairs;
    std::size_t start = 0;
    while (start < id.size()) {
        const std::size_t semicolon = id.find(';', start);
        const std::size_t segmentEnd = semicolon == std::string::npos ? id.size() : semicolon;
        const std::size_t colon = id.find(':', start);
        if (colon < segmentEnd) {
            DeviceIdPair pair;
            std::size_t keyFirst = start, keyLast = colon;
            Trim(id, &keyFirst, &keyLast);
            std::size_t valueFirst = colon + 1, valueLast = segmentEnd;
            Trim(id, &valueFirst, &valueLast);
            pair.key = id.substr(keyFirst, keyLast - keyFirst);
            pair.value = id.substr(valueFirst, valueLast - valueFirst);
            pair.keyOffset = keyFirst;
            pair.end = semicolon;
            pairs.push_back(std::move(pair));
        }
        if (semicolon == std::string::npos) break;
        start = semicolon + 1;
    }
    return pairs;
}

bool FindCommandSet(const std::string& id, DeviceIdPair* pair) {
    for (DeviceIdPair& candidate : SplitDeviceIdPairs(id)) {
        if (candidate.key == "CMD" || candidate.key == "COMMAND SET") {
            *pair = std::move(candidate);
            return true;
        }
    }
    return false;
}

bool HasCommandSet(const std::string& id) {
    DeviceIdPair pair;
    return FindCommandSet(id, &pair) && pair.end != std::string::npos && !pair.value.empty();
}

std::string DeviceIdText(const std::uint8_t* data, std::size_t size, std::size_t capacity) {
    // The shortest length worth reading: below it no "MFG:…;CMD:…;" fits.
    constexpr std::size_t kShortestId = 14;
    std::size_t start = 0, end = size;
    if (size >= 2) {
        const std::size_t mostFirst = static_cast<std::size_t>(data[0]) << 8 | data[1];
        const std::size_t leastFirst = static_cast<std::size_t>(data[1]) << 8 | data[0];
        for (const std::size_t length : {mostFirst, leastFirst}) {
            if (length >= kShortestId && length <= capacity) {
                // A device that leaves the two bytes out of its count ends two bytes later.
                start = 2;
                end = std::min(size, length + 2);
                break;
            }
        }
    }
    std::size_t stop = start;
    while (stop < end && data[stop] != 0) ++stop;
    return std::string(data + start, data + stop);
}
