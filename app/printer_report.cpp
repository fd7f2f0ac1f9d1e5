#include "app/printer_report.h"

#include "base/json_writer.h"

namespace {

const char* const kLanguageNames[] = {"PDF", "JPEG", "TIFF", "PNG", "BMP"};

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

// "ok", "no format" or "unreachable": the check's result in one word for scripts.
const char* Result(const PrinterCheckReport& p) {
    return p.nSupportedTypes > 0 ? "ok" : p.nSupportedTypes == 0 ? "no format" : "unreachable";
}

std::string Verdict(const PrinterCheckReport& p) {
    if (p.nSupportedTypes > 0) return Joined(LanguageNames(p.nSupportedTypes));
    if (p.nSupportedTypes == 0) return "takes none of the formats";
    return "busy, switched off or cannot be reached";
}

JsonObject PrinterJson(const PrinterCheckReport& p) {
    JsonObject line;
    line.Add("printer", p.name).Add("port", p.port).Add("default", p.bDefault);
    if (p.bChecked)
        line.Add("result", Result(p))
            .Add("languages", LanguageNames(p.nSupportedTypes))
            .Add("device_id", p.deviceId)
            .Add("source", p.source);
    return line;
}

}  // namespace

std::vector<std::string> LanguageNames(int nSupportedTypes) {
    std::vector<std::string> names;
    for (int bit = 0; bit < 5 && nSupportedTypes > 0; ++bit)
        if (nSupportedTypes & (1 << bit)) names.push_back(kLanguageNames[bit]);
    return names;
}

std::vector<std::string> PrinterListLines(const std::vector<PrinterCheckReport>& printers, bool json) {
    std::vector<std::string> lines;
    for (const PrinterCheckReport& p : printers) {
        if (json) {
            lines.push_back(PrinterJson(p).Line());
            continue;
        }
        std::string line = (p.bDefault ? "* " : "  ") + p.name + " (" + p.port + ")";
        if (p.bChecked) line += ": " + Verdict(p);
        lines.push_back(line);
    }
    if (printers.empty() && !json) lines.push_back("no printer is installed");
    return lines;
}

std::vector<std::string> PrinterCheckLines(const PrinterCheckReport& p, bool json) {
    if (json) return {PrinterJson(p).Line()};
    return {"printer: " + p.name + " (" + p.port + ")",
            "device ID: " + (p.deviceId.empty() ? std::string("none") : p.deviceId),
            "from: " + (p.source.empty() ? std::string("nowhere") : p.source),
            "languages: " + Verdict(p)};
}

int CheckExitCode(const PrinterCheckReport& p) { return p.nSupportedTypes > 0 ? 0 : 2; }
