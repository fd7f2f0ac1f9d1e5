// Prints figures, not a verdict: the latency of reading the printer device ID
// with our library against net-snmp's snmpget on the same agent.
//   bench_snmp HOST[:PORT] [COMMUNITY] [COUNT] [--snmpget]
// Natively --snmpget also times `snmpget -v1` (one process per read) in the same
// run and prints the ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "snmp/snmp.h"

namespace {

const char kDeviceIdOid[] = "1.3.6.1.4.1.47261.11.5.1.1.1.26.0";

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

// One read exactly as the printer code does it: start-up, one GET, clean-up.
bool ReadOnce(const std::string& host, unsigned short port, const std::string& community,
              std::string* text) {
    SNMPStartup();
    SNMPManager manager;
    Target target;
    target.setAgentAddress(host.c_str());
    target.setReadCommunity(community.c_str());
    target.setTimeout(1);
    target.setRetryCount(0);
    target.setPort(port);
    ReqRespPDU request;
    VarBind binding;
    binding.setOID(OID(kDeviceIdOid));
    request.setVarBindList(&binding, 1);
    int code = manager.get(request, target);
    const OctetString* value = code == 0 ? request.getVarBind(0).getValue().asOctetString() : nullptr;
    *text = value ? value->toString() : SNMPManager::errorToString(code);
    SNMPCleanup();
    return value != nullptr;
}

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s HOST[:PORT] [COMMUNITY] [COUNT] [--snmpget]\n", argv[0]);
        return 2;
    }
    std::string host = argv[1];
    unsigned short port = 161;
    // HOST:PORT, but an IPv6 literal has colons of its own: [::1]:PORT.
    std::size_t colon = host.rfind(':');
    if (!host.empty() && host[0] == '[') {
        std::size_t close = host.find(']');
        if (close != std::string::npos && close + 1 < host.size() && host[close + 1] == ':')
            port = static_cast<unsigned short>(std::atoi(host.c_str() + close + 2));
        host = host.substr(1, close - 1);
    } else if (colon != std::string::npos && host.find(':') == colon) {
        port = static_cast<unsigned short>(std::atoi(host.c_str() + colon + 1));
        host = host.substr(0, colon);
    }
    std::string community = argc > 2 ? argv[2] : "public";
    int count = argc > 3 ? std::atoi(argv[3]) : 1000;
    bool withSnmpget = argc > 4 && std::strcmp(argv[4], "--snmpget") == 0;

    std::vector<double> ours;
    int failures = 0;
    std::string text;
    for (int i = 0; i < count; ++i) {
        auto t0 = Clock::now();
        if (!ReadOnce(host, port, community, &text)) ++failures;
        ours.push_back(Ms(Clock::now() - t0));
    }
    std::printf("device id: %s\n", text.c_str());
    std::printf("ours:     %d reads, %d failed, median %.3f ms, p90 %.3f ms, max %.3f ms\n", count,
                failures, Median(ours), Percentile(ours, 0.9), Percentile(ours, 1.0));

    if (withSnmpget) {
        std::string address = host.find(':') != std::string::npos ? "udp6:[" + host + "]" : host;
        std::string command = "snmpget -v1 -r0 -t1 -Oqv -c '" + community + "' " + address + ":" +
                              std::to_string(port) + " " + kDeviceIdOid + " >/dev/null 2>&1";
        std::vector<double> theirs;
        int theirFailures = 0;
        for (int i = 0; i < count; ++i) {
            auto t0 = Clock::now();
            if (std::system(command.c_str()) != 0) ++theirFailures;
            theirs.push_back(Ms(Clock::now() - t0));
        }
        std::printf("snmpget:  %d reads, %d failed, median %.3f ms, p90 %.3f ms, max %.3f ms\n", count,
                    theirFailures, Median(theirs), Percentile(theirs, 0.9), Percentile(theirs, 1.0));
        std::printf("ratio snmpget/ours (median): %.1f\n", Median(theirs) / Median(ours));
    }
    return failures == 0 ? 0 : 1;
}
