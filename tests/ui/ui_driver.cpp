// Drives Orvex.exe from outside the process, the way a user would: starts it,
// finds its windows, clicks with real mouse input or posts messages, reads
// control texts, and checks what happens. One scenario per run:
//
//   ui_driver <Orvex.exe> <scenario> [expected text] [--shots DIR]
//
// Scenarios: caption, splash-timer, splash-click, splash-esc, print-empty,
// close-button, minimize-button, caption-move, wm-close, help, context-help.
// With --shots, the driver asks for a screenshot at interesting moments by
// writing DIR/<name>.request and waiting (up to 10 s) for DIR/<name>.done.
// Prints one line per check and exits 0 when all of them held.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

int g_failures = 0;
std::string g_shots;

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

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

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

// Asks the test script for a screenshot and waits until it has been taken.
// With a probe point, the script answers with the colour the display shows
// there ("#RRGGBB"), which tells what is really on top.
std::string Shot(const char* name, const POINT* probe = nullptr) {
    if (g_shots.empty()) return "";
    const std::string request = g_shots + "\\" + name + ".request";
    const std::string done = g_shots + "\\" + name + ".done";
    DeleteFileA(done.c_str());
    if (FILE* f = std::fopen(request.c_str(), "wb")) {
        if (probe) std::fprintf(f, "%ld %ld\n", probe->x, probe->y);
        std::fclose(f);
    }
    const DWORD until = Now() + 10000;
    while (!FileExists(done) && Now() < until) Sleep(50);
    Note("screenshot %s %s", name, FileExists(done) ? "taken" : "not taken");
    std::string colour = ReadFile(done);
    while (!colour.empty() && (colour.back() == '\n' || colour.back() == '\r')) colour.pop_back();
    return colour;
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
void MoveMouse(int x, int y) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = MulDiv(x, 65535, w - 1);
    in.mi.dy = MulDiv(y, 65535, h - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
    Sleep(60);
}

void Button(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
    Sleep(60);
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

// Centre of a caption button whose rectangle is (W - fromRight, 5, W - fromRight + 15, 20).
POINT CaptionButtonCentre(HWND sheet, int fromRight) {
    RECT r;
    GetWindowRect(sheet, &r);
    return {r.right - fromRight + 7, r.top + 12};
}

// ---- scenarios ----
int Caption(Orvex& app, const std::string& expected) {
    HWND sheet = app.WaitSheet();
    if (!sheet) return 1;
    const std::string caption = TextOf(sheet);
    Check(caption == expected, "the sheet's caption is \"%s\" (expected \"%s\")", caption.c_str(), expected.c_str());
    app.WaitSplashGone();
    Shot("sheet");
    const std::string print = TextOf(GetDlgItem(sheet, IDOK));
    const std::string cancel = TextOf(GetDlgItem(sheet, IDCANCEL));
    const std::string help = TextOf(GetDlgItem(sheet, IDHELP));
    Check(print == "Print" && cancel == "Cancel" && help == "Help", "buttons read \"%s\", \"%s\", \"%s\"",
          print.c_str(), cancel.c_str(), help.c_str());
    Check(IsWindowEnabled(GetDlgItem(sheet, IDHELP)) != FALSE, "Help is enabled");
    app.CloseAndCheckExit(sheet, "WM_CLOSE");
    return 0;
}

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
    Check(sr.right - sr.left == 411 && sr.bottom - sr.top == 296, "the splash is 411 x 296 (got %ld x %ld)",
          sr.right - sr.left, sr.bottom - sr.top);

    HWND sheet = app.WaitSheet();
    const DWORD sheetShown = Now();
    if (!sheet) return 1;
    // Still there and still on top once the sheet is visible.
    const bool stillThere = IsWindow(splash) && IsWindowVisible(splash);
    Check(stillThere, "the splash is still shown when the sheet appears (%lu ms after it)", sheetShown - appeared);
    if (stillThere) {
        Check(WindowFromPoint(CentreOf(splash)) == splash, "the splash lies over the sheet");
        if (how == "timer") {
            Sleep(150);  // the sheet's first paint
            // A point in the splash's blue band, well inside the sheet as well.
            const POINT probe{sr.left + 200, sr.top + 40};
            const std::string colour = Shot("splash", &probe);
            unsigned r = 0, g = 0, b = 0;
            if (std::sscanf(colour.c_str(), "#%2x%2x%2x", &r, &g, &b) == 3)
                Check(b > r + 60 && b > g + 30, "the display shows the splash over the sheet (%s at %ld, %ld)",
                      colour.c_str(), probe.x, probe.y);
        }
    }

    if (how == "timer") {
        const bool gone = WaitUntil([&] { return !IsWindow(splash); }, 5000, 5);
        const DWORD lifetime = Now() - appeared;
        Check(gone && lifetime >= 1700 && lifetime <= 2800,
              "the splash closes by itself after about 2 s (shown for %lu ms, %lu ms after the sheet)", lifetime,
              Now() - sheetShown);
    } else {
        if (!IsWindow(splash)) {
            Check(false, "the splash was gone before it could be %s", how.c_str());
            return 1;
        }
        const DWORD acted = Now();
        if (how == "click") {
            Click(CentreOf(splash));
        } else {
            PostMessageA(splash, WM_KEYDOWN, VK_ESCAPE, 1);
            PostMessageA(splash, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        }
        const bool gone = WaitUntil([&] { return !IsWindow(splash); }, 3000, 5);
        const DWORD after = Now() - acted;
        Check(gone && after < 400 && Now() - appeared < 1900,
              "the splash closes at once on %s (%lu ms after it, %lu ms after it appeared)", how.c_str(), after,
              Now() - appeared);
    }
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
    // Our frame: the client area sits 5/25/5/7 pixels inside the window.
    RECT wr, cr;
    GetWindowRect(box, &wr);
    GetClientRect(box, &cr);
    POINT origin{0, 0};
    ClientToScreen(box, &origin);
    Check(origin.x - wr.left == 5 && origin.y - wr.top == 25 && wr.right - origin.x - cr.right == 5 &&
              wr.bottom - origin.y - cr.bottom == 7,
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
    Sleep(300);
    Check(IsWindow(sheet) && IsWindowVisible(sheet), "the sheet stays open");
    Check(app.MessageBoxOf(sheet) == nullptr, "the message is shown once");
    app.CloseAndCheckExit(sheet, "WM_CLOSE after Print");
    return 0;
}

int CaptionButton(Orvex& app, bool close) {
    HWND sheet = app.WaitSheet();
    if (!sheet) return 1;
    app.WaitSplashGone();
    Sleep(200);
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
        Sleep(300);
        Click(CentreOf(cancel), true);
        char caller[32];
        std::snprintf(caller, sizeof caller, "%llu",
                      static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(cancel)));
        expected = std::string("HtmlHelpA caller=") + caller + " file=" + helpFile +
                   "::/cshelp.txt command=0x10 map=1:0x20001,2:0x20002,9:0x20009,12320:0x23020";
    }
    WaitUntil([&] { return !Lines(ReadFile(record)).empty(); }, 5000);
    Sleep(300);  // anything more would arrive now
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
    const std::string expected = args.size() > 2 ? args[2] : "";
    Orvex app(args[0]);
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
