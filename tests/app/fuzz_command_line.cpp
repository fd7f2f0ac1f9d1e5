// libFuzzer target: any command line through NextToken and ParseCommandLine, and
// the parameters the shell extension writes read back. Any program can start Orvex
// with any text: no token may exceed 259 characters (a cut path could name another
// file), each token is the text as it stands, and the text is consumed to its end.
// Every name and option the line gives is also written as a JSON string (-J): it
// must be one RFC 8259 string, and quoting what it reads back must give it again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "base/json_writer.h"
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

// The text a JSON string reads back as; aborts when `json` is not one string.
std::string ReadJsonString(const std::string& json) {
    if (json.size() < 2 || json.front() != '"' || json.back() != '"') std::abort();
    std::string text;
    for (std::size_t i = 1; i + 1 < json.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(json[i]);
        if (c < 0x20 || c == '"') std::abort();  // raw control characters and quotes end nothing here
        if (c != '\\') {
            text += static_cast<char>(c);
            continue;
        }
        if (++i + 1 >= json.size()) std::abort();
        switch (json[i]) {
        case '"': text += '"'; break;
        case '\\': text += '\\'; break;
        case '/': text += '/'; break;
        case 'b': text += '\b'; break;
        case 'f': text += '\f'; break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        case 't': text += '\t'; break;
        case 'u': {
            // Only the control characters are written this way.
            if (i + 5 >= json.size() || json.compare(i + 1, 2, "00") != 0) std::abort();
            const unsigned value = static_cast<unsigned>(std::strtoul(json.substr(i + 3, 2).c_str(), nullptr, 16));
            if (value >= 0x20) std::abort();
            text += static_cast<char>(value);
            i += 4;
            break;
        }
        default: std::abort();
        }
    }
    return text;
}

void CheckJson(const std::string& text) {
    const std::string json = JsonQuote(text);
    if (JsonQuote(ReadJsonString(json)) != json) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The program receives a zero-terminated text.
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const std::string text = raw.c_str();
    CheckTokenWalk(text);

    std::vector<std::string> files;
    std::string printer;
    CommandLineSwitches switches;
    ParseCommandLine(text.c_str(), files, printer, &switches);
    if (printer.size() > kLongestToken) std::abort();
    for (const std::string& file : files) {
        if (file.size() > kLongestToken) std::abort();
        CheckJson(file);
    }
    for (const std::string& option : switches.jobOptions) CheckJson(option);
    CheckJson(raw);

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
