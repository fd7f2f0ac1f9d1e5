#include "ui/tab_rules.h"

#include <climits>
#include <cstdio>

namespace {

struct Language {
    int bit;
    const char* filterName;  // in the Browse filter
    const char* shown;       // the patterns as the filter names them
    const char* patterns;    // every extension the file-language table gives the language
};

// The order of the filter.
const Language kLanguages[] = {
    {1, "PDF", "*.PDF", "*.pdf"},
    {2, "JPEG", "*.JPG;*.JPEG;*.JPE", "*.jpg;*.jpeg;*.jpe"},
    {4, "TIFF", "*.TIF;*.TIFF", "*.tif;*.tiff"},
    {8, "PNG", "*.PNG", "*.png"},
    {16, "BMP", "*.BMP", "*.bmp"},
};

constexpr std::size_t kFilterLimit = 255;

bool Usable(int types) { return types > 0; }

}  // namespace

std::string BrowseFilterText(int types, const char* word) {
    const std::string w = word ? word : "";
    std::string text;
    if (!Usable(types)) {
        text = "All " + w + " (*.*)|*.*|";
    } else {
        for (const Language& l : kLanguages) {
            if (!(types & l.bit)) continue;
            text += std::string(l.filterName) + " " + w + " (" + l.shown + ")|" + l.patterns + "|";
        }
    }
    if (text.size() > kFilterLimit) text.resize(kFilterLimit);
    return text;
}

std::string BrowseFilterList(int types, const char* word) {
    std::string list = BrowseFilterText(types, word);
    for (char& ch : list)
        if (ch == '|') ch = '\0';
    list.push_back('\0');  // with c_str's own NUL, a cut filter still ends with two
    return list;
}

bool ParseEditInt(const std::string& text, int& value) {
    value = 0;
    std::string::size_type i = 0, n = text.size();
    auto blank = [&](std::string::size_type k) { return text[k] == ' ' || text[k] == '\t'; };
    while (i < n && blank(i)) ++i;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    const std::string::size_type digits = i;
    long long number = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        number = number * 10 + (text[i++] - '0');
        if (number > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (i == digits) return false;
    while (i < n && blank(i)) ++i;
    if (i != n) return false;
    if (negative) number = -number;
    if (number > INT_MAX || number < INT_MIN) return false;
    value = static_cast<int>(number);
    return true;
}

std::string DoubleAmpersands(const std::string& text) {
    std::string out;
    for (char ch : text) {
        out.push_back(ch);
        if (ch == '&') out.push_back('&');
    }
    return out;
}

std::string PlainLabel(const std::string& text) {
    std::string out;
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '(' && i + 3 < text.size() && text[i + 1] == '&' && text[i + 2] != '&' && text[i + 3] == ')') {
            i += 3;
            continue;
        }
        if (ch != '&') {
            out.push_back(ch);
        } else if (i + 1 < text.size() && text[i + 1] == '&') {
            out.push_back('&');
            ++i;
        }
    }
    return out;
}

char AccessKey(const std::string& label) {
    for (std::string::size_type i = 0; i + 1 < label.size(); ++i) {
        if (label[i] != '&') continue;
        if (label[i + 1] == '&') {
            ++i;
            continue;
        }
        const char key = label[i + 1];
        return key >= 'a' && key <= 'z' ? static_cast<char>(key - 'a' + 'A') : key;
    }
    return 0;
}
