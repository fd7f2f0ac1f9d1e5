// The PJL envelope of one job: a header carrying the job options, the file's
// size and its printer language, and the nine-byte trailer (UEL).
#pragma once
#include <cstdint>
#include <string>

class CParamMngr;

// The option values the header carries.
struct PjlSettings {
    int colorMode = 0;
    int resolution = 1;
    int zoomFit = 0;
    int zoom = 100;
    int copies = 1;
    int orientation = 0;
    int printRange = 0;
    int fromPage = 1;
    int toPage = 1;
    std::string paperPJL = "AUTO";
    std::string paperTypePJL = "OFF";
};

PjlSettings PjlSettingsFrom(const CParamMngr& settings);

// The header's pieces after the first line, in order.
struct PjlHeaderPieces {
    std::string colorMode, resolution, zoom, copies, orientation, printRange, paperSize, paperType,
        fileSize, dataType;
};

using LeadByteTest = bool (*)(unsigned char);

// Start of the extension of the file name in `path`, as the shell finds it (the
// last dot after the last backslash or blank); the terminating zero when there is none.
const char* FindPathExtension(const char* path, LeadByteTest isLeadByte = nullptr);
// The file name: the text after the last backslash (the whole path without one).
const char* FindFileNamePart(const char* path, LeadByteTest isLeadByte = nullptr);

// The language of a file by its whole extension, letters compared without case:
// 1 for .PDF, 2 .JPG, 4 .TIF, 8 .PNG, 16 .BMP; 0 for any other extension or none.
// The file check and the envelope both decide by it.
int FileLanguageBit(const char* path, LeadByteTest isLeadByte = nullptr);

// "@PJL ENTER LANGUAGE=..." for .PDF .JPG .TIF .PNG .BMP (any letter case); empty otherwise.
std::string PjlLanguageLine(const char* path, LeadByteTest isLeadByte = nullptr);

// `fileSize` is the directory entry's size, printed whole and unsigned.
PjlHeaderPieces BuildPjlHeaderPieces(const PjlSettings& settings, std::uint64_t fileSize, const char* path,
                                     LeadByteTest isLeadByte = nullptr);
std::string JoinPjlHeader(const PjlHeaderPieces& pieces);
std::string BuildPjlHeader(const PjlSettings& settings, std::uint64_t fileSize, const char* path,
                           LeadByteTest isLeadByte = nullptr);
std::string BuildPjlTrailer();

// The header for `path` from the settings manager's instance and the file's
// directory entry, and the trailer; both traced.
std::string SendStartPJLCommand(const char* path);
std::string SendEndPJLCommand();
