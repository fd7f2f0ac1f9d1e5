// Prints how long the device-ID check takes for a network printer none of whose
// sources answers: a Standard TCP/IP Port with address and host name, and a key
// under each of the four vendor monitors, all pointing at a silent agent.
// With REACHABLE_ADDRESS it then also prints the median of COUNT checks (default
// 200) of a printer whose address answers while its other five sources are silent.
// With IPP_ONLY_ADDRESS, how long the check of a printer with IPP and no SNMP agent
// takes; with HOST_NAME, that of a port whose address is silent and whose host
// name resolves to the reachable printer.
//   bench_worst_case SILENT_ADDRESS [COUNT_FILE [REACHABLE_ADDRESS [COUNT [IPP_ONLY_ADDRESS [HOST_NAME]]]]]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <fstream>
#include <string>

#include "device/prt_control.h"
#include "spooler/spooler_access.h"
#include "tests/device/bench_keys.h"
#include "tests/job/fakes.h"

namespace {

const char kPort[] = "ORVT_WORST";

int Count(const char* file) {
    std::ifstream in(file ? file : "");
    int n = -1;
    in >> n;
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SILENT_ADDRESS [COUNT_FILE]\n", argv[0]);
        return 2;
    }
    const std::string address = argv[1];
    const char* countFile = argc > 2 && argv[2][0] ? argv[2] : nullptr;
    const std::string reachable = argc > 3 ? argv[3] : "";
    const int checks = argc > 4 ? std::atoi(argv[4]) : 200;
    const std::string ippOnly = argc > 5 ? argv[5] : "";
    const std::string hostName = argc > 6 ? argv[6] : "";
    const std::string standard = std::string(kMonitors) + "Standard TCP/IP Port\\Ports\\" + kPort;
    SetKey(standard, "IPAddress", address);
    SetKey(standard, "HostName", address);
    SetKey(standard, "SNMP Community", "public");
    for (const char* vendor : kVendorKeys) SetKey(std::string(kMonitors) + vendor + kPort, "IP", address);

    FakeWorld world;
    FakeSpooler spooler(world);
    spooler.printers = {{"Silent Printer", kPort, 0}};
    CTestPrint printers(spooler);
    printers.SetCurrentPrinterIndex(0);
    CPrtControl control(printers, SystemDeviceIo(), SystemRegistry());

    int before = Count(countFile);
    auto t0 = std::chrono::steady_clock::now();
    std::string id;
    int result = control.GetCurrentPrinterDeviceID(id);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    int after = Count(countFile);
    std::printf("worst case: result %d, %.2f s for the whole check", result, seconds);
    if (before >= 0 && after >= 0) std::printf(", %d requests to the silent agent", after - before);
    std::printf("\n");
    bool ok = result == 0;

    if (!reachable.empty()) {
        SetKey(standard, "IPAddress", reachable);
        std::vector<double> ms;
        int found = 0;
        for (int i = 0; i < checks; ++i) {
            auto start = std::chrono::steady_clock::now();
            found += control.GetCurrentPrinterDeviceID(id);
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(ms.begin(), ms.end());
        if (!ms.empty()) {
            std::printf("reachable printer: %d checks, %d found, median %.3f ms, p90 %.3f ms\n", checks, found,
                        ms[ms.size() / 2], ms[ms.size() * 9 / 10]);
        }
        ok = ok && found == checks;
    }

    // One port key, the vendor monitors' gone: a single check, timed.
    const auto timedCheck = [&](const char* what, const char* name, const std::string& value, const char* name2,
                                const std::string& value2) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, standard.c_str());
        for (const char* vendor : kVendorKeys)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kMonitors) + vendor + kPort).c_str());
        SetKey(standard, name, value);
        if (name2) SetKey(standard, name2, value2);
        auto start = std::chrono::steady_clock::now();
        const int found = control.GetCurrentPrinterDeviceID(id);
        std::printf("%s: result %d, %.2f s, device ID [%s]\n", what, found,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), id.c_str());
        ok = ok && found == 1;
    };
    if (!ippOnly.empty()) timedCheck("IPP only, no SNMP agent", "IPAddress", ippOnly, nullptr, "");
    if (!hostName.empty()) timedCheck("silent address, host name answers", "IPAddress", address, "HostName", hostName);

    RegDeleteTreeA(HKEY_LOCAL_MACHINE, standard.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, standard.c_str());
    for (const char* vendor : kVendorKeys) {
        std::string key = std::string(kMonitors) + vendor + kPort;
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    }
    return ok ? 0 : 1;
}
