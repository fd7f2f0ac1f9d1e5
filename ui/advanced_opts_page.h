// The Advanced tab: paper size and media type, print quality, colour mode and
// scaling. Files dropped here go to the Basic tab.
#pragma once
#include "ui/opts_page_base.h"
#include "ui/settings_preview.h"

class CAdvancedOptsPage : public COptsPage {
public:
    CAdvancedOptsPage();
    bool ExchangeData(bool save) override;

protected:
    INT_PTR OnInitDialog() override;
    void OnSetActive() override;
    void OnApply() override;
    // Forwarded to the Basic tab, which checks and lists the files.
    void OnDropFiles(HDROP drop) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnCommand(int id, int code) override;

private:
    void LoadLocalizedString();
    void FillPaperSizeList();
    void FillPaperTypeList();
    void SetDefaultOption();
    void OnSelchangeComboPaperSize();
    void OnSelchangeComboPaperType();
    void OnClickedRadioColorMode();
    void OnClickedRadioResolution();
    void OnClickedCheckZoomFit();
    void OnChangeEditCopies();
    void OnChangeEditZoom();
    void OnZoomTimer();
    void RedrawPreview() { m_preview.Redraw(); }

    skin::CSkinButton m_btnDefault;
    skin::CNumericEdit m_editZoom;
    CSettingsPreview m_preview;
    HWND m_hPictureColor = nullptr, m_hPictureResolution = nullptr;
    HWND m_hComboPaperSize = nullptr, m_hComboPaperType = nullptr, m_hEditZoom = nullptr;
};
