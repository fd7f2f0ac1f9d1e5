#!/usr/bin/env bash
# make-msi.sh <wixl> <stage dir> <OrvaneSetup.msi> [version]
# Builds the Windows Installer package from the stage that make-setup.sh filled,
# with the product version of resources/version.h unless one is given (the
# upgrade test builds an older and a newer package).
set -euo pipefail
wixl=$1 stage=$2 out=$3 version=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(realpath "$out").sources
rm -rf "$work"
python3 "$here/../tools/make_package_sources.py" "$here/.." "$stage" "$work" ${version:+--version="$version"}
# wixl finds the files named in the package relative to the folder it runs in.
out=$(realpath "$out")
cd "$stage"
"$wixl" -a x64 -D Version="$(cat "$work/version.txt")" -I "$work" -o "$out" "$here/orvane.wxs"
msibuild "$out" -i "$work/Condition.idt"
