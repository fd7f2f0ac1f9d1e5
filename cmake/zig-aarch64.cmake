# Windows on ARM64 through Zig's clang and its MinGW-w64 runtime, for the shell
# extension only (the main program stays x86_64, which ARM64 Windows runs emulated).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig/aarch64-w64-mingw32-cc)
set(CMAKE_CXX_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig/aarch64-w64-mingw32-c++)
set(CMAKE_RC_COMPILER ${CMAKE_CURRENT_LIST_DIR}/zig/aarch64-w64-mingw32-windres)
set(CMAKE_AR llvm-ar CACHE FILEPATH "")
set(CMAKE_RANLIB llvm-ranlib CACHE FILEPATH "")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
