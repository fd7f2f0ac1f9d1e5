// The Basic tab: the printer, the list of files, the print range, the copies
// and the orientation. It decides from the printer's device ID whether the
// printer can be used, which files may be listed and whether Print is shown.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/lookup/printer_state_query.h"
#include "device/printer_state.h"
#include "ui/opts_page_base.h"
#include "ui/settings_preview.h"

class CTestPrint;
class CParamMngr;
class PrinterCheckMailbox;

// What the command line asks of the tab: its file tokens in order, the printer
// named with -M, and how many file tokens were dropped for their length.
struct CommandLineRequest {
    std::vector<std::wstring> files;
    std::wstring printerName;
    int nTooLongFiles = 0;
};

class CBasicOptsPage : public COptsPage {
public:
    CBasicOptsPage();
    ~CBasicOptsPage() override;

    // The entry's parse of the command line. The page runs it once while it
    // initialises, so the parser's trace lines stay among the page's own.
    void SetCommandLine(std::function<CommandLineRequest()> parse) { m_parseCommandLine = std::move(parse); }
    // The sheet's spooler object (not owned). Without one the page makes its own
    // when it initialises.
    void SetTestPrint(CTestPrint* printer) { m_pTestPrint = printer; }

    HWND FileList() const;  // the list view of files, nullptr before the page exists
    int GetFileCount() const;
    std::string GetFilePath(int row) const;
    // Deletes these rows (any order), the highest first.
    void RemoveFiles(std::vector<int> rows);

    bool ExchangeData(bool save) override;
    bool UpdateBasicData();
    // The last check's supported-language set (0 none, -1 unreadable, -2 no printer).
    int GetSupportedTypes() const { return m_nSupportedTypes; }
    // The chosen printer's check is still running: nothing is known of it yet.
    bool Checking() const { return m_bChecking; }
    // What the chosen printer said of its state in its check.
    const PrinterState& GetPrinterState() const { return m_printerState; }
    // Where that printer can be asked again after a send (nothing known: no network printer).
    const StateTarget& GetStateTarget() const { return m_stateTarget; }

    // Files dropped on either tab.
    void OnDropFiles(HDROP drop) override;

    // The messages of the page: kinds 1 to 4, and the kinds below.
    void ShowErrorMessage(int kind);

    // The supported-language check (also used at initialisation and by Default).
    int CheckSupportedTypes();
    int OnSelchangeComboPrinterlist();
    bool IsSupportedFile(const char* path) const;

protected:
    INT_PTR OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void OnSetActive() override;
    void OnApply() override;
    bool OnTimer(UINT_PTR id) override;
    bool OnCommand(int id, int code) override;

private:
    void LoadLocalizedString();
    void SetBasicDefaultOption();
    void AddCommandLineFiles();
    void OnClickedButtonBrowse();
    void OnClickedButtonRemove();
    void AppendFile(const char* path);
    // Appends the path when the printer takes it, else shows message `refusedKind`.
    void OfferFile(const std::string& path, int refusedKind);
    // A name the user gave in Unicode (a shortcut is first replaced by its
    // target): offered under its ANSI name, or refused when it has none. Paths
    // over 259 characters are counted in `tooLong` for one message per batch.
    void OfferNamedFile(const std::wstring& name, int refusedKind, int& tooLong);
    void TellPathsTooLong(int count);
    // The message for a dropped file the printer does not take.
    int DropRefusal() const;
    void GetSystemImageList(const char* samplePath);
    static int GetIconIndex(const char* path);
    void OnInsertitemListFile();
    LRESULT OnCustomdrawList(NMLVCUSTOMDRAW* draw);
    void OnChangeEditFrom();
    void OnChangeEditTo();
    // A change of the from or to edit: corrects what the exchange refused.
    void OnChangeRangeEdit(int editId, UINT_PTR timerId, int (CParamMngr::*get)() const, bool (CParamMngr::*set)(int),
                           int (CParamMngr::*other)() const);
    void OnClickedButtonDefault();
    void OnChangeEditCopies();
    void OnKillfocusEditCopies();
    void OnClickedRadioPrintRange();
    void OnClickedRadioOrientation();
    bool OnNotify(NMHDR* header, LRESULT& result);
    // Starts the current printer's check on a thread of its own; its outcome comes back as kCheckArrived.
    void StartCheck(bool printerChange);
    void OnCheckArrived();
    void ApplyCheck(int nSupportedTypes, bool printerChange);
    void ShowPrinterState(const char* key, const char* english);
    void ShowPrintButton(bool show);
    void RedrawPreview() { m_preview.Redraw(); }

    std::function<CommandLineRequest()> m_parseCommandLine;
    std::vector<std::wstring> m_arrCmdLineFiles;
    int m_nTooLongCmdLinePaths = 0;
    std::string m_strPrinterName;
    int m_nSupportedTypes = -2;

    CTestPrint* m_pTestPrint = nullptr;
    std::unique_ptr<CTestPrint> m_pOwnTestPrint;
    std::shared_ptr<PrinterCheckMailbox> m_checks;
    bool m_bChecking = false;
    bool m_bCheckAfterChange = false;   // the running check follows a choice in the list
    bool m_bCmdLineFilesWait = false;   // offered once the first check is known
    std::vector<std::wstring> m_arrDropsWaiting;   // dropped while the check ran
    PrinterState m_printerState;
    StateTarget m_stateTarget;

    skin::CSkinButton m_btnDefault, m_btnRemove, m_btnBrowse;
    skin::CSkinListView m_listFile;
    skin::CNumericEdit m_editCopies, m_editFrom, m_editTo;
    CSettingsPreview m_preview;
    HWND m_hComboPrinter = nullptr;
    HWND m_hPictureOrientation = nullptr;
};
