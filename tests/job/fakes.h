// Test doubles of the spooler and file operations: an in-memory file system,
// a list of printers, and a record of every call in order.
#pragma once
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "job/job_sender.h"
#include "spooler/spooler_ops.h"

struct FakeWorld {
    std::map<std::string, std::string> files;  // name -> content
    std::vector<std::string> calls;            // "OpenPrinter Name", "Write 123", ...
    int openHandles = 0;
};

// Every handle of the fakes; files opened for the sender and mappings alike.
struct FakeHandle {
    std::string name;
    std::size_t pos = 0;
    bool deleteOnClose = false;
};

inline void* OpenFake(FakeWorld& w, const std::string& name, bool deleteOnClose = false) {
    ++w.openHandles;
    return new FakeHandle{name, 0, deleteOnClose};
}

// Closing the last handle of a delete-on-close file removes it, as the system does.
inline bool CloseFake(FakeWorld& w, void* handle) {
    auto* h = static_cast<FakeHandle*>(handle);
    if (h->deleteOnClose) w.files.erase(h->name);
    delete h;
    --w.openHandles;
    return true;
}

class FakeSpooler : public SpoolerOps {
public:
    explicit FakeSpooler(FakeWorld& world) : w(world) {}

    FakeWorld& w;
    bool enumOk = true;
    std::vector<PrinterRecord> printers;
    OsVersion version{2, 6, 2, 9200, ""};
    bool versionOk = true;
    std::string profileDevice = ",,,";
    std::string defaultName;
    bool defaultOk = true;
    std::string failOpenFor;              // printer name OpenPrinter refuses
    std::map<std::string, std::string> driverPaths;  // printer -> path ("!13", "!throw")
    bool startDocOk = true, startPageOk = true;
    std::uint64_t acceptLimit = ~0ull;    // WritePrinter accepts at most this many bytes in all
    std::uint64_t failJobReadAt = ~0ull;  // a read of the job file at or beyond this offset fails
    std::string sent;                     // bytes WritePrinter accepted
    std::vector<std::string> docNames, dataTypes;

    bool EnumLocalPrinters(std::vector<PrinterRecord>& out) override {
        w.calls.push_back("EnumPrinters");
        if (!enumOk) return false;
        out = printers;
        return true;
    }
    unsigned GetProfileDevice(std::string& text) override {
        text = profileDevice;
        return static_cast<unsigned>(text.size());
    }
    bool GetDefaultPrinterName(std::string& name) override {
        w.calls.push_back("GetDefaultPrinter");
        name = defaultName;
        return defaultOk;
    }
    bool GetVersion(bool, OsVersion& v) override {
        v = version;
        return versionOk;
    }
    Handle OpenPrinterByName(const std::string& name) override {
        w.calls.push_back("OpenPrinter " + name);
        if (name == failOpenFor) return nullptr;
        ++w.openHandles;
        current_ = name;
        return reinterpret_cast<Handle>(0x100);
    }
    void ClosePrinter(Handle) override {
        w.calls.push_back("ClosePrinter");
        --w.openHandles;
    }
    int GetDriverPath(Handle, std::string& path) override {
        w.calls.push_back("GetDriver");
        std::string p = driverPaths.count(current_) ? driverPaths[current_] : "C:\\drivers\\unidrv.dll";
        if (p == "!13") return 13;
        if (p == "!throw") throw std::runtime_error("fault");
        path = p;
        return 0;
    }
    bool StartDocument(Handle, const std::string& docName, const std::string& dataType) override {
        w.calls.push_back("StartDoc " + docName + " " + dataType);
        docNames.push_back(docName);
        dataTypes.push_back(dataType);
        docStart_ = sent.size();
        return startDocOk;
    }
    bool StartPage(Handle) override {
        w.calls.push_back("StartPage");
        return startPageOk;
    }
    bool Write(Handle, const void* data, std::uint32_t size, std::uint32_t& written) override {
        w.calls.push_back("Write " + std::to_string(size));
        std::uint64_t room = acceptLimit > sent.size() ? acceptLimit - sent.size() : 0;
        written = static_cast<std::uint32_t>(room < size ? room : size);
        sent.append(static_cast<const char*>(data), written);
        return written == size;
    }
    bool EndPage(Handle) override {
        w.calls.push_back("EndPage");
        return true;
    }
    bool EndDoc(Handle) override {
        w.calls.push_back("EndDoc");
        return true;
    }
    bool AbortDoc(Handle) override {
        w.calls.push_back("AbortDoc");
        sent.resize(docStart_);  // the document never reaches the printer
        return true;
    }
    bool GetFileSize(Handle file, std::uint64_t& size) override {
        auto it = w.files.find(static_cast<FakeHandle*>(file)->name);
        if (it == w.files.end()) return false;
        size = it->second.size();
        return true;
    }
    bool ReadAt(Handle file, std::uint64_t offset, void* buffer, std::uint32_t size, std::uint32_t& got) override {
        const std::string& content = w.files[static_cast<FakeHandle*>(file)->name];
        got = 0;
        if (offset >= failJobReadAt) return false;
        if (offset < content.size()) got = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, content.size() - offset));
        std::memcpy(buffer, content.data() + offset, got);
        return true;
    }
    void CloseHandle(Handle h) override { CloseFake(w, h); }

private:
    std::string current_;
    std::size_t docStart_ = 0;
};

// Files in FakeWorld::files; handles are positions into them. The temporary
// file is deleted on its last close.
class FakeFiles : public JobFileOps {
public:
    explicit FakeFiles(FakeWorld& world) : w(world) {}

    FakeWorld& w;
    bool tempNameOk = true;
    bool createTempOk = true;
    std::uint64_t diskRoom = ~0ull;   // bytes the temp folder takes before it is full
    std::uint64_t failReadAt = ~0ull; // a read starting at or beyond this offset fails
    std::vector<std::string> locked;  // sources open for writing elsewhere
    int reads = 0;
    int tempCounter = 0;

    Handle OpenSource(const char* path) override {
        if (!w.files.count(path)) return nullptr;
        for (const auto& l : locked)
            if (l == path) return nullptr;
        return OpenFake(w, path);
    }
    bool MakeTempName(std::string& name) override {
        if (!tempNameOk) return false;
        name = "T:\\QEL" + std::to_string(++tempCounter) + ".TMP";
        w.files[name];  // the generator creates the file
        return true;
    }
    Handle CreateTemp(const std::string& name) override {
        if (!createTempOk) return nullptr;
        w.files[name].clear();
        return OpenFake(w, name, true);
    }
    bool Read(Handle h, void* buffer, std::uint32_t size, std::uint32_t& got) override {
        auto* f = static_cast<FakeHandle*>(h);
        ++reads;
        got = 0;
        if (f->pos >= failReadAt) return false;
        const std::string& c = w.files[f->name];
        std::size_t n = f->pos < c.size() ? std::min<std::size_t>(size, c.size() - f->pos) : 0;
        std::memcpy(buffer, c.data() + f->pos, n);
        f->pos += n;
        got = static_cast<std::uint32_t>(n);
        return true;
    }
    bool Write(Handle h, const void* data, std::uint32_t size) override {
        auto* f = static_cast<FakeHandle*>(h);
        std::string& c = w.files[f->name];
        std::uint64_t room = diskRoom > c.size() ? diskRoom - c.size() : 0;
        std::size_t n = static_cast<std::size_t>(room < size ? room : size);
        c.append(static_cast<const char*>(data), n);
        return n == size;
    }
    bool Close(Handle h) override { return CloseFake(w, h); }
    bool Delete(const std::string& name) override {
        w.calls.push_back("Delete " + name);
        return w.files.erase(name) == 1;
    }
};
