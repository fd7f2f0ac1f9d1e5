// What both tab pages share: the page descriptor, the dialog procedure that
// binds the page object to its window, and the skinned background.
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
    virtual bool ExchangeData(bool save) = 0;

protected:
    // WM_INITDIALOG; the answer goes back to the dialog manager.
    virtual INT_PTR OnInitDialog() = 0;
    // A message of the page window; true when handled, with the window's answer.
    virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) = 0;

    // Context help for a control of the page, with the page's help map.
    void ShowContextHelp(const char* traceName, HWND window, LPARAM screenPoint, const DWORD* helpMap);

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

// The radio groups and numbers of both tabs' data exchange. A group is saved as
// the index of its checked button, -1 when none is checked.
int SaveRadioGroup(HWND page, const int* ids, int count);
void LoadRadioGroup(HWND page, const int* ids, int count, int value);
// An edit's text as an integer; false when it is not a number (value 0).
bool ReadEditInt(HWND page, int id, int& value);

// Help topics of a control: 0x20000 plus the id of the control the topic describes.
constexpr DWORD HelpTopic(int controlId) { return 0x20000u + static_cast<DWORD>(controlId); }
