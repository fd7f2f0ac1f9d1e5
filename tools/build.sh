#!/usr/bin/env bash
# Configures and builds the four trees under build/ (or $ORVANE_BUILD_ROOT):
#   native - portable code and its tests, under ASan/UBSan
#   win64  - Orvex.exe, Tilmar64.dll and the Windows tests (x86_64)
#   win32  - Tilmar.dll and the 32-bit tests (i686)
#   arm64  - TilmarArm64.dll only (aarch64, Zig); checked from the x86_64 tree
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
root=${ORVANE_BUILD_ROOT:-$src/build}
werror=${ORVANE_WERROR:-OFF}
mkdir -p "$root"

configure() {  # tree, extra cmake args...
  local tree=$1; shift
  if [ ! -f "$root/$tree/build.ninja" ]; then
    cmake -S "$src" -B "$root/$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DORVANE_WERROR="$werror" "$@" >/dev/null
  else
    cmake "$root/$tree" -DORVANE_WERROR="$werror" >/dev/null
  fi
}

configure native
configure win64 -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake"
configure win32 -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-i686.cmake"
configure arm64 -DCMAKE_TOOLCHAIN_FILE="$src/cmake/zig-aarch64.cmake"

for tree in native win64 win32; do
  echo "== building $tree"
  cmake --build "$root/$tree" -- -j"$(nproc)"
done

echo "== building arm64 (the shell extension)"
cmake --build "$root/arm64" --target TilmarArm64 -- -j"$(nproc)"

# The installers carry programs of all Windows trees, so they come last.
cmake --build "$root/win64" --target orvane_setup orvane_msi

# One CTest run over the three trees with tests, ending with one summary.
cat > "$root/CTestTestfile.cmake" <<EOT
# Written by tools/build.sh: every tree's tests in one run.
subdirs("native" "win64" "win32")
EOT
