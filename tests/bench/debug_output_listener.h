// The system-wide debugger-output monitor for tests: collects every line the
// programs of the prefix send to the debugger output channel while it listens.
#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Receives what the programs of this Wine prefix (this one included) write with
// OutputDebugStringA when no debugger is attached: the DBWIN events and shared buffer.
class DebugOutputListener {
public:
    DebugOutputListener() {
        m_bufferReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
        m_dataReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
        m_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "DBWIN_BUFFER");
        m_view = m_mapping ? static_cast<const char*>(MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, 4096)) : nullptr;
        if (m_bufferReady && m_dataReady && m_view) {
            m_thread = std::thread([this] { Run(); });
            // The thread must be past its start-up before anything writes under
            // the loader lock (a module starting up), which would keep it waiting.
            while (!m_running) Sleep(10);
        }
    }
    ~DebugOutputListener() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_view) UnmapViewOfFile(m_view);
        for (HANDLE h : {m_mapping, m_dataReady, m_bufferReady})
            if (h) CloseHandle(h);
    }
    bool Listening() const { return m_thread.joinable(); }
    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }

private:
    void Run() {
        SetEvent(m_bufferReady);
        m_running = true;
        while (!m_stop) {
            if (WaitForSingleObject(m_dataReady, 50) != WAIT_OBJECT_0) continue;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_lines.emplace_back(m_view + sizeof(DWORD));  // the writer's process id comes first
            }
            SetEvent(m_bufferReady);
        }
    }
    HANDLE m_bufferReady = nullptr, m_dataReady = nullptr, m_mapping = nullptr;
    const char* m_view = nullptr;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::thread m_thread;
};
