#include "device/file_language.h"

namespace {

// The extensions of the table are ASCII: compared without the user's locale, so
// that no locale's casing rules (a dotless i, say) can keep ".tif" from matching.
bool EqualAsciiNoCase(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        char ca = (*a >= 'a' && *a <= 'z') ? char(*a - 32) : *a;
        char cb = (*b >= 'a' && *b <= 'z') ? char(*b - 32) : *b;
        if (ca != cb) return false;
    }
    return *a == *b;
}

}  // namespace

const char* FindPathExtension(const char* path, LeadByteTest isLeadByte) {
    if (path == nullptr) return nullptr;
    const char* dot = nullptr;
    const char* p = path;
    while (*p != '\0') {
        if (*p == '\\' || *p == ' ') dot = nullptr;
        else if (*p == '.') dot = p;
        // A trail byte may look like a backslash; step over whole characters.
        p += (isLeadByte && isLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') ? 2 : 1;
    }
    return dot ? dot : p;
}

const char* FindFileNamePart(const char* path, LeadByteTest isLeadByte) {
    if (path == nullptr) return nullptr;
    const char* name = path;
    const char* p = path;
    while (*p != '\0') {
        if (*p == '\\') name = p + 1;
        p += (isLeadByte && isLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') ? 2 : 1;
    }
    return name;
}

namespace {

struct FileLanguage {
    const char* extension;
    int bit;
    const char* line;
};

// In the order of the comparison. .jpeg, .jpe and .tiff are the names most
// JPEG and TIFF files carry; they get the same line as .jpg and .tif.
const FileLanguage kFileLanguages[] = {
    {".PDF", 1, "@PJL ENTER LANGUAGE=PDF\r\n"},   {".JPG", 2, "@PJL ENTER LANGUAGE=JPEG\r\n"},
    {".TIF", 4, "@PJL ENTER LANGUAGE=TIFF\r\n"},  {".PNG", 8, "@PJL ENTER LANGUAGE=PNG\r\n"},
    {".BMP", 16, "@PJL ENTER LANGUAGE=BMP\r\n"},  {".JPEG", 2, "@PJL ENTER LANGUAGE=JPEG\r\n"},
    {".JPE", 2, "@PJL ENTER LANGUAGE=JPEG\r\n"},  {".TIFF", 4, "@PJL ENTER LANGUAGE=TIFF\r\n"},
};

const FileLanguage* FindFileLanguage(const char* path, LeadByteTest isLeadByte) {
    const char* extension = FindPathExtension(path ? path : "", isLeadByte);
    if (*extension == '\0') return nullptr;
    for (const FileLanguage& language : kFileLanguages)
        if (EqualAsciiNoCase(extension, language.extension)) return &language;
    return nullptr;
}

}  // namespace

int FileLanguageBit(const char* path, LeadByteTest isLeadByte) {
    const FileLanguage* language = FindFileLanguage(path, isLeadByte);
    return language ? language->bit : 0;
}

std::string PjlLanguageLine(const char* path, LeadByteTest isLeadByte) {
    const FileLanguage* language = FindFileLanguage(path, isLeadByte);
    return language ? language->line : std::string();
}
