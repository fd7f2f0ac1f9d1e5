#include "ui/window_module.h"

namespace {
HINSTANCE g_instance = nullptr;
DWORD g_mainThread = 0;
}  // namespace

void CWindowModule::Init(HINSTANCE instance) {
    g_instance = instance;
    g_mainThread = GetCurrentThreadId();
}

void CWindowModule::Term() {
    g_instance = nullptr;
    g_mainThread = 0;
}

HINSTANCE CWindowModule::Instance() { return g_instance ? g_instance : GetModuleHandleA(nullptr); }
DWORD CWindowModule::MainThreadId() { return g_mainThread; }
