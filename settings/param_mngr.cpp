#include "settings/param_mngr.h"

#include <new>

#include "base/debug_log.h"
#include "settings/english_locale.h"

CParamMngr* CParamMngr::s_pInstance = nullptr;

namespace {
bool InRange(int value, int low, int high) { return value >= low && value <= high; }
}  // namespace

CParamMngr* CParamMngr::create() {
    DebugLog("-> %s", "CParamMngr::create");
    if (s_pInstance != nullptr) {
        DebugLog("CParamMngr::create: instnace already exists!");
        return s_pInstance;
    }
    // The catalogues allocate too: any failure leaves the instance absent.
    try {
        s_pInstance = new CParamMngr();
    } catch (const std::bad_alloc&) {
        s_pInstance = nullptr;
    }
    return s_pInstance;
}

CParamMngr* CParamMngr::GetInstance() { return s_pInstance; }

void CParamMngr::release() {
    DebugLog("-> %s", "CParamMngr::release");
    delete s_pInstance;
    s_pInstance = nullptr;
}

CParamMngr::CParamMngr()
    : m_arrPaperSize(BuildPaperSizeCatalog(IsEnglishLocale())), m_arrPaperType(BuildPaperTypeCatalog()) {}

CParamMngr::~CParamMngr() { DebugLog("-> %s", "~CParaMnger"); }

void CParamMngr::ApplyStartupDefaults() {
    SetColorMode(0);
    SetResolution(1);
    SetZoom(100);
    SetZoomFit(0);
    SetPaperSize(0);
    SetPaperType(0);
    SetCopies(1);
    SetOrientation(0);
    SetPrintRange(0);
    SetPageRange(1, 1);
}

#define RANGE_SETTER(Name, field, low, high) \
    bool CParamMngr::Name(int value) {        \
        if (!InRange(value, low, high)) return false; \
        field = value;                        \
        return true;                          \
    }

RANGE_SETTER(SetPrintRange, m_nPrintRange, 0, 1)
RANGE_SETTER(SetFromPage, m_nFromPage, 0, 9999)
RANGE_SETTER(SetToPage, m_nToPage, 0, 9999)
RANGE_SETTER(SetCopies, m_nCopies, 1, 99)
RANGE_SETTER(SetOrientation, m_nOrientation, 0, 1)
RANGE_SETTER(SetPaperSize, m_nPaperSize, 0, kPaperSizeCount - 1)
RANGE_SETTER(SetPaperType, m_nPaperType, 0, kPaperTypeCount - 1)
RANGE_SETTER(SetResolution, m_nResolution, 0, 1)
RANGE_SETTER(SetColorMode, m_nColorMode, 0, 1)
#undef RANGE_SETTER

bool CParamMngr::SetPageRange(int from, int to) {
    if (!InRange(from, 0, 9999) || !InRange(to, 0, 9999)) return false;
    m_nFromPage = from;
    m_nToPage = to;
    return true;
}

bool CParamMngr::SetZoomFit(int value) {
    m_bZoomFit = value;
    return true;
}

bool CParamMngr::SetZoom(int value) {
    DebugLog("CParamMngr::SetZoom : %d", value);
    if (!InRange(value, 50, 200)) {
        DebugLog("CParamMngr::SetZoom : return FALSE");
        return false;
    }
    m_nZoom = value;
    DebugLog("CParamMngr::SetZoom : return TRUE");
    return true;
}

// The setters keep both indices inside the catalogues; the catalogues always
// hold their full count of entries.
std::string CParamMngr::GetPaperSizeName() const { return m_arrPaperSize[m_nPaperSize].m_strName; }
std::string CParamMngr::GetPaperSizePJL() const { return m_arrPaperSize[m_nPaperSize].m_strPJL; }
std::int16_t CParamMngr::GetPaperWidthMM() const { return m_arrPaperSize[m_nPaperSize].m_nWidthMM; }
std::int16_t CParamMngr::GetPaperHeightMM() const { return m_arrPaperSize[m_nPaperSize].m_nHeightMM; }
double CParamMngr::GetPaperWidthInch() const { return m_arrPaperSize[m_nPaperSize].m_width.value; }
double CParamMngr::GetPaperHeightInch() const { return m_arrPaperSize[m_nPaperSize].m_height.value; }
std::string CParamMngr::GetPaperTypeName() const { return m_arrPaperType[m_nPaperType].m_strName; }
std::string CParamMngr::GetPaperTypePJL() const { return m_arrPaperType[m_nPaperType].m_strPJL; }

std::string CParamMngr::FormatPaperListEntry(int index) const {
    if (!InRange(index, 0, kPaperSizeCount - 1)) return std::string();
    bool english = IsEnglishLocale();
    return ::FormatPaperListEntry(m_arrPaperSize[index], index, english, GetPaperUnitText(english));
}

std::string CParamMngr::FormatPaperPreviewLabel() const {
    bool english = IsEnglishLocale();
    return ::FormatPaperPreviewLabel(m_arrPaperSize[m_nPaperSize], m_nPaperSize, english,
                                     GetPaperUnitText(english));
}
