// Prints how long Orvex's window is held when the user picks a network printer
// in the Basic tab's list: from the selection until the program is back in its
// message loop (the selection message returns). Once for a printer whose six
// device-ID sources are all silent, once for one whose address answers, and
// once each for printers known only by the PWG object and only by IPP.
// Figures, not a test; run against the bench (tests/snmp/run-bench.sh).
#include <windows.h>
#include <winspool.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/device/bench_keys.h"
#include "tests/tabs/orvex_driver.h"

namespace {

constexpr int kPrinterList = 1034;

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string AgentAddress(const char* name) {
    std::string a = Env((std::string("ORVANE_AGENT_") + name).c_str());
    return a.substr(0, a.rfind(':'));
}

std::vector<std::string> g_keys;

// Staged keys are removed again at the end.
void StageKey(const std::string& key, const char* name, const std::string& value) {
    if (SetKey(key, name, value)) g_keys.push_back(key);
}

// Seconds from the selection until the page has handled it.
double Choose(OrvexDriver& orvex, const std::string& queue) {
    HWND combo = orvex.Control(orvex.Basic(), kPrinterList);
    int index = -1;
    for (int i = 0, n = orvex.ComboCount(orvex.Basic(), kPrinterList); i < n; ++i)
        if (orvex.ComboText(orvex.Basic(), kPrinterList, i) == queue) index = i;
    DWORD_PTR r = 0;
    SendMessageTimeoutA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_NORMAL, 5000, &r);
    auto t0 = std::chrono::steady_clock::now();
    SendMessageTimeoutA(orvex.Basic(), WM_COMMAND, MAKEWPARAM(kPrinterList, CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(combo), SMTO_NORMAL, 60000, &r);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    orvex.DrainMessages(1500, 300);   // the busy message of a silent printer
    return seconds;
}

}  // namespace

int main() {
    const std::string answering = Env("ORVANE_QUEUE_1"), second = Env("ORVANE_QUEUE_2"),
                      silent = Env("ORVANE_QUEUE_3");
    if (answering.empty() || silent.empty()) {
        std::fprintf(stderr, "the bench is not up\n");
        return 2;
    }
    const std::string standard = std::string(kMonitors) + "Standard TCP/IP Port\\Ports\\CUPS:";
    StageKey(standard + answering, "IPAddress", AgentAddress("PDFJPEG"));
    StageKey(standard + silent, "IPAddress", AgentAddress("SILENT"));
    StageKey(standard + silent, "HostName", AgentAddress("SILENT"));
    for (const char* vendor : kVendorKeys) StageKey(std::string(kMonitors) + vendor + "CUPS:" + silent, "IP",
                                                  AgentAddress("SILENT"));
    SetDefaultPrinterA(answering.c_str());

    int rc = 1;
    {
        OrvexDriver orvex;
        if (orvex.Start("") && orvex.WaitSheet()) {
            orvex.DrainMessages(1500, 300);
            for (int round = 0; round < 3; ++round) {
                double off = Choose(orvex, silent);
                double on = Choose(orvex, answering);
                StageKey(standard + second, "IPAddress", AgentAddress("PWG"));
                double pwg = Choose(orvex, second);
                StageKey(standard + second, "IPAddress", AgentAddress("IPPEVE"));
                double ipp = Choose(orvex, second);
                std::printf("window held: silent printer %.2f s, answering printer %.3f s, PWG-only printer %.3f s, "
                            "IPP-only printer %.3f s\n", off, on, pwg, ipp);
            }
            rc = 0;
        }
    }
    for (const std::string& key : g_keys) RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    return rc;
}
