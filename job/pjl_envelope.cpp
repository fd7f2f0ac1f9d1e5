#include "job/pjl_envelope.h"

#include <cstdio>

#include "app/debug_log.h"
#include "job/ansi_text.h"
#include "settings/param_mngr.h"

namespace {

const char kUEL[] = "\x1b%-12345X";

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

std::string Format(const char* format, int value) {
    char text[128];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

PjlSettings PjlSettingsFrom(const CParamMngr& settings) {
    PjlSettings s;
    s.colorMode = settings.GetColorMode();
    s.resolution = settings.GetResolution();
    s.zoomFit = settings.GetZoomFit();
    s.zoom = settings.GetZoom();
    s.copies = settings.GetCopies();
    s.orientation = settings.GetOrientation();
    s.printRange = settings.GetPrintRange();
    s.fromPage = settings.GetFromPage();
    s.toPage = settings.GetToPage();
    s.paperPJL = settings.GetPaperSizePJL();
    s.paperTypePJL = settings.GetPaperTypePJL();
    return s;
}

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

// In the order of the comparison.
const FileLanguage kFileLanguages[] = {
    {".PDF", 1, "@PJL ENTER LANGUAGE=PDF\r\n"},  {".JPG", 2, "@PJL ENTER LANGUAGE=JPEG\r\n"},
    {".TIF", 4, "@PJL ENTER LANGUAGE=TIFF\r\n"}, {".PNG", 8, "@PJL ENTER LANGUAGE=PNG\r\n"},
    {".BMP", 16, "@PJL ENTER LANGUAGE=BMP\r\n"},
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

PjlHeaderPieces BuildPjlHeaderPieces(const PjlSettings& s, std::uint64_t fileSize, const char* path,
                                     LeadByteTest isLeadByte) {
    PjlHeaderPieces p;
    p.colorMode = s.colorMode == 1 ? "@PJL SET COLORMODE=MONO\r\n" : "@PJL SET COLORMODE=COLOR\r\n";
    p.resolution = s.resolution == 0 ? "@PJL SET PRINTQUALITY=DRAFT\r\n" : "@PJL SET PRINTQUALITY=NORMAL\r\n";
    p.zoom = s.zoomFit == 1 ? "@PJL SET JOBATTR=\"@ZOOM=0\"\r\n" : Format("@PJL SET JOBATTR=\"@ZOOM=%d\"\r\n", s.zoom);
    p.copies = Format("@PJL SET COPIES=%d\r\n", s.copies);
    p.orientation = s.orientation == 1 ? "@PJL SET ORIENTATION=LANDSCAPE\r\n" : "@PJL SET ORIENTATION=PORTRAIT\r\n";
    if (s.printRange == 1)
        p.printRange = Format("@PJL SET JOBATTR=\"@FSTP=%d\"\r\n", s.fromPage) +
                       Format("@PJL SET JOBATTR=\"@LSTP=%d\"\r\n", s.toPage);
    else
        p.printRange = "@PJL SET JOBATTR=\"@FSTP=0\"\r\n@PJL SET JOBATTR=\"@LSTP=0\"\r\n";
    p.paperSize = "@PJL SET PAPER=" + s.paperPJL + "\r\n";
    p.paperType = "@PJL SET PAPERTYPE=" + s.paperTypePJL + "\r\n";
    // The whole size: the printer reads the data by this count, so a file of
    // 2 GiB or more must not be announced as a wrapped 32-bit number.
    p.fileSize = "@PJL SET JOBATTR=\"@FILESIZE=" + std::to_string(fileSize) + "\"\r\n";
    p.dataType = PjlLanguageLine(path, isLeadByte);
    return p;
}

std::string JoinPjlHeader(const PjlHeaderPieces& p) {
    return std::string(kUEL) + "@PJL\r\n" + p.colorMode + p.resolution + p.zoom + p.copies + p.orientation +
           p.printRange + p.paperSize + p.paperType + p.fileSize + p.dataType;
}

std::string BuildPjlHeader(const PjlSettings& settings, std::uint64_t fileSize, const char* path,
                           LeadByteTest isLeadByte) {
    return JoinPjlHeader(BuildPjlHeaderPieces(settings, fileSize, path, isLeadByte));
}

std::string BuildPjlTrailer() { return kUEL; }

std::string SendStartPJLCommand(const char* path) {
    const CParamMngr* settings = CParamMngr::GetInstance();
    PjlSettings values = settings ? PjlSettingsFrom(*settings) : PjlSettings();
    PjlHeaderPieces p = BuildPjlHeaderPieces(values, DirectoryEntrySize(path), path, IsAnsiLeadByte);

    const char* banner = "///////////////////// SendStartPJLCommand /////////////////////";
    DebugLog("%s", banner);
    DebugLog("strColorMode : %s", p.colorMode.c_str());
    DebugLog("strResolution : %s", p.resolution.c_str());
    DebugLog("strZoom : %s", p.zoom.c_str());
    DebugLog("strCopies : %s", p.copies.c_str());
    DebugLog("strOrientation : %s", p.orientation.c_str());
    DebugLog("strPrintRange : %s", p.printRange.c_str());
    DebugLog("strPaperSize : %s", p.paperSize.c_str());
    DebugLog("strPaperType : %s", p.paperType.c_str());
    DebugLog("strFileSize : %s", p.fileSize.c_str());
    DebugLog("strDataType : %s", p.dataType.c_str());
    DebugLog("%s", banner);
    std::string header = JoinPjlHeader(p);
    DebugLog("SendStartPJLCommand / strPJLCommand : %s", header.c_str());
    return header;
}

std::string SendEndPJLCommand() {
    std::string trailer = BuildPjlTrailer();
    DebugLog("SendEndPJLCommand / nResult : %s", trailer.c_str());
    return trailer;
}
