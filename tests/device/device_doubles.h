// Test doubles for the device readers: a spooler whose printers have chosen
// ports, a registry of staged keys, staged USB interfaces and parallel devices,
// and a trace sink that collects DebugLog lines.
#pragma once
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/debug_log.h"
#include "device/device_io.h"
#include "spooler/spooler_access.h"
#include "tests/job/fakes.h"

// A CTestPrint whose current printer prints to `port` ("" = no current printer);
// a printer named "\\server\name" is the user's connection to a shared one.
struct PrinterOnPort {
    FakeWorld world;
    FakeSpooler spooler{world};
    CTestPrint printers{spooler};

    explicit PrinterOnPort(const std::string& port, const std::string& name = "Test Printer") : m_name(name) {
        SetPort(port);
    }
    void SetPort(const std::string& port) {
        const bool shared = m_name.compare(0, 2, "\\\\") == 0;
        spooler.printers.clear();
        spooler.connections.clear();
        (shared ? spooler.connections : spooler.printers).push_back({m_name, port, 0});
        printers.RefreshPrinterList();
        printers.SetCurrentPrinterIndex(port.empty() ? -1 : 0);
    }

private:
    std::string m_name;
};

class StagedRegistry : public RegistryReader {
public:
    // key path -> value name -> text
    std::map<std::string, std::map<std::string, std::string>> keys;
    std::vector<std::string> opened;
    int openKeys = 0;

    bool OpenLocalMachineKey(const std::string& path) override {
        auto it = keys.find(path);
        if (it == keys.end()) return false;
        m_current = &it->second;
        opened.push_back(path);
        ++openKeys;
        return true;
    }
    bool QueryValue(const char* name, char* buffer, std::size_t size) override {
        auto it = m_current->find(name);
        if (it == m_current->end()) return false;
        std::memset(buffer, 0, size);
        std::strncpy(buffer, it->second.c_str(), size - 1);
        return true;
    }
    void CloseKey() override { --openKeys; }

private:
    std::map<std::string, std::string>* m_current = nullptr;
};

// Collects trace lines while alive.
class TraceCapture {
public:
    TraceCapture() {
        s_lines = &m_lines;
        m_oldSwitch = gwLogSwitch;
        gwLogSwitch = 1;
        m_oldSink = SetDebugSink([](const char* text) { s_lines->push_back(text); });
    }
    ~TraceCapture() {
        SetDebugSink(m_oldSink);
        gwLogSwitch = m_oldSwitch;
        s_lines = nullptr;
    }
    const std::vector<std::string>& lines() const { return m_lines; }
    int Count(const std::string& line) const {
        int n = 0;
        for (const auto& l : m_lines) n += Strip(l) == line;
        return n;
    }
    // The index of the first line equal to `line`, or -1.
    int IndexOf(const std::string& line) const {
        for (std::size_t i = 0; i < m_lines.size(); ++i)
            if (Strip(m_lines[i]) == line) return static_cast<int>(i);
        return -1;
    }
    static std::string Strip(std::string s) {
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        return s;
    }

private:
    static inline std::vector<std::string>* s_lines = nullptr;
    std::vector<std::string> m_lines;
    DebugSink m_oldSink = nullptr;
    unsigned short m_oldSwitch = 0;
};

// A machine with no USB or parallel device.
class NoDevices : public DeviceIo {
public:
    bool OpenUsbInterfaceSet(unsigned long*) override { return false; }
    void CloseUsbInterfaceSet() override {}
    EnumResult EnumUsbInterface(unsigned) override { return EnumResult::kNoMoreItems; }
    bool OpenUsbInterfaceKey() override { return false; }
    bool ReadUsbPortNumber(std::uint32_t*) override { return false; }
    bool ReadUsbBaseName(char*, std::size_t) override { return false; }
    void CloseUsbInterfaceKey() override {}
    DetailResult GetUsbInterfacePath(std::string*) override { return DetailResult::kFailed; }
    bool OpenUsbDevice(const std::string&) override { return false; }
    bool RequestUsb1284Id(std::uint8_t*, std::size_t, std::size_t*) override { return false; }
    void CloseUsbDevice() override {}
    bool OpenParallel(const char*, unsigned long*) override { return false; }
    bool ParallelIoctl(unsigned long, std::uint8_t*, std::size_t, std::size_t*, unsigned long*) override {
        return false;
    }
    void CloseParallel() override {}
    void Sleep(unsigned) override {}
};
