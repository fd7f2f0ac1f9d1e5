#!/usr/bin/env bash
# orvex_ui_test.sh <Orvex.exe> <ui_driver.exe> <hhctrl.ocx> <scenario> [expected]
# Runs one scenario of ui_driver against a copy of Orvex.exe in a folder of its
# own, with a LOCAL.dat whose title is the test caption and the recording
# hhctrl.ocx beside it. The screenshots the driver takes are kept as
# $ORVANE_BUILD_DIR/screenshots/<scenario>-<name>.png for a person to look at.
set -euo pipefail
orvex=$1 driver=$2 hhctrl=$3 scenario=$4 expected=${5:-}
src=${ORVANE_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
build=${ORVANE_BUILD_DIR:-$(dirname "$(dirname "$orvex")")}
caption="Orvane Bench Caption 42"

run=$build/tests/ui/run/$scenario
shots=$build/screenshots
rm -rf "$run"
mkdir -p "$run/shots" "$shots"
rm -f "$shots/$scenario"-*.png
cp "$orvex" "$run/Orvex.exe"
cp "$hhctrl" "$run/hhctrl.ocx"
printf '[UI_SHEET]\r\nIDL_TITLE=%s\r\n' "$caption" >"$run/LOCAL.dat"
[ -n "$expected" ] || expected=$caption

winpath() { local p=$1; echo "Z:${p//\//\\}"; }

# Wine prefers its own hhctrl.ocx even beside the program; Windows looks in the
# program's folder first. Make Wine do the same for the recording stand-in.
export WINEDLLOVERRIDES="hhctrl.ocx=n,b${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

rc=0
"$src/tests/bench/wine-run.sh" /usr/lib/wine/wine64 "$driver" "$(winpath "$run/Orvex.exe")" "$scenario" \
  "$expected" --shots "$(winpath "$run/shots")" || rc=$?
for bmp in "$run"/shots/*.bmp; do
  [ -f "$bmp" ] && convert "$bmp" "$shots/$scenario-$(basename "$bmp" .bmp).png"
done
exit "$rc"
