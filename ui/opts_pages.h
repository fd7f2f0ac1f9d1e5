// The two tab pages of the main sheet: their page descriptors, templates,
// titles and background. The controls' logic belongs to the pages' own code.
#pragma once
#include <windows.h>
#include <prsht.h>

#include <string>

#include "ui/skin/skin_gdi.h"

class COptsPage {
public:
    COptsPage(int templateId, const char* traceName);
    virtual ~COptsPage() = default;
    COptsPage(const COptsPage&) = delete;
    COptsPage& operator=(const COptsPage&) = delete;

    void SetTitle(const char* title) { m_title = title; }
    HPROPSHEETPAGE Create();  // CreatePropertySheetPageA from the descriptor
    HWND Window() const { return m_hwnd; }
    bool IsInitialized() const { return m_bInitialized; }

    // Data exchange with the settings (save = controls to settings).
    virtual bool ExchangeData(bool save) { (void)save; return true; }

protected:
    virtual void OnInitDialog() {}
    HWND m_hwnd = nullptr;
    bool m_bInitialized = false;

private:
    static UINT CALLBACK PropPageCallback(HWND, UINT msg, PROPSHEETPAGEA*);
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    PROPSHEETPAGEA m_psp{};
    std::string m_title;
    const char* m_traceName;
    skin::CSkinBackground m_background;
};

class CBasicOptsPage : public COptsPage {
public:
    CBasicOptsPage();
    void SetCommandLine(const char* text) { m_strCommandLine = text ? text : ""; }
    const std::string& CommandLine() const { return m_strCommandLine; }
    HWND FileList() const;          // the list view of files, nullptr before the page exists
    bool UpdateBasicData() { return ExchangeData(true); }
private:
    std::string m_strCommandLine;
};

class CAdvancedOptsPage : public COptsPage {
public:
    CAdvancedOptsPage();
};
