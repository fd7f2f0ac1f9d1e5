#include "job/pjl_envelope.h"

#include <cstdio>

#include "base/ansi_text.h"
#include "base/debug_log.h"
#include "settings/param_mngr.h"

namespace {

const char kUEL[] = "\x1b%-12345X";

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

std::string SendStartPJLCommand(const char* path, std::uint64_t fileSize) {
    const CParamMngr* settings = CParamMngr::GetInstance();
    PjlSettings values = settings ? PjlSettingsFrom(*settings) : PjlSettings();
    // The language by the long name (UTF-8), never by a short name's cut extension.
    PjlHeaderPieces p = BuildPjlHeaderPieces(values, fileSize, LongFileName(path).c_str());

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
