#!/usr/bin/env bash
# make-setup.sh <makensis> <objcopy> <stage dir> <symbols dir> <setup.exe> <program files...>
# Stages the built programs beside the text and help files and compiles the
# installer from the stage. What ships carries no debug information: each program
# is staged stripped, and its debug information is kept as <symbols dir>/<name>.debug,
# named in the staged program's .gnu_debuglink so that a debugger finds it. A
# program that has not been built is named and left out; the installer test then
# reports the installer as incomplete.
set -euo pipefail
makensis=$1 objcopy=$2 stage=$3 symbols=$4 out=$5
shift 5
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$stage" "$symbols"
for f in "$@"; do
  name=$(basename "$f")
  if [ -f "$f" ]; then
    # The MinGW objcopy reads no ARM64 file; LLVM's does.
    tool=$objcopy
    if ! "$objcopy" --only-keep-debug "$f" "$symbols/$name.debug" 2>/dev/null; then
      tool=llvm-objcopy
      "$tool" --only-keep-debug "$f" "$symbols/$name.debug"
    fi
    "$tool" --strip-all "$f" "$stage/$name"
    "$tool" --add-gnu-debuglink="$symbols/$name.debug" "$stage/$name"
  else
    echo "make-setup: $f has not been built; the installer goes without it" >&2
    rm -f "$stage/$name" "$symbols/$name.debug"
  fi
done
python3 "$here/../tools/make_package_sources.py" "$here/.." "$stage" "$out.sources"
"$makensis" -V2 -DSTAGE="$stage" -DFILES="$out.sources/files.nsh" -DOUTFILE="$out" "$here/orvane.nsi"
