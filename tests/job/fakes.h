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

// Every handle of the fakes: a file opened for the sender.
struct FakeHandle {
    std::string name;
    std::size_t pos = 0;
};

inline void* OpenFake(FakeWorld& w, const std::string& name) {
    ++w.openHandles;
    return new FakeHandle{name, 0};
}

inline bool CloseFake(FakeWorld& w, void* handle) {
    auto* h = static_cast<FakeHandle*>(handle);
    delete h;
    --w.openHandles;
    return true;
}

class FakeSpooler : public SpoolerOps {
public:
    explicit FakeSpooler(FakeWorld& world) : w(world) {}

    FakeWorld& w;
    bool enumOk = true;
    std::vector<PrinterRecord> printers;      // installed here
    std::vector<PrinterRecord> connections;   // the user's connections to shared printers
    OsVersion version{2, 6, 2, 9200, ""};
    bool versionOk = true;
    std::string profileDevice = ",,,";
    std::string defaultName;
    bool defaultOk = true;
    std::string failOpenFor;              // printer name OpenPrinter refuses
    std::map<std::string, std::string> driverPaths;  // printer -> path ("!13", "!throw")
    std::uint32_t takeAtMost = ~0u;       // a WritePrinter that succeeds takes at most this many bytes
    std::string sent;                     // bytes of the documents not aborted
    std::vector<std::string> docNames, dataTypes;

    // The `at`-th call (from 0) of StartDoc, StartPage, Write, EndPage or EndDoc fails.
    void FailCall(const std::string& call, int at = 0) {
        failCall_ = call;
        failAt_ = at;
        count_ = 0;
    }

    // As the spooler answers: the local printers, then the connections, each
    // kind only when asked for.
    bool ListPrinters(std::uint32_t flags, std::vector<PrinterRecord>& out) override {
        w.calls.push_back("EnumPrinters");
        if (!enumOk) return false;
        out.clear();
        if (flags & kPrinterEnumLocal) out = printers;
        if (flags & kPrinterEnumConnections) out.insert(out.end(), connections.begin(), connections.end());
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
        return !Fails("StartDoc");
    }
    bool StartPage(Handle) override {
        w.calls.push_back("StartPage");
        return !Fails("StartPage");
    }
    bool Write(Handle, const void* data, std::uint32_t size, std::uint32_t& written) override {
        w.calls.push_back("Write " + std::to_string(size));
        written = 0;
        if (Fails("Write")) return false;
        written = std::min(size, takeAtMost);
        sent.append(static_cast<const char*>(data), written);
        return true;
    }
    bool EndPage(Handle) override {
        w.calls.push_back("EndPage");
        return !Fails("EndPage");
    }
    bool EndDoc(Handle) override {
        w.calls.push_back("EndDoc");
        return !Fails("EndDoc");
    }
    bool AbortDoc(Handle) override {
        w.calls.push_back("AbortDoc");
        sent.resize(docStart_);  // the document never reaches the printer
        return true;
    }
private:
    bool Fails(const std::string& call) { return call == failCall_ && count_++ == failAt_; }
    std::string current_, failCall_;
    int failAt_ = 0, count_ = 0;
    std::size_t docStart_ = 0;
};

// Files in FakeWorld::files; handles are positions into them.
class FakeFiles : public JobFileOps {
public:
    explicit FakeFiles(FakeWorld& world) : w(world) {}

    FakeWorld& w;
    bool sizeOk = true;
    std::int64_t sizeSkew = 0;         // the size reported differs from the content by this much
    std::uint64_t failReadAt = ~0ull;  // a read starting at or beyond this offset fails
    std::vector<std::string> locked;   // sources open for writing elsewhere

    Handle OpenSource(const char* path) override {
        if (!w.files.count(path)) return nullptr;
        for (const auto& l : locked)
            if (l == path) return nullptr;
        return OpenFake(w, path);
    }
    bool Size(Handle h, std::uint64_t& size) override {
        size = w.files[static_cast<FakeHandle*>(h)->name].size() + sizeSkew;
        return sizeOk;
    }
    bool Read(Handle h, void* buffer, std::uint32_t size, std::uint32_t& got) override {
        auto* f = static_cast<FakeHandle*>(h);
        got = 0;
        if (f->pos >= failReadAt) return false;
        const std::string& c = w.files[f->name];
        std::size_t n = f->pos < c.size() ? std::min<std::size_t>(size, c.size() - f->pos) : 0;
        std::memcpy(buffer, c.data() + f->pos, n);
        f->pos += n;
        got = static_cast<std::uint32_t>(n);
        return true;
    }
    bool Close(Handle h) override { return CloseFake(w, h); }
};
