#!/usr/bin/env bash
# orvex_ui_test.sh <Orvex.exe> <ui_driver.exe> <hhctrl.ocx> <scenario> [expected]
# Runs one scenario of ui_driver against a copy of Orvex.exe in a folder of its
# own, with a LOCAL.dat whose title is the test caption and the recording
# hhctrl.ocx beside it. Screenshots the driver asks for are saved as
# $ORVANE_BUILD_DIR/screenshots/<scenario>-<name>.png.
set -euo pipefail
orvex=$1 driver=$2 hhctrl=$3 scenario=$4 expected=${5:-}
src=${ORVANE_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
build=${ORVANE_BUILD_DIR:-$(dirname "$(dirname "$orvex")")}
caption="Orvane Bench Caption 42"

run=$build/tests/ui/run/$scenario
shots=$build/screenshots
rm -rf "$run"
mkdir -p "$run/shots" "$shots"
cp "$orvex" "$run/Orvex.exe"
cp "$hhctrl" "$run/hhctrl.ocx"
printf '[UI_SHEET]\r\nIDL_TITLE=%s\r\n' "$caption" >"$run/LOCAL.dat"
[ -n "$expected" ] || expected=$caption

winpath() { local p=$1; echo "Z:${p//\//\\}"; }

# Screenshot requests: <name>.request from the driver, <name>.done when taken.
watch_shots() {
  local req name
  while :; do
    for req in "$run"/shots/*.request; do
      [ -e "$req" ] || continue
      name=$(basename "$req" .request)
      "$src/tests/bench/screenshot.sh" "$shots/$scenario-$name.png" || echo "screenshot $name failed" >&2
      probe=$(cat "$req")
      rm -f "$req"
      if [ -n "$probe" ] && [ -f "$shots/$scenario-$name.png" ]; then
        # The colour at the probe point, "#RRGGBB".
        convert "$shots/$scenario-$name.png" -crop "1x1+${probe% *}+${probe#* }" -depth 8 txt:- \
          | tail -n 1 | grep -o '#[0-9A-Fa-f]\{6\}' | head -n 1 >"$run/shots/$name.tmp"
        mv "$run/shots/$name.tmp" "$run/shots/$name.done"
      else
        : >"$run/shots/$name.done"
      fi
    done
    sleep 0.05
  done
}
watch_shots &
watcher=$!
trap 'kill "$watcher" 2>/dev/null || true' EXIT

# Wine prefers its own hhctrl.ocx even beside the program; Windows looks in the
# program's folder first. Make Wine do the same for the recording stand-in.
export WINEDLLOVERRIDES="hhctrl.ocx=n,b${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

rc=0
"$src/tests/bench/wine-run.sh" /usr/lib/wine/wine64 "$driver" "$(winpath "$run/Orvex.exe")" "$scenario" \
  "$expected" --shots "$(winpath "$run/shots")" || rc=$?
exit "$rc"
