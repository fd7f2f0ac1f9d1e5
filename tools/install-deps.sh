#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build and the test bench need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev
  mingw-w64 mingw-w64-tools
  wine64 wine32:i386 libwine-dev libcups2:i386
  xvfb x11-utils imagemagick locales fonts-ipafont-gothic
  cups-daemon cups-client
  snmpd snmp
  nsis fp-utils libchm-bin
  python3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
