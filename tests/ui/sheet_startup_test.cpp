// Start-up of the sheet when the job settings cannot be created: the sheet is
// not shown and its run ends with -1, as when the system cannot show it.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "settings/param_mngr.h"
#include "ui/main_property_sheet.h"
#include "ui/window_module.h"

// The replaced operators below pair malloc with free; the compiler cannot see that.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
// While armed, allocations of the settings manager's size fail.
std::atomic<bool> g_failSettings{false};
}  // namespace

void* operator new(std::size_t size) {
    if (g_failSettings && size == sizeof(CParamMngr)) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

TEST(SheetStartup, WithoutSettingsTheSheetIsNotShown) {
    CWindowModule::Init(GetModuleHandleA(nullptr));
    g_failSettings = true;
    CMainPropertySheet sheet("Orvane", 0, nullptr);
    g_failSettings = false;
    ASSERT_EQ(CParamMngr::GetInstance(), nullptr);
    EXPECT_EQ(sheet.DoModal(), -1);
    EXPECT_EQ(sheet.Window(), nullptr);
    CWindowModule::Term();
}
