// The fixed debugger-output lines of the server's entry points: written by the
// 64-bit build whatever the log switch says, never by the 32-bit build.
#include <gtest/gtest.h>

#include <vector>

#include "tests/bench/debug_output_listener.h"
#include "tests/contextmenu/tilmar_test_support.h"

namespace {

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
