#include "tests/tabs/orvex_driver.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

constexpr int kMessageTextId = 1054;
constexpr int kPrinterStateId = 1056;
const wchar_t kCheckingText[] = L"Checking\u2026";

struct Search {
    DWORD pid;
    bool (*match)(HWND);
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == s->pid && s->match(hwnd)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

bool IsSheet(HWND hwnd) {
    return IsWindowVisible(hwnd) && !GetDlgItem(hwnd, kMessageTextId) &&
           SendMessageA(hwnd, PSM_GETTABCONTROL, 0, 0) != 0;
}

bool IsMessageBox(HWND hwnd) { return IsWindowVisible(hwnd) && GetDlgItem(hwnd, kMessageTextId) != nullptr; }

struct ChildSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindChild(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<ChildSearch*>(lp);
    if (GetDlgCtrlID(hwnd) == s->id) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

double NowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return frequency.QuadPart / 1000.0;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart / ticksPerMs;
}

// A window of the driver's own that only answers, on its own thread, asked
// WM_NULL every few ms by another: the stalls it sees are the machine's, not a program's.
class IdleWindow {
public:
    IdleWindow() {
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_window = std::thread([this, ready] {
            m_hwnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
            m_windowThread = GetCurrentThreadId();
            SetEvent(ready);
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
            DestroyWindow(m_hwnd);
        });
        WaitForSingleObject(ready, INFINITE);
        CloseHandle(ready);
        m_answers.push_back(NowMs());
        m_asker = std::thread([this] {
            while (!m_stop) {
                DWORD_PTR result = 0;
                SendMessageTimeoutA(m_hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 120000, &result);
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_answers.push_back(NowMs());
                }
                Sleep(2);
            }
        });
    }
    ~IdleWindow() {
        m_stop = true;
        m_asker.join();
        PostThreadMessageA(m_windowThread, WM_QUIT, 0, 0);
        m_window.join();
    }
    // The longest time within [from, to] between two of the idle window's answers.
    double LongestStall(double from, double to) {
        std::lock_guard<std::mutex> lock(m_mutex);
        double longest = 0, previous = from;
        auto it = std::upper_bound(m_answers.begin(), m_answers.end(), from);
        for (; it != m_answers.end() && previous < to; ++it) {
            longest = std::max(longest, std::min(*it, to) - previous);
            previous = *it;
        }
        return std::max(longest, to - previous);
    }

private:
    std::thread m_window, m_asker;
    HWND m_hwnd = nullptr;
    DWORD m_windowThread = 0;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<double> m_answers;
};

}  // namespace

std::wstring Utf8ToWide(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return wide;
}

std::string ReadWholeFile(const std::string& path) {
    std::string text;
    if (FILE* f = _wfopen(Utf8ToWide(path).c_str(), L"rb")) {
        char buffer[8192];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
        std::fclose(f);
    }
    return text;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    FILE* f = _wfopen(Utf8ToWide(path).c_str(), L"wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(20);
    }
}

bool OrvexDriver::Start(const std::string& arguments, const std::vector<std::string>& extraEnv) {
    Stop();
    // ORVANE_TABS_ORVEX: another build of the program (say, to measure an older one).
    const char* other = std::getenv("ORVANE_TABS_ORVEX");
    const std::string exe = other ? other : WinePath(ORVEX_EXE);
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    // The environment block: ours plus the extra entries.
    // An extra entry replaces ours of the same name (the first of two would win).
    auto overridden = [&](const char* e) {
        for (const std::string& x : extraEnv) {
            const size_t eq = x.find('=');
            if (eq != std::string::npos && _strnicmp(e, x.c_str(), eq + 1) == 0) return true;
        }
        return false;
    };
    std::string block;
    if (char* env = GetEnvironmentStringsA()) {
        for (const char* e = env; *e; e += std::strlen(e) + 1)
            if (!overridden(e)) block.append(e).push_back('\0');
        FreeEnvironmentStringsA(env);
    }
    for (const std::string& e : extraEnv) block.append(e).push_back('\0');
    block.push_back('\0');
    // A Unicode command line, as the file manager starts programs.
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring cmd = Utf8ToWide(commandLine);
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, block.data(), nullptr, &si, &m_pi)) {
        m_pi = {};
        return false;
    }
    WaitForInputIdle(m_pi.hProcess, 5000);
    return true;
}

bool OrvexDriver::Running() const {
    return m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

void OrvexDriver::Stop() {
    if (!m_pi.hProcess) return;
    if (Running()) {
        // Message boxes first: they would keep the sheet's modal loop alive.
        for (int i = 0; i < 20; ++i) {
            HWND box = WaitMessageBox(0);
            if (!box) break;
            CloseMessageBox(box);
        }
        if (m_sheet && IsWindow(m_sheet)) PostMessageA(m_sheet, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(m_pi.hProcess, 8000) != WAIT_OBJECT_0) TerminateProcess(m_pi.hProcess, 99);
        WaitForSingleObject(m_pi.hProcess, 5000);
    }
    CloseHandle(m_pi.hProcess);
    CloseHandle(m_pi.hThread);
    m_pi = {};
    m_sheet = nullptr;
}

HWND OrvexDriver::WaitSheet(DWORD timeoutMs, bool checked) {
    const DWORD start = GetTickCount();
    for (;;) {
        Search s{m_pi.dwProcessId, IsSheet, nullptr};
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&s));
        if (s.found) {
            m_sheet = s.found;
            const DWORD spent = GetTickCount() - start;
            if (checked && !WaitChecked(spent < timeoutMs ? timeoutMs - spent : 0)) return nullptr;
            return m_sheet;
        }
        if (GetTickCount() - start >= timeoutMs || !Running()) return nullptr;
        Sleep(50);
    }
}

std::wstring OrvexDriver::PrinterStateLine() const {
    WCHAR text[256] = L"";
    DWORD_PTR ignored = 0;
    if (HWND line = Control(Basic(), kPrinterStateId))
        SendMessageTimeoutW(line, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &ignored);
    return text;
}

bool OrvexDriver::Checking() const { return PrinterStateLine() == kCheckingText; }

bool OrvexDriver::WaitChecked(DWORD timeoutMs) const {
    return WaitFor([&] { return Basic() && !Checking(); }, timeoutMs);
}

HWND OrvexDriver::Page(int id) const {
    if (!m_sheet) return nullptr;
    ChildSearch s{id, nullptr};
    EnumChildWindows(m_sheet, FindChild, reinterpret_cast<LPARAM>(&s));
    return s.found ? GetParent(s.found) : nullptr;
}

HWND OrvexDriver::WaitMessageBox(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        Search s{m_pi.dwProcessId, IsMessageBox, nullptr};
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        if (GetTickCount() - start >= timeoutMs || !Running()) return nullptr;
        Sleep(20);
    }
}

std::string OrvexDriver::MessageText(HWND box) const { return Text(GetDlgItem(box, kMessageTextId)); }

bool OrvexDriver::CloseMessageBox(HWND box) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(20);
    return !IsWindow(box) || !IsWindowVisible(box);
}

std::vector<std::string> OrvexDriver::DrainMessages(DWORD firstTimeoutMs, DWORD quietMs,
                                                   const std::function<void(size_t, HWND)>& each) {
    std::vector<std::string> texts;
    DWORD wait = firstTimeoutMs;
    while (HWND box = WaitMessageBox(wait)) {
        texts.push_back(MessageText(box));
        if (each) each(texts.size() - 1, box);
        CloseMessageBox(box);
        wait = quietMs;
    }
    return texts;
}

std::string OrvexDriver::Text(HWND window) const {
    if (!window) return std::string();
    char text[1024] = "";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        &ignored);
    return text;
}

// Sent, not posted: when the call returns the program has handled it (a
// message box it opens meanwhile would end the wait after five seconds).
static LRESULT SendAndWait(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

void OrvexDriver::SetEditText(HWND page, int id, const std::string& text) {
    HWND edit = Control(page, id);
    SendAndWait(edit, EM_SETSEL, 0, -1);
    if (text.empty()) {
        SendAndWait(edit, WM_CHAR, VK_BACK, 0);
    } else {
        for (char ch : text) SendAndWait(edit, WM_CHAR, static_cast<unsigned char>(ch), 1);
    }
    Settle();
}

void OrvexDriver::Click(HWND page, int id) {
    SendAndWait(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(page, id)));
    Settle();
}

void OrvexDriver::Press(HWND page, int id) {
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(page, id)));
}

void OrvexDriver::ClickRadio(HWND page, int id) {
    SendAndWait(Control(page, id), BM_CLICK, 0, 0);
    Settle();
}

bool OrvexDriver::SelectCombo(HWND page, int id, int index) {
    HWND combo = Control(page, id);
    if (SendAndWait(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0) != index) return false;
    SendAndWait(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    Settle();
    return true;
}

int OrvexDriver::ComboSelection(HWND page, int id) const {
    return static_cast<int>(SendMessageA(Control(page, id), CB_GETCURSEL, 0, 0));
}

int OrvexDriver::ComboCount(HWND page, int id) const {
    return static_cast<int>(SendMessageA(Control(page, id), CB_GETCOUNT, 0, 0));
}

std::string OrvexDriver::ComboText(HWND page, int id, int index) const {
    // Across processes the A message answers in UTF-16: ask in W.
    WCHAR wide[512] = L"";
    SendMessageW(Control(page, id), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide));
    char text[1024] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

bool OrvexDriver::ShowTab(int index) {
    DWORD_PTR r = 0;
    const bool ok = SendMessageTimeoutA(m_sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG,
                                        10000, &r) != 0;
    Settle();
    return ok;
}

bool OrvexDriver::Print() {
    HWND print = GetDlgItem(m_sheet, IDOK);
    return PostMessageA(m_sheet, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(print)) != FALSE;
}

bool OrvexDriver::PrintButtonShown() const {
    HWND print = GetDlgItem(m_sheet, IDOK);
    return print && (GetWindowLongA(print, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::vector<std::string> OrvexDriver::ListedFiles() const {
    std::vector<std::string> rows;
    HWND list = Control(Basic(), 1005);
    if (!list) return rows;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    // LVM_GETITEMTEXT needs its record and buffer inside the program's memory.
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 m_pi.dwProcessId);
    if (!process) return rows;
    const size_t textSize = 520;
    char* remote = static_cast<char*>(
        VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + textSize, MEM_COMMIT, PAGE_READWRITE));
    for (int i = 0; remote && i < count; ++i) {
        LVITEMA item{};
        item.iSubItem = 0;
        item.cchTextMax = static_cast<int>(textSize);
        item.pszText = remote + sizeof(LVITEMA);
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote));
        char text[520] = "";
        ReadProcessMemory(process, remote + sizeof(LVITEMA), text, textSize, nullptr);
        text[textSize - 1] = '\0';
        rows.push_back(text);
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return rows;
}

void OrvexDriver::SelectRows(const std::vector<int>& rows) {
    HWND list = Control(Basic(), 1005);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 m_pi.dwProcessId);
    if (!process) return;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(LVITEMA), MEM_COMMIT, PAGE_READWRITE);
    auto set = [&](int row, UINT state) {
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED;
        item.state = state;
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
    };
    if (remote) {
        set(-1, 0);  // every row unselected first
        for (int row : rows) set(row, LVIS_SELECTED);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
}

bool OrvexDriver::DropFiles(HWND page, const std::vector<std::string>& paths) {
    std::string block(sizeof(DROPFILES), '\0');
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;  // as the shell drops them
    std::memcpy(&block[0], &header, sizeof header);
    for (const std::string& p : paths) {
        const std::wstring wide = Utf8ToWide(p);
        block.append(reinterpret_cast<const char*>(wide.c_str()), (wide.size() + 1) * sizeof(wchar_t));
    }
    block.append(sizeof(wchar_t), '\0');
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, m_pi.dwProcessId);
    if (!process) return false;
    // Fixed global memory is its own handle; the page frees it with DragFinish.
    void* remote = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT, PAGE_READWRITE);
    const bool ok = remote && WriteProcessMemory(process, remote, block.data(), block.size(), nullptr) &&
                    PostMessageA(page, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
    CloseHandle(process);
    return ok;
}

HWND OrvexDriver::WaitWindowWith(int id, DWORD timeoutMs) const {
    struct Find {
        DWORD pid;
        int id;
        HWND found;
    } f{m_pi.dwProcessId, id, nullptr};
    const DWORD start = GetTickCount();
    for (;;) {
        EnumWindows(
            [](HWND hwnd, LPARAM lp) -> BOOL {
                auto* f = reinterpret_cast<Find*>(lp);
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                if (pid != f->pid || !IsWindowVisible(hwnd)) return TRUE;
                ChildSearch s{f->id, nullptr};
                EnumChildWindows(hwnd, FindChild, reinterpret_cast<LPARAM>(&s));
                if (!s.found) return TRUE;
                f->found = hwnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&f));
        if (f.found || GetTickCount() - start >= timeoutMs) return f.found;
        Sleep(50);
    }
}

// True when neither the window nor any window inside it waits to be painted.
static bool Painted(HWND top) {
    if (GetUpdateRect(top, nullptr, FALSE)) return false;
    bool painted = true;
    EnumChildWindows(
        top,
        [](HWND child, LPARAM lp) -> BOOL {
            if (!IsWindowVisible(child) || !GetUpdateRect(child, nullptr, FALSE)) return TRUE;
            *reinterpret_cast<bool*>(lp) = false;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&painted));
    return painted;
}

void OrvexDriver::Settle(DWORD timeoutMs) const {
    if (!m_sheet) return;
    const DWORD start = GetTickCount();
    DWORD_PTR r = 0;
    SendMessageTimeoutA(m_sheet, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &r);
    const DWORD spent = GetTickCount() - start;
    WaitPainted(m_sheet, spent < timeoutMs ? timeoutMs - spent : 0);
}

bool OrvexDriver::WaitPainted(HWND window, DWORD timeoutMs) const {
    return WaitFor([&] { return IsWindow(window) && Painted(window); }, timeoutMs);
}

std::string OrvexDriver::WaitText(HWND window, const std::string& expected, DWORD timeoutMs) const {
    std::string text;
    WaitFor([&] { return (text = Text(window)) == expected; }, timeoutMs);
    return text;
}

OrvexDriver::Answering OrvexDriver::LongestUnanswered(const std::function<bool()>& until, DWORD timeoutMs) const {
    IdleWindow idle;
    Answering answering;
    for (const DWORD start = GetTickCount(); !until() && GetTickCount() - start < timeoutMs; Sleep(20)) {
        DWORD_PTR result = 0;
        const double sent = NowMs();
        SendMessageTimeoutA(m_sheet, WM_NULL, 0, 0, SMTO_NORMAL, 120000, &result);
        const double answered = NowMs();
        const double took = answered - sent;
        answering.longest = std::max(answering.longest, static_cast<DWORD>(took));
        const double beyond = took - idle.LongestStall(sent, answered);
        answering.beyondIdle = std::max(answering.beyondIdle, static_cast<DWORD>(std::max(0.0, beyond)));
    }
    return answering;
}

bool OrvexDriver::Screenshot(const std::string& path, HWND around) const {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    RECT r{0, 0, w, h};
    if (!around) around = m_sheet;
    if (around && IsWindow(around)) {
        GetWindowRect(around, &r);
        InflateRect(&r, 40, 40);
        r.left = std::max<LONG>(r.left, 0);
        r.top = std::max<LONG>(r.top, 0);
        r.right = std::min<LONG>(r.right, w);
        r.bottom = std::min<LONG>(r.bottom, h);
    }
    const int cw = r.right - r.left, ch = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = cw;
    bi.bmiHeader.biHeight = ch;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, cw, ch, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);
    const DWORD stride = ((cw * 3 + 3) / 4) * 4;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + stride * ch;
    std::string bytes(reinterpret_cast<const char*>(&fh), sizeof fh);
    bytes.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    bytes.append(static_cast<const char*>(bits), stride * ch);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return WriteWholeFile(path, bytes);
}

void OrvexDriver::Keys(const std::vector<WORD>& chord) {
    SetForegroundWindow(m_sheet);
    WaitFor([&] { return GetForegroundWindow() == m_sheet; }, 2000);
    std::vector<INPUT> in;
    for (WORD key : chord) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wVk = key;
        down.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
        in.push_back(down);
    }
    for (auto it = chord.rbegin(); it != chord.rend(); ++it) {
        INPUT up{};
        up.type = INPUT_KEYBOARD;
        up.ki.wVk = *it;
        up.ki.wScan = static_cast<WORD>(MapVirtualKeyA(*it, MAPVK_VK_TO_VSC));
        up.ki.dwFlags = KEYEVENTF_KEYUP;
        in.push_back(up);
    }
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

HWND OrvexDriver::Focused() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!m_sheet || !GetGUIThreadInfo(GetWindowThreadProcessId(m_sheet, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

bool OrvexDriver::ShowsSystemIcon(HWND box, LPCSTR icon) const {
    WaitPainted(box, 2000);
    RECT r;
    if (!GetWindowRect(GetDlgItem(box, 232), &r)) return false;
    const int size = GetSystemMetrics(SM_CXICON);
    const std::vector<DWORD> shown = ScreenPixels({r.left, r.top, r.left + size, r.top + size});
    // Drawn on black and on white: where both agree, the icon covers its background.
    std::vector<DWORD> on[2];
    for (int white = 0; white < 2; ++white) {
        HDC screen = GetDC(nullptr);
        HDC mem = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
        HGDIOBJ old = SelectObject(mem, bitmap);
        RECT all{0, 0, size, size};
        FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(white ? WHITE_BRUSH : BLACK_BRUSH)));
        DrawIcon(mem, 0, 0, LoadIconA(nullptr, icon));
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) on[white].push_back(GetPixel(mem, x, y) & 0xFFFFFF);
        SelectObject(mem, old);
        DeleteObject(bitmap);
        DeleteDC(mem);
        ReleaseDC(nullptr, screen);
    }
    if (shown.size() != on[0].size()) return false;
    size_t opaque = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        if (on[0][i] != on[1][i]) continue;
        ++opaque;
        // GetPixel gives 0x00BBGGRR, the DIB 0x00RRGGBB.
        const DWORD c = on[0][i];
        if (((c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF)) != shown[i]) return false;
    }
    return opaque >= static_cast<size_t>(size * size / 4);
}

std::vector<DWORD> OrvexDriver::ScreenPixels(const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<DWORD> out;
    if (w <= 0 || h <= 0) return out;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const auto* px = static_cast<const DWORD*>(bits);
    for (int i = 0; i < w * h; ++i) out.push_back(px[i] & 0xFFFFFF);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return out;
}
