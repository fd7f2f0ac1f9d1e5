// Prints how long the device check takes for printers Windows set up by
// itself, in the layout it keeps (tests/device/printer_layout.h): a WSD port
// whose device names an answering agent, IPP ports by http, ipps and https URI
// (ippeveprinter, behind TLS for the last two), and print-server printers, whose
// server Wine refuses at once. Median and worst of ROUNDS checks each.
// Figures, not a test; run against the bench (tests/snmp/run-bench.sh).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "device/prt_control.h"
#include "tests/device/device_doubles.h"
#include "tests/device/printer_layout.h"

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string Host(const std::string& endpoint) { return endpoint.substr(0, endpoint.rfind(':')); }

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 10;
    if (Env("ORVANE_IPP_TLS").empty()) {
        std::fprintf(stderr, "the bench is not up\n");
        return 2;
    }
    const std::string snmp = Host(Env("ORVANE_AGENT_PDFJPEG")), ipp = Host(Env("ORVANE_AGENT_IPPEVE")),
                      tls = Host(Env("ORVANE_IPP_TLS"));
    printer_layout::WsdDevice wsd("Bench WSD Printer", "Bench Model", "WSD-6a1f4c3e-2b7d-4f0e-9a35-0c1d2e3f4a5b", 1,
                                  {snmp}, {});
    if (!wsd.imported()) return 1;
    const struct {
        const char* what;
        std::string printer, port;
    } cases[] = {
        {"WSD port", "Bench WSD Printer", "WSD-6a1f4c3e-2b7d-4f0e-9a35-0c1d2e3f4a5b"},
        {"IPP port, http", "Bench", "http://" + ipp + ":631/ipp/print"},
        {"IPP port, ipps", "Bench", "ipps://" + tls + "/ipp/print"},
        {"IPP port, https", "Bench", "https://" + tls + ":631/ipp/print"},
        {"print server, port by address", "\\\\orvt-server\\Laser", "IP_" + snmp},
        {"print server, other port", "\\\\orvt-server\\Laser", "Ne01:"},
    };
    for (const auto& c : cases) {
        PrinterOnPort printer(c.port, c.printer);
        CPrtControl control(printer.printers, SystemDeviceIo(), SystemRegistry(), SystemPrinterPlaces());
        std::vector<double> took;
        int found = 0;
        for (int r = 0; r < rounds; ++r) {
            std::string id;
            const auto t0 = std::chrono::steady_clock::now();
            found += control.GetCurrentPrinterDeviceID(id);
            took.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        }
        std::sort(took.begin(), took.end());
        std::printf("%-32s found %d of %d, median %.3f s, worst %.3f s\n", c.what, found, rounds,
                    took[took.size() / 2], took.back());
    }
    return 0;
}
