// The job sender: one selected file becomes one raw spooler job, built whole as
// PJL header + file bytes + PJL trailer in a temporary file before CTestPrint
// hands it to the spooler.
#pragma once
#include <cstdint>
#include <string>

class CTestPrint;

// The source is copied into the job file in blocks of this size (under Wine
// much faster than 4 KiB, and than 1 MiB and more).
constexpr std::uint32_t kJobCopyBlock = 256u << 10;

// The file operations the sender uses; one real implementation on Windows,
// test doubles elsewhere.
class JobFileOps {
public:
    using Handle = void*;  // nullptr = none

    virtual ~JobFileOps() = default;
    // Read access, shared for reading, existing file only.
    virtual Handle OpenSource(const char* path) = 0;
    // A unique name with the prefix "QEL" in the user's temporary folder; the
    // generator creates the empty file. False (name empty) when it cannot.
    virtual bool MakeTempName(std::string& name) = 0;
    // Read and write access, not shared, always newly created. The system deletes
    // the file when its last handle closes, however the process ends.
    virtual Handle CreateTemp(const std::string& name) = 0;
    // False on a failed read; `got` is 0 at the end of the file.
    virtual bool Read(Handle file, void* buffer, std::uint32_t size, std::uint32_t& got) = 0;
    // True only when every byte was written.
    virtual bool Write(Handle file, const void* data, std::uint32_t size) = 0;
    virtual bool Close(Handle file) = 0;
    virtual bool Delete(const std::string& name) = 0;
};

// What became of one file: not built (message kind 6 shown), handed to the
// spooler but refused or taken only in part, or taken whole.
enum class JobSendResult { kNotBuilt, kSpoolerRefused, kSent };

#if defined(_WIN32)
JobFileOps& SystemJobFileOps();
// The sender with the system's files.
JobSendResult SendFileToDevice(CTestPrint& printer, const char* path);
#endif

// Builds the job for `path`, maps it and writes it to the printer's current
// printer as "QEL_" + file name. kNotBuilt (message kind 6 shown, nothing sent,
// no temporary file left) when the source cannot be opened or read, the
// temporary file cannot be created or written in full, or the job cannot be
// mapped; otherwise whether the spooler took the whole job.
JobSendResult SendFileToDevice(CTestPrint& printer, JobFileOps& files, const char* path);

// The document name the spooler shows: "QEL_" + the text after the last backslash.
std::string JobDocumentName(const char* path);
