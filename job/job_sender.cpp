#include "job/job_sender.h"

#include "app/debug_log.h"
#include "job/ansi_text.h"
#include "job/job_message.h"
#include "job/pjl_envelope.h"
#include "job/test_print.h"

namespace {

constexpr std::uint32_t kCopyBlock = 4096;

bool WriteText(JobFileOps& files, JobFileOps::Handle file, const std::string& text) {
    return files.Write(file, text.data(), static_cast<std::uint32_t>(text.size()));
}

// Refuses the job: nothing has been sent, the temporary file goes.
JobSendResult Refuse(JobFileOps& files, const std::string& tempName) {
    ShowJobMessage(kJobMessageInvalidFile);
    if (!tempName.empty()) files.Delete(tempName);
    return JobSendResult::kNotBuilt;
}

}  // namespace

std::string JobDocumentName(const char* path) {
    return std::string("QEL_") + FindFileNamePart(path ? path : "", IsAnsiLeadByte);
}

bool SendDataToDevice(CTestPrint& printer, JobFileOps& files, const char* path) {
    return SendFileToDevice(printer, files, path) != JobSendResult::kNotBuilt;
}

JobSendResult SendFileToDevice(CTestPrint& printer, JobFileOps& files, const char* path) {
    JobFileOps::Handle source = files.OpenSource(path);
    if (source == nullptr) {
        DebugLog("SendDataToDevice / Cannot Open PDF file");
        ShowJobMessage(kJobMessageInvalidFile);
        return JobSendResult::kNotBuilt;
    }

    std::string tempName;
    if (!files.MakeTempName(tempName)) tempName.clear();
    DebugLog("SendDataToDevice / szTempName : %s", tempName.c_str());

    JobFileOps::Handle temp = tempName.empty() ? nullptr : files.CreateTemp(tempName);
    if (temp == nullptr) {
        DebugLog("SendDataToDevice / Cannot Create the temp file");
        files.Close(source);
        // The name generator has already created the file.
        return Refuse(files, tempName);
    }

    std::string header = SendStartPJLCommand(path);
    DebugLog("SendDataToDevice / strStartPJLCMD : %s", header.c_str());
    bool written = WriteText(files, temp, header);

    // A failed read or write must not turn into a shorter job that is sent anyway.
    bool readFailed = false;
    char block[kCopyBlock];
    std::uint32_t got = kCopyBlock;
    while (written && got == kCopyBlock) {
        if (!files.Read(source, block, kCopyBlock, got)) {
            readFailed = true;
            break;
        }
        if (got > 0) written = files.Write(temp, block, got);
    }

    std::string trailer = SendEndPJLCommand();
    DebugLog("SendDataToDevice / strEndPJLCMD : %s", trailer.c_str());
    if (written && !readFailed) written = WriteText(files, temp, trailer);

    bool closed = files.Close(temp);
    files.Close(source);
    if (readFailed) {
        DebugLog("SendDataToDevice / Cannot Read the source file");
        return Refuse(files, tempName);
    }
    if (!written || !closed) {
        DebugLog("SendDataToDevice / Cannot Write the temp file");
        return Refuse(files, tempName);
    }

    if (!printer.OpenDataFile(tempName.c_str())) return Refuse(files, tempName);

    std::string docName = JobDocumentName(path);
    DebugLog("SendDataToDevice / strDocName : %s", docName.c_str());
    long long result = printer.WriteDocument(docName.c_str());
    DebugLog("SendDataToDevice / nResult : %lld", result);
    const bool whole = result > 0 && static_cast<std::uint64_t>(result) == printer.GetJobSize();

    printer.CloseDataFile();
    files.Delete(tempName);
    return whole ? JobSendResult::kSent : JobSendResult::kSpoolerRefused;
}
