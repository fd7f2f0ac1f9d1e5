// The PJL envelope of one job: a header carrying the job options, the file's
// size and its printer language, and the nine-byte trailer (UEL).
#pragma once
#include <cstdint>
#include <string>

#include "device/file_language.h"

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

// `fileSize` is printed whole and unsigned.
PjlHeaderPieces BuildPjlHeaderPieces(const PjlSettings& settings, std::uint64_t fileSize, const char* path,
                                     LeadByteTest isLeadByte = nullptr);
std::string JoinPjlHeader(const PjlHeaderPieces& pieces);
std::string BuildPjlHeader(const PjlSettings& settings, std::uint64_t fileSize, const char* path,
                           LeadByteTest isLeadByte = nullptr);
std::string BuildPjlTrailer();

// The header for `path` of `fileSize` bytes from the settings manager's
// instance, and the trailer; both traced.
std::string SendStartPJLCommand(const char* path, std::uint64_t fileSize);
std::string SendEndPJLCommand();
