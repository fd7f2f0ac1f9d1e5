// Renders Orvex in one language and measures every label against its control:
//   label_fit.exe <code> <folder for screenshots> <file to open>
// Sets "QELLangCode", starts the program with a file it refuses (so that our
// message box appears), then measures the box and both tabs in the font the
// controls use, on this process's locale (run it under the language's locale).
// Prints one line per text; exit code 1 when a text does not fit.
#include <windows.h>
#include <commctrl.h>

#include <winspool.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/tabs/orvex_driver.h"

namespace {

const char kProductKey[] = "SOFTWARE\\QEL\\Orvane Suite";
constexpr int kMessageTextId = 1054;

std::string Utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    return out;
}

// Across processes WM_GETTEXT in W needs no code page agreement.
std::wstring WindowText(HWND hwnd) {
    WCHAR text[1024] = L"";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &ignored);
    return text;
}

std::wstring ClassOf(HWND hwnd) {
    WCHAR name[64] = L"";
    GetClassNameW(hwnd, name, 64);
    return name;
}

// Where each label's text comes from in the language file.
struct Source {
    const char* where;
    int id;
    const wchar_t* section;
    const wchar_t* key;
};
const Source kSources[] = {
    {"message", IDOK, L"UI_SHEET", L"IDL_OK"},
    {"sheet", IDOK, L"UI_SHEET", L"IDL_PRINT"},
    {"sheet", IDCANCEL, L"UI_SHEET", L"IDL_CANCEL"},
    {"sheet", IDHELP, L"UI_SHEET", L"IDL_HELP"},
    {"tab", 0, L"UI_SHEET", L"IDD_BASICDLG"},
    {"tab", 1, L"UI_SHEET", L"IDD_ADVANCEDDLG"},
    {"basic", 1021, L"UI_BASIC_TAB", L"IDC_STATIC_SELECTPRINTER"},
    {"basic", 1022, L"UI_BASIC_TAB", L"IDC_STATIC_SELECTFILES"},
    {"basic", 1007, L"UI_BASIC_TAB", L"IDC_BUTTON_REMOVE"},
    {"basic", 1017, L"UI_BASIC_TAB", L"IDC_BUTTON_BROWSE"},
    {"basic", 1023, L"UI_BASIC_TAB", L"IDC_STATIC_PRINTRANGE"},
    {"basic", 1035, L"UI_BASIC_TAB", L"IDC_RADIO_PRINTRANGE_ALL"},
    {"basic", 1036, L"UI_BASIC_TAB", L"IDC_RADIO_PRINTRANGE_PAGES"},
    {"basic", 1046, L"UI_BASIC_TAB", L"IDC_STATIC_PRINTRANGE_FROM"},
    {"basic", 1047, L"UI_BASIC_TAB", L"IDC_STATIC_PRINTRANGE_TO"},
    {"basic", 1024, L"UI_BASIC_TAB", L"IDC_STATIC_COPIES"},
    {"basic", 1025, L"UI_BASIC_TAB", L"IDC_STATIC_ORIENTATION"},
    {"basic", 1015, L"UI_BASIC_TAB", L"IDC_RADIO_ORIENTATION_PORTRAIT"},
    {"basic", 1016, L"UI_BASIC_TAB", L"IDC_RADIO_ORIENTATION_LANDSCAPE"},
    {"basic", 1006, L"UI_BASIC_TAB", L"IDC_BUTTON_DEFAULT"},
    {"advanced", 1028, L"UI_ADVANCED_TAB", L"IDC_STATIC_PAPAEROPTION"},
    {"advanced", 1052, L"UI_ADVANCED_TAB", L"IDC_STATIC_PAPERSIZE"},
    {"advanced", 1053, L"UI_ADVANCED_TAB", L"IDC_STATIC_PAPERTYPE"},
    {"advanced", 1029, L"UI_ADVANCED_TAB", L"IDC_STATIC_RESOLUTION"},
    {"advanced", 1045, L"UI_ADVANCED_TAB", L"IDC_RADIO_RESOLUTION_DRAFT"},
    {"advanced", 1010, L"UI_ADVANCED_TAB", L"IDC_RADIO_RESOLUTION_NORMAL"},
    {"advanced", 1030, L"UI_ADVANCED_TAB", L"IDC_STATIC_COLORMODE"},
    {"advanced", 1009, L"UI_ADVANCED_TAB", L"IDC_RADIO_COLORMODE_AUTO"},
    {"advanced", 1011, L"UI_ADVANCED_TAB", L"IDC_RADIO_COLORMODE_BW"},
    {"advanced", 1031, L"UI_ADVANCED_TAB", L"IDC_STATIC_REDUCEENLARGE"},
    {"advanced", 1038, L"UI_ADVANCED_TAB", L"IDC_CHECK_ZOOM_FIT"},
    {"advanced", 1032, L"UI_ADVANCED_TAB", L"IDC_STATIC_CUSTOM"},
    {"advanced", 1020, L"UI_ADVANCED_TAB", L"IDC_BUTTON_ADV_DEFAULT"},
};

std::wstring gLanguageFile;  // the LOCAL*.dat the program reads

// The text the language file gives a label ("" for a control that has none).
std::wstring Expected(const char* where, int id) {
    for (const Source& s : kSources) {
        if (std::string(s.where) != where || s.id != id) continue;
        WCHAR text[1024] = L"";
        GetPrivateProfileStringW(s.section, s.key, L"", text, 1024, gLanguageFile.c_str());
        std::wstring value = text;
        // "Black & White" is shown with its ampersand doubled, as a character.
        if (id == 1011 && std::string(where) == "advanced") {
            for (size_t at = value.find(L'&'); at != std::wstring::npos; at = value.find(L'&', at + 2))
                value.insert(at, 1, L'&');
        }
        return value;
    }
    return std::wstring();
}

class Meter {
public:
    Meter() : dc_(CreateCompatibleDC(nullptr)) { SelectObject(dc_, GetStockObject(DEFAULT_GUI_FONT)); }
    ~Meter() { DeleteDC(dc_); }
    // The rectangle DrawText needs for `text` at most `width` wide (word-wrapped when `wrap`).
    SIZE Need(const std::wstring& text, int width, bool wrap, bool prefix) const {
        RECT r{0, 0, width, 0};
        UINT flags = DT_CALCRECT | (wrap ? DT_WORDBREAK : DT_SINGLELINE) | (prefix ? 0 : DT_NOPREFIX);
        DrawTextW(dc_, text.c_str(), -1, &r, flags);
        return SIZE{r.right - r.left, r.bottom - r.top};
    }

private:
    HDC dc_;
};

struct Report {
    std::string code;
    int checked = 0, failed = 0;
    // A label that should come from the language file but shows something else.
    void CheckSource(const char* where, int id, const std::wstring& text) {
        const std::wstring expected = Expected(where, id);
        if (expected.empty() || expected == text) return;
        ++failed;
        std::printf("%s %-8s %4d NOT-LOCALIZED shows \"%s\", the file says \"%s\"\n", code.c_str(), where, id,
                    Utf8(text).c_str(), Utf8(expected).c_str());
    }
    void Line(const char* where, int id, const std::wstring& text, int need, int room, const char* what) {
        ++checked;
        const bool fits = need <= room;
        if (!fits) ++failed;
        std::printf("%s %-8s %4d %-5s need %3d of %3d %s  \"%s\"\n", code.c_str(), where, id, fits ? "ok" : "CUT",
                    need, room, what, Utf8(text).c_str());
    }
};

// This process runs at the program's DPI (the bench sets it before both start):
// the measuring font is the program's, and fixed margins grow with the scale.
int Scaled(int value96) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return MulDiv(value96, dpi, 96);
}

const bool gScaled = Scaled(96) != 96;

int Width(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    return r.right - r.left;
}

int Height(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    return r.bottom - r.top;
}

// The room a label has inside its control: group captions sit 7 px in from each
// side (over the frame's top line), radio and check boxes lose their 13 px box and
// the gap after it, push buttons a 3 px border each side.
void MeasureControl(const Meter& m, Report& report, const char* where, HWND hwnd) {
    const std::wstring text = WindowText(hwnd);
    if (text.empty() || !IsWindowVisible(hwnd)) return;
    const int id = GetDlgCtrlID(hwnd);
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    const std::wstring cls = ClassOf(hwnd);
    report.CheckSource(where, id, text);
    if (_wcsicmp(cls.c_str(), L"Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP) return;
        // Word-wrapped statics may use their height; every word must still fit the width.
        const SIZE need = m.Need(text, Width(hwnd), type != SS_LEFTNOWORDWRAP, !(style & SS_NOPREFIX));
        report.Line(where, id, text, need.cx, Width(hwnd), "px wide");
        if (need.cx <= Width(hwnd)) report.Line(where, id, text, need.cy, Height(hwnd), "px high");
    } else if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        const LONG type = style & BS_TYPEMASK;
        const SIZE need = m.Need(text, 0, false, true);
        int room = Width(hwnd);
        const char* what = "px, button";
        if (type == BS_GROUPBOX) {
            room -= Scaled(14);
            what = "px, group caption";
        } else if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON || type == BS_CHECKBOX ||
                   type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE) {
            room -= Scaled(17);
            what = "px, beside the box";
        } else {
            room -= Scaled(6);
        }
        report.Line(where, id, text, need.cx, room, what);
    }
}

// An up-down control sits on its buddy's border by design.
bool Paired(HWND a, HWND b) {
    auto buddy = [](HWND spin) {
        return _wcsicmp(ClassOf(spin).c_str(), UPDOWN_CLASSW) == 0
                   ? reinterpret_cast<HWND>(SendMessageW(spin, UDM_GETBUDDY, 0, 0))
                   : nullptr;
    };
    return buddy(a) == b || buddy(b) == a;
}

// Every text fits its control, and no two visible controls overlap in part (a
// group box or a tab control holds others whole).
void MeasureChildren(const Meter& m, Report& report, const char* where, HWND parent) {
    std::vector<HWND> shown;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        MeasureControl(m, report, where, c);
        if (IsWindowVisible(c)) shown.push_back(c);
    }
    for (size_t i = 0; i < shown.size(); ++i)
        for (size_t j = i + 1; j < shown.size(); ++j) {
            RECT a, b, both;
            GetWindowRect(shown[i], &a);
            GetWindowRect(shown[j], &b);
            if (!IntersectRect(&both, &a, &b) || EqualRect(&both, &a) || EqualRect(&both, &b) ||
                Paired(shown[i], shown[j]))
                continue;
            ++report.failed;
            std::printf("%s %-8s %4d OVERLAPS %d by %ld x %ld px\n", report.code.c_str(), where, GetDlgCtrlID(shown[i]),
                        GetDlgCtrlID(shown[j]), both.right - both.left, both.bottom - both.top);
        }
}

// The tab labels, read from the program's memory (TCM_GETITEM carries a pointer).
void MeasureTabs(const Meter& m, Report& report, HWND tab, DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return;
    const size_t textBytes = 512;
    char* remote = static_cast<char*>(
        VirtualAllocEx(process, nullptr, sizeof(TCITEMW) + sizeof(RECT) + textBytes, MEM_COMMIT, PAGE_READWRITE));
    const int count = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; remote && i < count; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.cchTextMax = textBytes / sizeof(WCHAR);
        item.pszText = reinterpret_cast<LPWSTR>(remote + sizeof(TCITEMW) + sizeof(RECT));
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote));
        SendMessageW(tab, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote + sizeof(TCITEMW)));
        WCHAR text[256] = L"";
        RECT rect{};
        ReadProcessMemory(process, remote + sizeof(TCITEMW) + sizeof(RECT), text, sizeof text, nullptr);
        ReadProcessMemory(process, remote + sizeof(TCITEMW), &rect, sizeof rect, nullptr);
        text[255] = L'\0';
        report.CheckSource("tab", i, text);
        report.Line("tab", i, text, m.Need(text, 0, false, false).cx, rect.right - rect.left - Scaled(6), "px, tab");
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
}

// Every message of the language in the box's text area, not only the one shown.
void MeasureMessages(const Meter& m, Report& report, HWND box) {
    HWND area = GetDlgItem(box, kMessageTextId);
    const WCHAR* path = gLanguageFile.c_str();
    WCHAR keys[4096] = L"";
    GetPrivateProfileStringW(L"ERROR_MSG", nullptr, L"", keys, 4096, path);
    for (const WCHAR* k = keys; *k; k += lstrlenW(k) + 1) {
        WCHAR text[1024] = L"";
        GetPrivateProfileStringW(L"ERROR_MSG", k, L"", text, 1024, path);
        const SIZE need = m.Need(text, Width(area), true, true);
        // Taller than the area only grows the box (at scales where fonts do not grow in step).
        if (need.cx > Width(area))
            report.Line("message", kMessageTextId, text, need.cx, Width(area), "px wide (a word)");
        else if (need.cy <= Height(area) || !gScaled)
            report.Line("message", kMessageTextId, text, need.cy, Height(area), "px high");
        else
            std::printf("%s message %4d grows by %ld px  \"%s\"\n", report.code.c_str(), kMessageTextId,
                        need.cy - Height(area), Utf8(text).c_str());
    }
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// The bench's first queue asks the agent that accepts PDF and JPEG, so the one
// refused file is the only thing the program has to say.
std::string PortKey() {
    return "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\CUPS:" +
           Env("ORVANE_QUEUE_1");
}

void MapFirstQueue() {
    std::string address = Env("ORVANE_AGENT_PDFJPEG");
    address = address.substr(0, address.rfind(':'));
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, PortKey().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(h, "IPAddress", 0, REG_SZ, reinterpret_cast<const BYTE*>(address.c_str()),
                   static_cast<DWORD>(address.size() + 1));
    RegCloseKey(h);
    SetDefaultPrinterA(Env("ORVANE_QUEUE_1").c_str());
}

void SetLanguage(const char* code) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (code)
        RegSetValueExA(key, "QELLangCode", 0, REG_SZ, reinterpret_cast<const BYTE*>(code),
                       static_cast<DWORD>(lstrlenA(code) + 1));
    else
        RegDeleteValueA(key, "QELLangCode");
    RegCloseKey(key);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: label_fit <code> <screenshot folder> <file to open> [screenshot name]\n");
        return 2;
    }
    Report report;
    report.code = argv[1];
    const std::string shots = std::string(argv[2]) + "\\" + (argc == 5 ? argv[4] : argv[1]);
    const std::string exe = WinePath(ORVEX_EXE);
    const std::string file = exe.substr(0, exe.rfind('\\') + 1) +
                             (report.code == "EN" ? std::string("LOCAL.dat") : "LOCAL_" + report.code + ".dat");
    gLanguageFile.assign(file.begin(), file.end());
    Meter meter;
    SetLanguage(report.code.c_str());
    MapFirstQueue();
    OrvexDriver orvex;
    bool ok = orvex.Start("\"" + std::string(argv[3]) + "\"");
    // The refused file is told about while the first tab initialises, before the sheet shows.
    HWND box = nullptr, sheet = nullptr;
    for (DWORD start = GetTickCount(); ok && !box && !sheet && GetTickCount() - start < 20000; Sleep(50)) {
        box = orvex.WaitMessageBox(0);
        if (!box) sheet = orvex.WaitSheet(0);
    }
    if (sheet && !(box = orvex.WaitMessageBox(2500)) && orvex.Print()) box = orvex.WaitMessageBox(8000);
    if (box) {
        orvex.WaitPainted(box);
        orvex.Screenshot(shots + "-message.bmp", box);
        MeasureChildren(meter, report, "message", box);
        MeasureMessages(meter, report, box);
        orvex.CloseMessageBox(box);
    } else if (ok) {
        std::printf("%s: no message box appeared\n", report.code.c_str());
        ok = false;
    }
    if (!sheet && ok) sheet = orvex.WaitSheet();
    if (sheet) {
        // The version splash covers the sheet for its first two seconds.
        WaitFor([] { return FindWindowA("OrvaneVersionSplash", nullptr) == nullptr; }, 10000);
        orvex.Settle();
        orvex.Screenshot(shots + "-basic.bmp");
        MeasureChildren(meter, report, "sheet", sheet);
        MeasureTabs(meter, report, reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0)),
                    orvex.ProcessId());
        MeasureChildren(meter, report, "basic", orvex.Basic());
        orvex.ShowTab(1);
        orvex.Screenshot(shots + "-advanced.bmp");
        MeasureChildren(meter, report, "advanced", orvex.Advanced());
    } else {
        std::printf("%s: the sheet did not appear\n", report.code.c_str());
        ok = false;
    }
    orvex.Stop();
    SetLanguage(nullptr);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, PortKey().c_str());
    std::printf("%s: %d texts measured, %d do not fit\n", report.code.c_str(), report.checked, report.failed);
    return ok && report.failed == 0 && report.checked > 0 ? 0 : 1;
}
