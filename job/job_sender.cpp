#include "job/job_sender.h"

#include <memory>
#include <new>

#include "base/ansi_text.h"
#include "base/debug_log.h"
#include "job/job_message.h"
#include "job/pjl_envelope.h"
#include "spooler/spooler_access.h"

namespace {

bool WriteText(JobFileOps& files, JobFileOps::Handle file, const std::string& text) {
    return files.Write(file, text.data(), static_cast<std::uint32_t>(text.size()));
}

JobSendResult Refuse() {
    ShowJobMessage(kJobMessageInvalidFile);
    return JobSendResult::kNotBuilt;
}

}  // namespace

std::string JobDocumentName(const char* path) {
    return std::string("QEL_") + FindFileNamePart(path ? path : "", IsAnsiLeadByte);
}

JobSendResult SendFileToDevice(CTestPrint& printer, JobFileOps& files, const char* path) {
    JobFileOps::Handle source = files.OpenSource(path);
    if (source == nullptr) {
        DebugLog("SendDataToDevice / Cannot Open PDF file");
        return Refuse();
    }

    std::string tempName;
    if (!files.MakeTempName(tempName)) tempName.clear();
    DebugLog("SendDataToDevice / szTempName : %s", tempName.c_str());

    JobFileOps::Handle temp = tempName.empty() ? nullptr : files.CreateTemp(tempName);
    std::unique_ptr<char[]> block(temp ? new (std::nothrow) char[kJobCopyBlock] : nullptr);
    if (temp == nullptr || block == nullptr) {
        DebugLog("SendDataToDevice / Cannot Create the temp file");
        files.Close(source);
        if (temp != nullptr) files.Close(temp);
        // The name generator has already created the file.
        else if (!tempName.empty()) files.Delete(tempName);
        return Refuse();
    }
    // From here on the temporary file goes when its handle closes.

    std::string header = SendStartPJLCommand(path);
    DebugLog("SendDataToDevice / strStartPJLCMD : %s", header.c_str());
    bool written = WriteText(files, temp, header);

    // A failed read or write must not turn into a shorter job that is sent anyway.
    bool readFailed = false;
    std::uint64_t jobSize = header.size();
    std::uint32_t got = kJobCopyBlock;
    while (written && got == kJobCopyBlock) {
        if (!files.Read(source, block.get(), kJobCopyBlock, got)) {
            readFailed = true;
            break;
        }
        if (got > 0) written = files.Write(temp, block.get(), got);
        jobSize += got;
    }
    block.reset();

    std::string trailer = SendEndPJLCommand();
    DebugLog("SendDataToDevice / strEndPJLCMD : %s", trailer.c_str());
    if (written && !readFailed) written = WriteText(files, temp, trailer);
    jobSize += trailer.size();

    files.Close(source);
    if (readFailed || !written) {
        DebugLog(readFailed ? "SendDataToDevice / Cannot Read the source file"
                            : "SendDataToDevice / Cannot Write the temp file");
        files.Close(temp);
        return Refuse();
    }

    // CTestPrint reads the job through this same handle and closes it.
    if (!printer.OpenDataFile(temp)) return Refuse();

    std::string docName = JobDocumentName(path);
    DebugLog("SendDataToDevice / strDocName : %s", docName.c_str());
    long long result = printer.WriteDocument(docName.c_str());
    DebugLog("SendDataToDevice / nResult : %lld", result);
    printer.CloseDataFile();
    const bool whole = result > 0 && static_cast<std::uint64_t>(result) == jobSize;
    return whole ? JobSendResult::kSent : JobSendResult::kSpoolerRefused;
}
