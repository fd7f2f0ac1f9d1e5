// What both tab pages share: the page descriptor, the dialog procedure that
// binds the page object to its window and unpacks the messages both pages
// answer alike (sheet notifications, context help, dropped files, timers,
// commands), the skinned background, and the control helpers of their
// initialisation and data exchange.
#pragma once
#include <windows.h>
#include <prsht.h>
#include <shellapi.h>

#include <cstddef>
#include <string>

#include "ui/skin/skin_gdi.h"

// A label a page sets from its section of the localized file.
struct OptsLabel {
    int id;
    const char* key;
    const char* text;
    // The ampersands are characters to show, not a mnemonic marker.
    bool showAmpersands = false;
};

// One row of a page's command table: the control, the notification code and the
// page's reaction.
template <class Page>
struct OptsCommand {
    int id;
    int code;
    void (Page::*handler)();
};

class COptsPage {
public:
    // `textSection` is the page's section of the localized file; `helpMap` its
    // control -> help topic pairs, ending with a pair of zeros.
    COptsPage(int templateId, const char* traceName, const char* textSection, const DWORD* helpMap);
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
    // A message of the page window the page handles itself; true when handled,
    // with the window's answer. Whatever it leaves goes to the handlers below
    // and then to the background.
    virtual bool OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    // PSN_SETACTIVE; the sheet is told to go ahead.
    virtual void OnSetActive() = 0;
    // PSN_APPLY; the page refuses it, since the sheet's Print does the sending.
    virtual void OnApply() = 0;
    virtual void OnDropFiles(HDROP drop) = 0;
    // WM_TIMER; true for a timer of the page.
    virtual bool OnTimer(UINT_PTR) { return false; }
    // WM_COMMAND; true when the page reacts to this control and code.
    virtual bool OnCommand(int, int) { return false; }

    template <class Page, std::size_t N>
    static bool DispatchCommand(Page* page, const OptsCommand<Page> (&table)[N], int id, int code) {
        for (const OptsCommand<Page>& row : table)
            if (row.id == id && row.code == code) {
                (page->*row.handler)();
                return true;
            }
        return false;
    }

    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }
    // A text of the page's section, cut to the usual text size.
    std::string PageText(const char* key, const char* defaultText) const;
    // Writes the log line of the localized file, then sets the labels in order.
    void SetLabels(const OptsLabel* labels, std::size_t count);
    template <std::size_t N>
    void SetLabels(const OptsLabel (&labels)[N]) { SetLabels(labels, N); }
    // The stock GUI font on these controls.
    void SetGuiFont(const int* ids, std::size_t count);
    template <std::size_t N>
    void SetGuiFont(const int (&ids)[N]) { SetGuiFont(ids, N); }
    // Runs the page's own reaction to a click on this button.
    void ClickButton(int id);
    // Shows this bitmap in a picture control, freeing the one it replaces.
    void SetPicture(HWND picture, int bitmapId);
    void RestartTimer(UINT_PTR id, UINT delay) { SetTimer(m_hwnd, id, delay, nullptr); }

    // A radio group is exchanged as the index of its checked button, -1 when
    // none is checked.
    int SaveRadioGroup(const int* ids, int count) const;
    void LoadRadioGroup(const int* ids, int count, int value);
    // An edit's text as an integer; false when it is not a number (value 0).
    bool ReadEditInt(int id, int& value) const;
    void LoadEditInt(int id, int value) { SetDlgItemInt(m_hwnd, id, static_cast<UINT>(value), TRUE); }
    // Saves a numeric edit into `field`. Not a number: a beep and the focus back
    // on the edit. Outside lo..hi: fails; with a `correction` the edit shows it
    // and takes the focus, without one its text stays.
    bool SaveEditInt(int id, int& field, int lo, int hi, const char* correction);

    HWND m_hwnd = nullptr;
    bool m_bInitialized = false;

private:
    static UINT CALLBACK PropPageCallback(HWND, UINT msg, PROPSHEETPAGEA*);
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    bool OnPageMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    bool OnSheetNotify(UINT code, LRESULT& result);
    // Context help for a control of the page, with the page's help map.
    void ShowContextHelp(HWND window, LPARAM screenPoint);

    PROPSHEETPAGEA m_psp{};
    std::string m_title;
    const char* m_traceName;
    const char* m_textSection;
    const DWORD* m_helpMap;
    skin::CSkinBackground m_background;
};

// Help topics of a control: 0x20000 plus the id of the control the topic describes.
constexpr DWORD HelpTopic(int controlId) { return 0x20000u + static_cast<DWORD>(controlId); }
