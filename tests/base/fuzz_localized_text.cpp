// libFuzzer target: any bytes as the localized text file, read through the lookups
// the programs make. A user can edit the file and a broken installation can cut it
// anywhere: a text never overruns the caller's buffer and is cut, not changed, to
// fit it; sections and keys match without regard to case; a missing key gives the
// default; a paper dimension in inches shows as a number that reads back the same.
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>

#include "base/ini_file.h"
#include "base/localized_text.h"
#include "settings/paper_catalog.h"

namespace {

struct Lookup {
    std::string section, key;
};

// Lookups the programs make, one of each kind of value.
const Lookup kLookups[] = {
    {"UI_SHEET", "IDL_TITLE"},          {"UNIT", "IDC_UNIT_INCH"},
    {"UNIT", "IDC_UNIT_MM"},            {"PAPER_INFO_A4", "WIDTH_INCH"},
    {"PAPER_INFO_A4", "HEIGHT_MM"},     {"PAPER_INFO_EXECUTIVE", "HEIGHT_INCH"},
    {"PAPER_INFO_EXECUTIVE", "WIDTH_MM"}, {"TILMAR_MENU", "MENUTEXT"},
    {"TILMAR_MENU", "COMMAND1"},        {"ERROR_MSG", "IDL_MESSAGE_NOSUPPORT"},
};

int g_fd = -1;
char g_path[] = "/dev/shm/orvane-fuzz-local-XXXXXX";

void RemoveFile() { unlink(g_path); }

void WriteFile(const std::uint8_t* data, std::size_t size) {
    if (g_fd < 0) {
        g_fd = mkstemp(g_path);
        if (g_fd < 0) std::abort();
        std::atexit(RemoveFile);
        std::snprintf(gszLocalFileName, sizeof gszLocalFileName, "%s", g_path);
    }
    if (ftruncate(g_fd, 0) != 0) std::abort();
    if (size > 0 && pwrite(g_fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
}

// The text with `size` bytes of room, in a buffer of exactly that size.
std::string Get(const Lookup& lookup, const char* defaultText, unsigned size) {
    std::unique_ptr<char[]> buffer(new char[size]);
    const unsigned n = GetLocalizedString(lookup.section.c_str(), lookup.key.c_str(), defaultText, buffer.get(), size);
    if (n >= size || std::strlen(buffer.get()) != n) std::abort();
    return std::string(buffer.get(), n);
}

bool Find(const std::string& file, const Lookup& lookup, std::string* value) {
    std::istringstream in(file);
    return ReadIniValue(in, lookup.section.c_str(), lookup.key.c_str(), *value);
}

std::string SwapCase(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = char(c - 32);
        else if (c >= 'A' && c <= 'Z') c = char(c + 32);
    }
    return s;
}

// Reading the file for every lookup is slow, so the checks read the text in memory,
// and with `throughFile` also ask the way the programs do.
void Check(const std::string& file, const Lookup& lookup, unsigned smallSize, bool throughFile) {
    std::string value;
    const bool found = Find(file, lookup, &value);
    std::string other;
    if (Find(file, {SwapCase(lookup.section), SwapCase(lookup.key)}, &other) != found || other != value)
        std::abort();

    if (throughFile) {
        // Up to a zero byte, cut to the buffer; the default when missing.
        const std::string text = found ? std::string(value.c_str()) : "Default";
        if (Get(lookup, "Default", smallSize) != text.substr(0, smallSize - 1)) std::abort();
        if (!found && GetLocalizedInt(lookup.section.c_str(), lookup.key.c_str(), 12345) != 12345u) std::abort();
    }

    // The numbers the paper catalogue takes from such a text.
    const InchValue inches = ParseInchText(value.c_str());
    if (inches.exact) {
        const std::string shown = FormatInches(inches);
        const InchValue again = ParseInchText(shown.c_str());
        if (!again.exact || again.hundredths != inches.hundredths) std::abort();
    }
}

// The first section of the file and the first key written after it.
Lookup FirstEntry(const std::string& file) {
    Lookup lookup;
    const std::size_t open = file.find('[');
    if (open == std::string::npos) return lookup;
    const std::size_t close = file.find(']', open);
    if (close == std::string::npos) return lookup;
    lookup.section = file.substr(open + 1, close - open - 1).c_str();
    const std::size_t line = file.find('\n', close);
    if (line == std::string::npos) return lookup;
    const std::size_t equals = file.find('=', line);
    if (equals == std::string::npos) return lookup;
    const std::size_t keyStart = file.rfind('\n', equals) + 1;
    lookup.key = file.substr(keyStart, equals - keyStart).c_str();
    return lookup;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    const unsigned pick = size > 0 ? data[size - 1] : 0;
    const unsigned smallSize = 1 + pick % 17;
    constexpr std::size_t kCount = sizeof kLookups / sizeof kLookups[0];
    // One input in eight also goes through the file.
    const bool throughFile = (pick / kCount) % 8 == 0;
    if (throughFile) WriteFile(data, size);
    Check(file, kLookups[pick % kCount], smallSize, throughFile);
    const Lookup first = FirstEntry(file);
    if (!first.section.empty() && !first.key.empty()) Check(file, first, kTextSize, false);
    return 0;
}
