// Drives Orvex.exe from outside the process, the way a user would: starts it,
// finds its windows, clicks with real mouse input or posts messages, reads
// control texts, and checks what happens. One scenario per run:
//
//   ui_driver <Orvex.exe> <scenario> [expected text] [--shots DIR]
//
// Scenarios: caption, splash-timer, splash-click, splash-esc, print-empty,
// close-button, minimize-button, caption-move, wm-close, help, context-help.
// With --shots, the driver saves what the display shows at interesting moments
// as DIR/<name>.bmp. Prints one line per check and exits 0 when all of them held.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "resources/resource_ids.h"

namespace {

int g_failures = 0;
std::string g_shots;
int g_dpi = 96;  // the screen scale the program runs at (HKCU\Control Panel\Desktop LogPixels)

// A 96-DPI length of the skin at the program's DPI (it stops growing at 200 %).
int Px(int value96) { return MulDiv(value96, std::min(g_dpi, 192), 96); }

int ScreenDpi() {
    DWORD dpi = 0, size = sizeof dpi;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        if (RegQueryValueExA(key, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&dpi), &size) != ERROR_SUCCESS)
            dpi = 0;
        RegCloseKey(key);
    }
    return dpi ? static_cast<int>(dpi) : 96;
}

void Check(bool ok, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::printf("%s ", ok ? "ok  " : "FAIL");
    std::vprintf(format, args);
    std::printf("\n");
    std::fflush(stdout);
    va_end(args);
    if (!ok) ++g_failures;
}

void Note(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::printf("     ");
    std::vprintf(format, args);
    std::printf("\n");
    std::fflush(stdout);
    va_end(args);
}

DWORD Now() { return GetTickCount(); }

std::string ReadFile(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
        std::fclose(f);
    }
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// Pixels as 0xRRGGBB, rows top-down.
struct Pixels {
    int width = 0, height = 0;
    std::vector<uint32_t> rgb;
    uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

// The pixels of a bitmap, through a top-down 32-bit DIB.
Pixels PixelsOf(HDC dc, HBITMAP bitmap, int width, int height) {
    Pixels p;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> bits(static_cast<size_t>(width) * height);
    if (GetDIBits(dc, bitmap, 0, height, bits.data(), &bi, DIB_RGB_COLORS) != height) return p;
    p.width = width;
    p.height = height;
    p.rgb.reserve(bits.size());
    for (uint32_t bgrx : bits) p.rgb.push_back(bgrx & 0xFFFFFF);
    return p;
}

// What the display shows in `r` (read back from the X server under Wine).
Pixels ScreenPixels(RECT r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);
    Pixels p = PixelsOf(mem, bitmap, w, h);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return p;
}

// A skin bitmap as drawn for the program's scale: at 96 DPI the program's own
// resource; at another the generator's picture for it (or the next larger one
// shrunk), from the folder ORVANE_SKIN_SET (as <id>.bmp).
Pixels ResourcePixels(const std::string& exe, int id) {
    Pixels p;
    const char* set = g_dpi == 96 ? nullptr : std::getenv("ORVANE_SKIN_SET");
    if (g_dpi != 96 && !set) return p;
    const std::string file = set ? std::string(set) + "\\" + std::to_string(id) + ".bmp" : std::string();
    HMODULE module = set ? nullptr : LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module && !set) return p;
    auto bitmap = static_cast<HBITMAP>(set ? LoadImageA(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0,
                                                        LR_LOADFROMFILE | LR_CREATEDIBSECTION)
                                           : LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                                        LR_CREATEDIBSECTION));
    BITMAP bm{};
    if (bitmap && GetObjectA(bitmap, sizeof bm, &bm)) {
        HDC dc = CreateCompatibleDC(nullptr);
        p = PixelsOf(dc, bitmap, bm.bmWidth, bm.bmHeight);
        DeleteDC(dc);
    }
    if (bitmap) DeleteObject(bitmap);
    if (module) FreeLibrary(module);
    return p;
}

// A file's first icon as the shell extracts it (large), drawn on white.
Pixels FileIconPixels(const std::string& path) {
    HICON icon = nullptr;
    Pixels p;
    if (ExtractIconExA(path.c_str(), 0, &icon, nullptr, 1) != 1 || !icon) return p;
    const int size = GetSystemMetrics(SM_CXICON);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(mem, bitmap);
    PatBlt(mem, 0, 0, size, size, WHITENESS);
    DrawIconEx(mem, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    SelectObject(mem, old);
    p = PixelsOf(mem, bitmap, size, size);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    DestroyIcon(icon);
    return p;
}

Pixels WholeScreen() { return ScreenPixels({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}); }

// The share of the rows [0, rows) of `expected` that `screen` shows at `origin`,
// each channel within `tolerance` (a display of fewer colours rounds them).
double ShareShown(const Pixels& expected, const Pixels& screen, POINT origin, int rows, int tolerance = 8) {
    if (expected.rgb.empty() || rows <= 0 || origin.x < 0 || origin.y < 0 ||
        origin.x + expected.width > screen.width || origin.y + rows > screen.height)
        return 0;
    long same = 0;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < expected.width; ++x) {
            const uint32_t a = expected.At(x, y), b = screen.At(origin.x + x, origin.y + y);
            bool close = true;
            for (int shift = 0; shift < 24; shift += 8)
                close = close && std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                          static_cast<int>((b >> shift) & 0xFF)) <= tolerance;
            same += close;
        }
    return static_cast<double>(same) / (static_cast<double>(rows) * expected.width);
}

// Saves a screen capture as DIR/<name>.bmp (the test script turns it into a PNG).
void Shot(const char* name, const Pixels& p = WholeScreen()) {
    if (g_shots.empty()) return;
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = p.width;
    ih.biHeight = -p.height;
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(p.rgb.size() * 4);
    const std::string path = g_shots + "\\" + name + ".bmp";
    bool ok = false;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&ih, sizeof ih, 1, f) == 1 &&
             std::fwrite(p.rgb.data(), 4, p.rgb.size(), f) == p.rgb.size();
        ok = std::fclose(f) == 0 && ok;
    }
    Note("screenshot %s %s", name, ok ? "taken" : "not taken");
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD stepMs = 10) {
    const DWORD until = Now() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (Now() >= until) return false;
        Sleep(stepMs);
    }
}

std::string ClassOf(HWND hwnd) {
    char name[256] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string TextOf(HWND hwnd) {
    char text[1024] = "";
    // WM_GETTEXT works across processes; GetWindowTextA would not ask a child of another process.
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    return text;
}

class Orvex {
public:
    explicit Orvex(std::string exe) : m_exe(std::move(exe)) {
        const size_t slash = m_exe.find_last_of("\\/");
        m_dir = slash == std::string::npos ? std::string(".\\") : m_exe.substr(0, slash + 1);
    }
    ~Orvex() {
        if (m_pi.hProcess) {
            if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(m_pi.hProcess, 99);
            CloseHandle(m_pi.hProcess);
            CloseHandle(m_pi.hThread);
        }
    }

    bool Start() {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string command = "\"" + m_exe + "\"";
        m_started = Now();
        if (!CreateProcessA(m_exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, m_dir.c_str(), &si,
                            &m_pi)) {
            Check(false, "start %s (error %lu)", m_exe.c_str(), GetLastError());
            return false;
        }
        return true;
    }

    const std::string& Exe() const { return m_exe; }
    const std::string& Dir() const { return m_dir; }
    DWORD Elapsed() const { return Now() - m_started; }

    // The first top-level window of the program that satisfies `match`.
    HWND Find(const std::function<bool(HWND)>& match) const {
        struct Search {
            DWORD pid;
            const std::function<bool(HWND)>* match;
            HWND found;
        } search{m_pi.dwProcessId, &match, nullptr};
        EnumWindows(
            [](HWND hwnd, LPARAM lp) -> BOOL {
                auto* s = reinterpret_cast<Search*>(lp);
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                if (pid == s->pid && (*s->match)(hwnd)) {
                    s->found = hwnd;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    HWND Sheet() const {
        return Find([](HWND hwnd) {
            return ClassOf(hwnd) == "#32770" && IsWindowVisible(hwnd) &&
                   FindWindowExA(hwnd, nullptr, "SysTabControl32", nullptr) != nullptr;
        });
    }
    HWND Splash() const { return Find([](HWND hwnd) { return ClassOf(hwnd) == "OrvaneVersionSplash"; }); }
    HWND MessageBoxOf(HWND owner) const {
        return Find([owner](HWND hwnd) {
            return ClassOf(hwnd) == "#32770" && IsWindowVisible(hwnd) && GetWindow(hwnd, GW_OWNER) == owner &&
                   GetDlgItem(hwnd, 1054) != nullptr;
        });
    }

    HWND WaitSheet() {
        HWND sheet = nullptr;
        WaitUntil([&] { return (sheet = Sheet()) != nullptr; }, 20000);
        Check(sheet != nullptr, "the property sheet comes up (%lu ms after start)", Elapsed());
        return sheet;
    }

    // Waits for the splash to be gone so that it covers nothing, then for the
    // Basic tab's own start-up message (about the bench's printers, which no
    // device answers for), which it closes: the sheet is disabled while it shows.
    void WaitSplashGone() {
        const bool gone = WaitUntil([&] { return Splash() == nullptr; }, 6000);
        Check(gone, "the version splash is gone before the sheet is used");
        HWND sheet = Sheet();
        for (int closed = 0; sheet && closed < 3; ++closed) {
            HWND box = nullptr;
            if (!WaitUntil([&] { return (box = MessageBoxOf(sheet)) != nullptr; }, 1500)) break;
            Note("start-up message closed: \"%s\"", TextOf(GetDlgItem(box, 1054)).c_str());
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            WaitUntil([&] { return !IsWindow(box); }, 3000);
        }
    }

    // Exit code, or -1 when the program did not end in time (it is then killed).
    long WaitExit(DWORD timeoutMs) {
        if (WaitForSingleObject(m_pi.hProcess, timeoutMs) != WAIT_OBJECT_0) {
            TerminateProcess(m_pi.hProcess, 99);
            WaitForSingleObject(m_pi.hProcess, 5000);
            return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(m_pi.hProcess, &code);
        return static_cast<long>(code);
    }

    void CloseAndCheckExit(HWND sheet, const char* how) {
        if (sheet && IsWindow(sheet)) PostMessageA(sheet, WM_CLOSE, 0, 0);
        const long code = WaitExit(10000);
        Check(code == 0, "%s: the program ends with exit code 0 (got %ld)", how, code);
    }

private:
    std::string m_exe, m_dir;
    PROCESS_INFORMATION m_pi{};
    DWORD m_started = 0;
};

// ---- real mouse input ----
// Each step waits until the input has reached the window system's state.
void MoveMouse(int x, int y) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = MulDiv(x, 65535, w - 1);
    in.mi.dy = MulDiv(y, 65535, h - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
    WaitUntil([&] {
        POINT at{};
        return GetCursorPos(&at) && at.x == x && at.y == y;
    }, 2000, 5);
}

void Button(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
    const int key = (flags & (MOUSEEVENTF_RIGHTDOWN | MOUSEEVENTF_RIGHTUP)) ? VK_RBUTTON : VK_LBUTTON;
    const bool down = (flags & (MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_RIGHTDOWN)) != 0;
    WaitUntil([&] { return ((GetAsyncKeyState(key) & 0x8000) != 0) == down; }, 2000, 5);
}

// One round trip through the thread that owns `hwnd`: what it had been sent
// before has been handled.
void RoundTrip(HWND hwnd) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
}

// Approaches the point from a few pixels away (so the window sees the pointer
// arrive), then presses and releases the button there.
void Click(POINT at, bool right = false) {
    MoveMouse(at.x - 6, at.y + 1);
    MoveMouse(at.x, at.y);
    Button(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    Button(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
}

POINT CentreOf(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Centre of a caption button whose rectangle is (W - fromRight, 5, W - fromRight + 15, 20) at 96 DPI.
POINT CaptionButtonCentre(HWND sheet, int fromRight) {
    RECT r;
    GetWindowRect(sheet, &r);
    return {r.right - Px(fromRight) + Px(15) / 2, r.top + Px(5) + Px(15) / 2};
}

// The bench's default queue answered for by an agent (one quick SNMP read), so
// that the program starts listening about a second after its splash appears and
// a click can be told from the splash's own timer. Undone at the end.
class QuickPrinter {
public:
    QuickPrinter() {
        const char* queue = std::getenv("ORVANE_QUEUE_1");
        const char* agent = std::getenv("ORVANE_AGENT_PDFJPEG");
        if (!queue || !agent) return;
        m_key = std::string(kPorts) + "\\CUPS:" + queue;
        const std::string address = std::string(agent).substr(0, std::string(agent).rfind(':'));
        HKEY h = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) ==
            ERROR_SUCCESS) {
            RegSetValueExA(h, "IPAddress", 0, REG_SZ, reinterpret_cast<const BYTE*>(address.c_str()),
                           static_cast<DWORD>(address.size() + 1));
            RegCloseKey(h);
        }
    }
    ~QuickPrinter() {
        if (!m_key.empty()) RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_key.c_str());
    }

private:
    static constexpr const char* kPorts =
        "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
    std::string m_key;
};

// ---- scenarios ----
int Caption(Orvex& app, const std::string& expected) {
    HWND sheet = app.WaitSheet();
    if (!sheet) return 1;
    // The sheet may show before its caption is set: the printer check no longer holds it back.
    std::string caption;
    WaitUntil([&] { return (caption = TextOf(sheet)) == expected; }, 5000);
    Check(caption == expected, "the sheet's caption is \"%s\" (expected \"%s\")", caption.c_str(), expected.c_str());
    app.WaitSplashGone();
    Shot("sheet");
    // The frame's top-left piece below the cut corner, as drawn for this scale.
    RoundTrip(sheet);
    RECT wr;
    GetWindowRect(sheet, &wr);
    const Pixels frame = ResourcePixels(app.Exe(), IDB_FRAME_ACTIVE);
    Check(!frame.rgb.empty(), "the skin's picture for %d DPI is there to compare the frame with", g_dpi);
    const Pixels shown = ScreenPixels({wr.left, wr.top, wr.left + Px(5), wr.top + Px(25)});
    // Between the drawn sets the picture is shrunk; the test's shrinking
    // (ImageMagick) and the program's round a channel up to two units apart.
    const int tolerance = g_dpi == 96 || g_dpi == 144 || g_dpi == 192 ? 0 : 2;
    int differ = 0;
    for (int y = Px(3); !frame.rgb.empty() && y < Px(25); ++y)
        for (int x = 0; x < Px(5); ++x)
            for (int shift = 0; shift < 24; shift += 8)
                differ += std::abs(static_cast<int>((frame.At(x, y) >> shift) & 0xFF) -
                                   static_cast<int>((shown.At(x, y) >> shift) & 0xFF)) > tolerance;
    Check(differ == 0, "the frame's corner at %d DPI is the skin's own picture (%d channels differ)", g_dpi, differ);
    const std::string print = TextOf(GetDlgItem(sheet, IDOK));
    const std::string cancel = TextOf(GetDlgItem(sheet, IDCANCEL));
    const std::string help = TextOf(GetDlgItem(sheet, IDHELP));
    // The compiled-in English texts, with their access keys.
    Check(print == "&Print" && cancel == "Ca&ncel" && help == "&Help", "buttons read \"%s\", \"%s\", \"%s\"",
          print.c_str(), cancel.c_str(), help.c_str());
    Check(IsWindowEnabled(GetDlgItem(sheet, IDHELP)) != FALSE, "Help is enabled");
    if (g_dpi == 96) {
        // Explorer and the installers' entries show the program's own icon
        // (the shell takes a file's first icon), not the blank one that every
        // program without an icon gets.
        const Pixels icon = FileIconPixels(app.Exe());
        const long drawn = std::count_if(icon.rgb.begin(), icon.rgb.end(), [](uint32_t c) { return c != 0xFFFFFF; });
        Check(ExtractIconExA(app.Exe().c_str(), -1, nullptr, nullptr, 0) == 1 && drawn > icon.width * icon.height / 4,
              "Orvex.exe carries one icon for the shell to show (%ld of its pixels drawn)", drawn);
    }
    app.CloseAndCheckExit(sheet, "WM_CLOSE");
    return 0;
}

// How long the program takes at most to put the splash back over the sheet
// (it raises it five times, 100 ms apart).
constexpr DWORD kSplashRaiseMs = 500;

// The splash: appears at once, is on top of the sheet, and goes after about two
// seconds, or at once on a click or Esc once the program is listening.
int Splash(Orvex& app, const std::string& how) {
    HWND splash = nullptr;
    WaitUntil([&] { return (splash = app.Splash()) != nullptr && IsWindowVisible(splash); }, 20000, 5);
    const DWORD appeared = Now();
    Check(splash != nullptr, "the version splash appears (%lu ms after start)", app.Elapsed());
    if (!splash) return 1;
    Check((GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, "the splash is top-most");
    RECT sr;
    GetWindowRect(splash, &sr);
    Check(sr.right - sr.left == Px(411) && sr.bottom - sr.top == Px(296), "the splash is 411 x 296 at 96 DPI (got %ld x %ld)",
          sr.right - sr.left, sr.bottom - sr.top);

    // When the program first answers a message once the sheet is up (it may
    // still be reading the printer's device ID then) and when the splash goes,
    // seen by a thread of its own so that the checks below do not delay them.
    std::atomic<DWORD> listening{0}, gone{0};
    std::thread watcher([&] {
        WaitUntil([&] { return app.Sheet() != nullptr || !IsWindow(splash); }, 20000, 5);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(splash, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &ignored);
        listening = Now();
        WaitUntil([&] { return !IsWindow(splash); }, 20000, 5);
        gone = Now();
    });

    HWND sheet = app.WaitSheet();
    const DWORD sheetShown = Now();
    if (sheet) {
        // Still there and still on top once the sheet is visible.
        const bool stillThere = IsWindow(splash) && IsWindowVisible(splash);
        Check(stillThere, "the splash is still shown when the sheet appears (%lu ms after it)", sheetShown - appeared);
        if (stillThere) Check(WindowFromPoint(CentreOf(splash)) == splash, "the splash lies over the sheet");
    }
    if (sheet && how == "timer") {
        // What the display shows must become the splash's own picture while
        // the splash is up: its band (the rows above the texts the program
        // writes on it), pixel by pixel as in the bitmap of the program's
        // resources. The window system may show the sheet there for a moment
        // after the sheet appears, until the splash is raised again.
        const Pixels picture = ResourcePixels(app.Exe(), IDB_SPLASH);
        const int bandRows = Px(86);
        // The splash and a margin of the sheet around it (a small capture is quick).
        const int margin = 40;
        const RECT around{std::max<LONG>(sr.left - margin, 0), std::max<LONG>(sr.top - margin, 0),
                          std::min<LONG>(sr.right + margin, GetSystemMetrics(SM_CXSCREEN)),
                          std::min<LONG>(sr.bottom + margin, GetSystemMetrics(SM_CYSCREEN))};
        const POINT origin{sr.left - around.left, sr.top - around.top};
        double share = 0;
        int looks = 0;
        Pixels screen;
        WaitUntil(
            [&] {
                Pixels now = ScreenPixels(around);
                if (!IsWindow(splash)) return true;
                ++looks;
                screen = std::move(now);
                share = ShareShown(picture, screen, origin, bandRows);
                return share >= 0.99;
            },
            5000);
        const DWORD looked = Now() - sheetShown;
        // A busy machine may show the sheet only when the splash's two seconds
        // are over: it then closes before it can be raised, which is right.
        // A splash that stayed well past that without being seen is a fault.
        const bool tooSoon = share < 0.99 && !IsWindow(splash) && looked < kSplashRaiseMs;
        if (tooSoon)
            std::printf("ok   the display is not judged: the splash closed %lu ms after the sheet appeared, "
                        "%lu ms after it appeared itself\n",
                        looked, sheetShown - appeared + looked);
        else
            Check(share >= 0.99,
                  "the display shows the splash over the sheet (%.1f%% of its band as in its bitmap, %lu ms after "
                  "the sheet appeared, look %d)",
                  share * 100, looked, looks);
        Shot("splash", screen);  // the look judged last
    }

    if (how == "timer") {
        watcher.join();
        // Its timer runs out after 2 s; the program closes it when it next
        // reads its messages, which a busy machine may delay until well after
        // the sheet has appeared (the sheet's start-up work runs first).
        const DWORD lifetime = gone - appeared;
        const DWORD latest = std::max<DWORD>(2800, sheetShown - appeared + 2000);
        Check(!IsWindow(splash) && lifetime >= 1700 && lifetime <= latest,
              "the splash closes by itself after about 2 s (shown for %lu ms, %ld ms after the sheet)", lifetime,
              static_cast<long>(gone - sheetShown));
    } else if (sheet) {
        // At once when the program listens.
        WaitUntil([&] { return listening != 0; }, 20000, 5);
        if (!IsWindow(splash)) {
            watcher.join();
            Check(false, "the splash was gone before it could be %s (the program listened %lu ms after it appeared)",
                  how.c_str(), listening - appeared);
            return 1;
        }
        const DWORD acted = Now();
        if (how == "click") {
            Click(CentreOf(splash));
        } else {
            PostMessageA(splash, WM_KEYDOWN, VK_ESCAPE, 1);
            PostMessageA(splash, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        }
        watcher.join();
        const DWORD after = gone - acted;
        // Before its timer could have closed it, unless the program only
        // listened when that time had nearly come (a busy machine).
        const bool early = acted - appeared < 1500;
        Check(after < 400 && (!early || gone - appeared < 1900),
              "the splash closes at once on %s (%lu ms after it, %lu ms after it appeared)", how.c_str(), after,
              gone - appeared);
    }
    if (watcher.joinable()) watcher.join();
    if (!sheet) return 1;
    Check(IsWindowVisible(sheet) != FALSE, "the sheet stays open");
    app.WaitSplashGone();
    app.CloseAndCheckExit(sheet, "WM_CLOSE");
    return 0;
}

// Print acts only for a printer that takes a language: the default queue's port is
// pointed at the bench agent that takes all five (undone by the returned key path).
std::string UseAgentForDefaultQueue() {
    const char* queue = std::getenv("ORVANE_QUEUE_1");
    const char* agent = std::getenv("ORVANE_AGENT_ALL");
    if (!queue || !agent) return "";
    const std::string key =
        std::string("SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\CUPS:") + queue;
    std::string address(agent);
    address.erase(address.rfind(':'));
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return "";
    RegSetValueExA(h, "IPAddress", 0, REG_SZ, reinterpret_cast<const BYTE*>(address.c_str()),
                   static_cast<DWORD>(address.size() + 1));
    RegCloseKey(h);
    return key;
}

int PrintEmpty(Orvex& app, const std::string& expectedTitle) {
    const char* kExpected = "There is no file to print. Select the file(s) properly and try again.";
    HWND sheet = app.WaitSheet();
    if (!sheet) return 1;
    app.WaitSplashGone();
    HWND print = GetDlgItem(sheet, IDOK);
    Check(IsWindowVisible(print) != FALSE, "Print is shown for a printer that takes the languages");
    Click(CentreOf(print));
    HWND box = nullptr;
    WaitUntil([&] { return (box = app.MessageBoxOf(sheet)) != nullptr; }, 5000);
    Check(box != nullptr, "Print with an empty list shows the message box");
    if (!box) return 1;
    const std::string text = TextOf(GetDlgItem(box, 1054));
    Check(text == kExpected, "its text is \"%s\"", text.c_str());
    const std::string title = TextOf(box);
    Check(title == expectedTitle, "its title is \"%s\"", title.c_str());
    HWND ok = GetDlgItem(box, IDOK);
    Check(TextOf(ok) == "OK" && IsWindowVisible(ok), "it has a visible OK button");
    Check(!IsWindowVisible(GetDlgItem(box, IDCANCEL)), "its Cancel button is hidden");
    Check(GetDlgItem(box, 232) != nullptr, "it has the icon static 232");
    // Our frame: the client area sits 5/25/5/7 pixels (at 96 DPI) inside the window.
    RECT wr, cr;
    GetWindowRect(box, &wr);
    GetClientRect(box, &cr);
    POINT origin{0, 0};
    ClientToScreen(box, &origin);
    Check(origin.x - wr.left == Px(5) && origin.y - wr.top == Px(25) && wr.right - origin.x - cr.right == Px(5) &&
              wr.bottom - origin.y - cr.bottom == Px(7),
          "it has the skinned frame (client inset %ld/%ld/%ld/%ld)", origin.x - wr.left, origin.y - wr.top,
          wr.right - origin.x - cr.right, wr.bottom - origin.y - cr.bottom);
    RECT sheetRect;
    GetWindowRect(sheet, &sheetRect);
    const long dx = (wr.left + wr.right) / 2 - (sheetRect.left + sheetRect.right) / 2;
    const long dy = (wr.top + wr.bottom) / 2 - (sheetRect.top + sheetRect.bottom) / 2;
    Check(dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1, "it is centred over the sheet (off by %ld, %ld)", dx, dy);
    Shot("messagebox");
    Click(CentreOf(ok));
    const bool gone = WaitUntil([&] { return !IsWindow(box); }, 5000);
    Check(gone, "OK closes the message box");
    // A second message or a closed sheet would show within a second.
    WaitUntil([&] { return app.MessageBoxOf(sheet) != nullptr || !IsWindowVisible(sheet); }, 1000);
    Check(IsWindow(sheet) && IsWindowVisible(sheet), "the sheet stays open");
    Check(app.MessageBoxOf(sheet) == nullptr, "the message is shown once");
    app.CloseAndCheckExit(sheet, "WM_CLOSE after Print");
    return 0;
}

int CaptionButton(Orvex& app, bool close) {
    HWND sheet = app.WaitSheet();
    if (!sheet) return 1;
    app.WaitSplashGone();
    RoundTrip(sheet);
    const POINT at = CaptionButtonCentre(sheet, close ? 25 : 45);
    Click(at);
    if (close) {
        const long code = app.WaitExit(10000);
        Check(code == 0, "the close caption button ends the program with exit code 0 (got %ld)", code);
        return 0;
    }
    const bool iconic = WaitUntil([&] { return IsIconic(sheet) != FALSE; }, 5000);
    Check(iconic, "the minimize caption button minimizes the sheet");
    Check(IsWindow(sheet) != FALSE, "the program is still running");
    app.CloseAndCheckExit(sheet, "WM_CLOSE when minimized");
    return 0;
}

// The pointer goes from the close button onto minimize in one mouse event, then
// to Cancel: the frame must not keep the mouse captured, so the click reaches Cancel.
int CaptionMove(Orvex& app) {
    HWND sheet = app.WaitSheet();
    if (!sheet) return 1;
    app.WaitSplashGone();
    Sleep(200);
    const POINT close = CaptionButtonCentre(sheet, 25), minimize = CaptionButtonCentre(sheet, 45);
    MoveMouse(close.x - 6, close.y + 40);
    MoveMouse(close.x, close.y);
    MoveMouse(minimize.x, minimize.y);
    Shot("on-minimize");
    Click(CentreOf(GetDlgItem(sheet, IDCANCEL)));
    const long code = app.WaitExit(5000);
    Check(code != -1, "a click on Cancel after the move ends the program (exit code %ld)", code);
    return 0;
}

int WmClose(Orvex& app) {
    HWND sheet = app.WaitSheet();
    if (!sheet) return 1;
    app.WaitSplashGone();
    app.CloseAndCheckExit(sheet, "WM_CLOSE");
    return 0;
}

// The recording hhctrl.ocx beside the program writes one line per HtmlHelpA call.
int Help(Orvex& app, bool context) {
    const std::string record = app.Dir() + "hhctrl.log";
    const std::string helpFile = app.Dir() + "HELP.chm";
    HWND sheet = app.WaitSheet();
    if (!sheet) return 1;
    app.WaitSplashGone();
    HWND cancel = GetDlgItem(sheet, IDCANCEL);
    std::string expected;
    if (!context) {
        Click(CentreOf(GetDlgItem(sheet, IDHELP)));
        expected = "HtmlHelpA caller=0 file=" + helpFile + " command=0x0 data=0x0";
    } else {
        // The tab control offers no help; the Cancel button does.
        HWND tab = FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr);
        RECT tr;
        GetWindowRect(tab, &tr);
        Click({tr.right - 20, tr.top + 12}, true);
        RoundTrip(sheet);
        Click(CentreOf(cancel), true);
        char caller[32];
        std::snprintf(caller, sizeof caller, "%llu",
                      static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(cancel)));
        expected = std::string("HtmlHelpA caller=") + caller + " file=" + helpFile +
                   "::/cshelp.txt command=0x10 map=1:0x20001,2:0x20002,9:0x20009,12320:0x23020";
    }
    WaitUntil([&] { return !Lines(ReadFile(record)).empty(); }, 5000);
    WaitUntil([&] { return Lines(ReadFile(record)).size() > 1; }, 1000);  // a second call would come within a second
    const auto lines = Lines(ReadFile(record));
    Check(lines.size() == 1, "HtmlHelpA is called once (%u calls)", static_cast<unsigned>(lines.size()));
    for (const auto& line : lines) Note("recorded: %s", line.c_str());
    Check(!lines.empty() && lines[0] == expected, "with the expected arguments: %s", expected.c_str());
    Check(IsWindowVisible(sheet) != FALSE, "the sheet stays open");
    app.CloseAndCheckExit(sheet, "WM_CLOSE");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--shots") == 0 && i + 1 < argc) g_shots = argv[++i];
        else args.push_back(argv[i]);
    }
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: ui_driver <Orvex.exe> <scenario> [expected] [--shots DIR]\n");
        return 2;
    }
    const std::string scenario = args[1];
    g_dpi = ScreenDpi();
    const std::string expected = args.size() > 2 ? args[2] : "";
    Orvex app(args[0]);
    std::unique_ptr<QuickPrinter> quick;
    if (scenario.rfind("splash-", 0) == 0) quick = std::make_unique<QuickPrinter>();
    if (scenario == "help" || scenario == "context-help") DeleteFileA((app.Dir() + "hhctrl.log").c_str());
    const std::string mappedPort = scenario == "print-empty" ? UseAgentForDefaultQueue() : "";
    if (!app.Start()) return 1;

    if (scenario == "caption") Caption(app, expected);
    else if (scenario == "splash-timer") Splash(app, "timer");
    else if (scenario == "splash-click") Splash(app, "click");
    else if (scenario == "splash-esc") Splash(app, "Esc");
    else if (scenario == "print-empty") PrintEmpty(app, expected);
    else if (scenario == "close-button") CaptionButton(app, true);
    else if (scenario == "minimize-button") CaptionButton(app, false);
    else if (scenario == "caption-move") CaptionMove(app);
    else if (scenario == "wm-close") WmClose(app);
    else if (scenario == "help") Help(app, false);
    else if (scenario == "context-help") Help(app, true);
    else Check(false, "unknown scenario %s", scenario.c_str());

    if (!mappedPort.empty()) RegDeleteKeyA(HKEY_LOCAL_MACHINE, mappedPort.c_str());
    std::printf("%s: %d failure(s)\n", scenario.c_str(), g_failures);
    return g_failures ? 1 : 0;
}
