// CParamMngr: the one in-memory store of the options of the job being prepared,
// and owner of the paper-size and media-type catalogues. Nothing is persisted.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "settings/paper_catalog.h"

class CParamMngr {
public:
    // The process-wide instance: create() makes it (or returns the existing one
    // untouched), GetInstance() returns it or nullptr, release() destroys it.
    static CParamMngr* create();
    static CParamMngr* GetInstance();
    static void release();

    // The start-up defaults, in their fixed order (the sheet sets and traces the
    // zoom once before them).
    void ApplyStartupDefaults();

    // Range-testing setters: on failure the field keeps its value.
    bool SetPrintRange(int value);          // 0-1
    bool SetFromPage(int value);            // 0-9999
    bool SetToPage(int value);              // 0-9999
    bool SetPageRange(int from, int to);    // both 0-9999, or neither is stored
    bool SetCopies(int value);              // 1-99
    bool SetOrientation(int value);         // 0-1
    bool SetPaperSize(int value);           // 0-16
    bool SetPaperType(int value);           // 0-10
    bool SetResolution(int value);          // 0-1
    bool SetColorMode(int value);           // 0-1
    bool SetZoomFit(int value);             // any value; only 1 means fit
    bool SetZoom(int value);                // 50-200

    int GetPrintRange() const { return m_nPrintRange; }
    int GetFromPage() const { return m_nFromPage; }
    int GetToPage() const { return m_nToPage; }
    int GetCopies() const { return m_nCopies; }
    int GetOrientation() const { return m_nOrientation; }
    int GetPaperSize() const { return m_nPaperSize; }
    int GetPaperType() const { return m_nPaperType; }
    int GetResolution() const { return m_nResolution; }
    int GetColorMode() const { return m_nColorMode; }
    int GetZoomFit() const { return m_bZoomFit; }
    int GetZoom() const { return m_nZoom; }

    // The fields the tabs' data exchange reads and writes in place, with its
    // own checks. Paper size and media type change only through their setters.
    int& PrintRangeRef() { return m_nPrintRange; }
    int& FromPageRef() { return m_nFromPage; }
    int& ToPageRef() { return m_nToPage; }
    int& CopiesRef() { return m_nCopies; }
    int& OrientationRef() { return m_nOrientation; }
    int& ColorModeRef() { return m_nColorMode; }
    int& ResolutionRef() { return m_nResolution; }
    int& ZoomRef() { return m_nZoom; }
    int& ZoomFitRef() { return m_bZoomFit; }

    // The current paper size (entry at m_nPaperSize) and media type.
    std::string GetPaperSizeName() const;
    std::string GetPaperSizePJL() const;
    std::int16_t GetPaperWidthMM() const;
    std::int16_t GetPaperHeightMM() const;
    double GetPaperWidthInch() const;
    double GetPaperHeightInch() const;
    std::string GetPaperTypeName() const;
    std::string GetPaperTypePJL() const;

    // Display texts; the locale and the unit text are looked up on each call.
    // The list entry of a catalogue index (the current one without an argument)
    // and the preview label of the current paper size.
    std::string FormatPaperListEntry(int index) const;
    std::string FormatPaperListEntry() const { return FormatPaperListEntry(m_nPaperSize); }
    std::string FormatPaperPreviewLabel() const;

private:
    CParamMngr();
    ~CParamMngr();
    CParamMngr(const CParamMngr&) = delete;
    CParamMngr& operator=(const CParamMngr&) = delete;

    int m_nPrintRange = 0;
    int m_nFromPage = 0;
    int m_nToPage = 0;
    int m_nCopies = 0;
    int m_nOrientation = 0;
    int m_nPaperSize = 0;
    int m_nPaperType = 0;
    int m_nResolution = 0;
    int m_nColorMode = 0;
    int m_bZoomFit = 0;
    int m_nZoom = 0;

    std::vector<PaperSizeEntry> m_arrPaperSize;
    std::vector<PaperTypeEntry> m_arrPaperType;

    static CParamMngr* s_pInstance;
};
