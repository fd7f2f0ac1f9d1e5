#include "app/json_report.h"

#include "base/json_writer.h"

std::vector<std::string> JsonPrintReport(const PrintModeReport& report) {
    std::vector<std::string> lines;
    long long sent = 0;
    for (const PrintModeFile& file : report.files) {
        JsonObject line;
        line.Add("printer", report.printer).Add("file", file.name);
        if (file.reason.empty()) {
            ++sent;
            line.Add("result", "sent");
        } else {
            line.Add("result", "not sent").Add("reason", file.reason);
        }
        lines.push_back(line.Line());
    }
    JsonObject summary;
    summary.Add("printer", report.printer)
        .Add("sent", sent)
        .Add("named", static_cast<long long>(report.files.size()))
        .Add("exit", report.nExitCode)
        .Add("summary", report.lines.empty() ? std::string() : report.lines.back());
    if (!report.printerReason.empty()) summary.Add("reason", report.printerReason);
    lines.push_back(summary.Line());
    return lines;
}

std::string JsonRefusal(const std::string& reason) {
    return JsonObject().Add("result", "refused").Add("reason", reason).Line();
}
