#!/usr/bin/env bash
# make-setup.sh <makensis> <stage dir> <setup.exe> <program files...>
# Copies the built programs into the stage folder (beside the text and help files)
# and compiles the installer from it. A program that has not been built is named
# and left out; the installer test then reports the installer as incomplete.
set -euo pipefail
makensis=$1 stage=$2 out=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$stage"
for f in "$@"; do
  if [ -f "$f" ]; then
    cp -f "$f" "$stage/"
  else
    echo "make-setup: $f has not been built; the installer goes without it" >&2
    rm -f "$stage/$(basename "$f")"
  fi
done
"$makensis" -V2 -DSTAGE="$stage" -DOUTFILE="$out" "$here/orvane.nsi"
