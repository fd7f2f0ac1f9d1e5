// Drives a running Orvex.exe from outside its process: finds the sheet, the two
// tab pages and the message boxes, reads and sets controls with messages, and
// reads the jobs that the bench's queues captured.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/bench/bench_queues.h"

// Names and arguments are UTF-8 in the tests and Unicode towards the program.
std::wstring Utf8ToWide(const std::string& text);

using bench::WinePath;

class OrvexDriver {
public:
    ~OrvexDriver() { Stop(); }

    // Starts the program with `arguments` (UTF-8, the text after the program name) and
    // extra environment entries ("NAME=value").
    bool Start(const std::string& arguments, const std::vector<std::string>& extraEnv = {});
    // Closes the sheet (or kills the process after a few seconds).
    void Stop();
    bool Running() const;

    // The sheet once it is visible and (`checked`) the chosen printer's check is
    // over; nullptr after `timeoutMs`.
    HWND WaitSheet(DWORD timeoutMs = 20000, bool checked = true);
    // The Basic tab's line under the printer: its state, or "Checking…" while its check runs.
    std::wstring PrinterStateLine() const;
    bool Checking() const;
    // Waits (at most `timeoutMs`) until the chosen printer's check is over.
    bool WaitChecked(DWORD timeoutMs = 20000) const;
    HWND Sheet() const { return m_sheet; }
    // The page window holding the control `id` (1034: Basic, 1014: Advanced).
    HWND Page(int id) const;
    HWND Basic() const { return Page(1034); }
    HWND Advanced() const { return Page(1014); }
    HWND Control(HWND page, int id) const { return page ? GetDlgItem(page, id) : nullptr; }

    // A visible message box of the program; nullptr after `timeoutMs`.
    HWND WaitMessageBox(DWORD timeoutMs);
    std::string MessageText(HWND box) const;
    // Presses OK and waits until the box is gone.
    bool CloseMessageBox(HWND box);
    // Every message shown until none follows within `quietMs`, each answered with OK.
    // `each` runs for every box before it is answered (a screenshot, say).
    std::vector<std::string> DrainMessages(DWORD firstTimeoutMs, DWORD quietMs,
                                           const std::function<void(size_t index, HWND box)>& each = {});

    // Controls.
    std::string Text(HWND window) const;
    void SetEditText(HWND page, int id, const std::string& text);  // as if typed, one character at a time
    void Click(HWND page, int id);  // BN_CLICKED as the button sends it; returns when handled
    void Press(HWND page, int id);  // the same, posted: returns at once (for buttons that open a dialog)
    void ClickRadio(HWND page, int id);                             // BM_CLICK
    bool SelectCombo(HWND page, int id, int index);                 // CB_SETCURSEL + CBN_SELCHANGE
    int ComboSelection(HWND page, int id) const;
    std::string ComboText(HWND page, int id, int index) const;
    int ComboCount(HWND page, int id) const;
    bool ShowTab(int index);
    bool Print();
    bool PrintButtonShown() const;

    // The Basic tab's file list.
    std::vector<std::string> ListedFiles() const;
    void SelectRows(const std::vector<int>& rows);
    // Drops files (UTF-8 paths) on a page as the shell would (a wide DROPFILES block in the program's memory).
    bool DropFiles(HWND page, const std::vector<std::string>& paths);

    // Another top-level window of the program holding a control `id` (the open dialog).
    HWND WaitWindowWith(int id, DWORD timeoutMs) const;
    DWORD ProcessId() const { return m_pi.dwProcessId; }

    // Waits (at most `timeoutMs`) until the program has handled what it was
    // sent and every window of the sheet has painted.
    void Settle(DWORD timeoutMs = 5000) const;
    // Waits (at most `timeoutMs`) until neither `window` nor a window inside it waits to be painted.
    bool WaitPainted(HWND window, DWORD timeoutMs = 5000) const;
    // The control's text once it reads `expected`, or its last text after `timeoutMs`.
    std::string WaitText(HWND window, const std::string& expected, DWORD timeoutMs = 5000) const;
    // How long the sheet left WM_NULL unanswered (ms): its longest wait, and the
    // most that one wait lasted beyond the longest stall of an idle window of the
    // driver's own at the same moments. On a busy machine every window waits for a
    // core; only the excess is the sheet's own.
    struct Answering {
        DWORD longest = 0;
        DWORD beyondIdle = 0;
    };
    // Sends the sheet WM_NULL every 20 ms until `until` holds or `timeoutMs` have passed.
    Answering LongestUnanswered(const std::function<bool()>& until, DWORD timeoutMs) const;
    // Real key presses (SendInput) to the sheet, brought to the front first: the keys
    // of `chord` pressed in order and released in reverse ({VK_MENU, 'C'} is Alt+C).
    void Keys(const std::vector<WORD>& chord);
    // The window that holds the keyboard focus in the sheet's thread.
    HWND Focused() const;
    // The screen's pixels (0x00RRGGBB) in `r` (screen coordinates), row by row.
    static std::vector<DWORD> ScreenPixels(const RECT& r);
    // Whether a message box shows the system icon `icon` (IDI_*): every opaque
    // pixel of it, as this process draws it, is on the screen where the box has it.
    bool ShowsSystemIcon(HWND box, LPCSTR icon) const;
    // Writes the screen around `around` (by default the sheet; else the whole screen) as a BMP file.
    bool Screenshot(const std::string& path, HWND around = nullptr) const;

private:
    PROCESS_INFORMATION m_pi{};
    HWND m_sheet = nullptr;
};

// Polls `condition` until it holds (true) or `timeoutMs` have passed (false).
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs);

// Paths in UTF-8.
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
