// The job sender: one selected file becomes one raw spooler job, PJL header +
// file bytes + PJL trailer, streamed straight from the file into the spooler.
#pragma once
#include <cstdint>
#include <string>

class CTestPrint;

// The file operations the sender uses; one real implementation on Windows,
// test doubles elsewhere.
class JobFileOps {
public:
    using Handle = void*;  // nullptr = none

    virtual ~JobFileOps() = default;
    // Read access, shared for reading, existing file only.
    virtual Handle OpenSource(const char* path) = 0;
    // The size of the open file (not of a directory entry, which for a link
    // describes the link); false when it cannot be read.
    virtual bool Size(Handle file, std::uint64_t& size) = 0;
    // False on a failed read; `got` is 0 at the end of the file.
    virtual bool Read(Handle file, void* buffer, std::uint32_t size, std::uint32_t& got) = 0;
    virtual bool Close(Handle file) = 0;
};

// How a send is watched and stopped; called on the sending thread.
class JobWatch {
public:
    virtual ~JobWatch() = default;
    // Asked before every block: true aborts the job at the spooler.
    virtual bool Cancelled() = 0;
    // The file's size as announced, when the job starts.
    virtual void FileStarted(std::uint64_t fileSize) = 0;
    // Bytes of the file (header and trailer not counted) the spooler holds so far.
    virtual void FileTaken(std::uint64_t bytes) = 0;
};

// What became of one file: not sent because it could not be read whole (message
// kind 6 shown), refused or failed by the spooler, cancelled, or taken whole.
// Only kSent leaves something to print.
enum class JobSendResult { kNotBuilt, kSpoolerRefused, kCancelled, kSent };

#if defined(_WIN32)
JobFileOps& SystemJobFileOps();
// The sender with the system's files.
JobSendResult SendFileToDevice(CTestPrint& printer, const char* path, JobWatch* watch = nullptr);
#endif

// Sends `path` to the printer's current printer as "QEL_" + file name, with the
// size of the open file as FILESIZE. A file that cannot be opened, whose size
// cannot be read, whose read fails, or that turns out shorter or longer than
// announced sends nothing (the job is aborted) and shows message kind 6.
JobSendResult SendFileToDevice(CTestPrint& printer, JobFileOps& files, const char* path, JobWatch* watch = nullptr);

// The document name the spooler shows: "QEL_" + the text after the last backslash.
std::string JobDocumentName(const char* path);
