// The fixed debugger-output lines of the server's entry points: written by the
// 64-bit build whatever the log switch says, never by the 32-bit build.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/contextmenu/tilmar_test_support.h"

namespace {

// Receives what this process writes with OutputDebugStringA when no debugger
// is attached (the DBWIN events and shared buffer).
class DebugOutputListener {
public:
    DebugOutputListener() {
        m_bufferReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
        m_dataReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
        m_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "DBWIN_BUFFER");
        m_view = m_mapping ? static_cast<const char*>(MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, 4096)) : nullptr;
        if (m_bufferReady && m_dataReady && m_view) {
            m_thread = std::thread([this] { Run(); });
            // The thread must be past its start-up before the module is loaded:
            // the loader lock held while the module starts would keep it waiting.
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

TEST(TilmarTrace, EntryPointLines) {
    DebugOutputListener listener;
    ASSERT_TRUE(listener.Listening());
    HMODULE module = LoadLibraryA(ExtensionPath().c_str());
    ASSERT_NE(module, nullptr);
    CLSID clsid;
    CLSIDFromString(L"{9061A1F6-6F41-418e-9B9F-3BCB2DDF79F1}", &clsid);
    void* factory = nullptr;
    ASSERT_EQ(Export<GetClassObjectEntry>(module, "DllGetClassObject")(clsid, IID_IClassFactory, &factory), S_OK);
    static_cast<IUnknown*>(factory)->Release();
    EXPECT_EQ(Export<EntryPoint>(module, "DllCanUnloadNow")(), S_OK);
    EXPECT_EQ(Export<EntryPoint>(module, "DllRegisterServer")(), S_OK);
    EXPECT_EQ(Export<EntryPoint>(module, "DllUnregisterServer")(), S_OK);
    FreeLibrary(module);
    Sleep(200);

    std::vector<std::string> ours;
    for (const std::string& line : listener.Lines())
        if (line.find("Instance") != std::string::npos || line.rfind("Dll", 0) == 0) ours.push_back(line);
#ifdef _WIN64
    const std::vector<std::string> expected = {"CTilmarApp::InitInstance", "DllGetClassObject", "DllCanUnloadNow",
                                               "DllRegisterServer", "CTilmarApp::ExitInstance"};
#else
    const std::vector<std::string> expected;
#endif
    EXPECT_EQ(ours, expected);
}

}  // namespace
