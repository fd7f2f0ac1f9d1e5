// libFuzzer target: any command line through NextToken and ParseCommandLine, and
// the parameters the shell extension writes read back. Any program can start Orvex
// with any text: no token may exceed 259 characters (a cut path could name another
// file), each token is the text as it stands, and the text is consumed to its end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "base/localized_text.h"
#include "contextmenu/selection.h"

namespace {

constexpr std::size_t kLongestToken = kPathSize - 1;

void CheckTokenWalk(const std::string& text) {
    std::size_t pos = 0;
    for (;;) {
        char buffer[kPathSize];
        std::memset(buffer, 'X', sizeof buffer);
        bool tooLong = false;
        const int used = NextToken(text.c_str() + pos, buffer, &tooLong);
        if (used < 0 || static_cast<std::size_t>(used) > text.size() - pos) std::abort();
        if (used == 0) {
            // Only spaces may be left over.
            if (text.find_first_not_of(' ', pos) != std::string::npos) std::abort();
            return;
        }
        const std::size_t length = strnlen(buffer, sizeof buffer);
        if (length > kLongestToken) std::abort();
        if (tooLong && length != 0) std::abort();
        if (!tooLong) {
            // The token is the text after the spaces (and an opening quote), as it stands.
            std::size_t start = text.find_first_not_of(' ', pos);
            if (text[start] == '"') ++start;
            if (text.compare(start, length, buffer) != 0) std::abort();
        }
        pos += static_cast<std::size_t>(used);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The program receives a zero-terminated text.
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const std::string text = raw.c_str();
    CheckTokenWalk(text);

    std::vector<std::string> files;
    std::string printer;
    ParseCommandLine(text.c_str(), files, printer);
    if (printer.size() > kLongestToken) std::abort();
    for (const std::string& file : files)
        if (file.size() > kLongestToken) std::abort();

    // What the shell extension writes for a selection comes back as the same files,
    // in order, less those too long to use. A file name never holds a double quote.
    std::vector<std::string> selection;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string path = text.substr(start, end - start);
        if (path.find('"') == std::string::npos) selection.push_back(path);
        start = end + 1;
    }
    std::vector<std::string> expected;
    for (const std::string& path : selection)
        if (path.size() <= kLongestToken) expected.push_back(path);
    std::vector<std::string> readBack;
    std::string noPrinter;
    ParseCommandLine(BuildCommandParameters(selection).c_str(), readBack, noPrinter);
    if (readBack != expected || !noPrinter.empty()) std::abort();
    return 0;
}
