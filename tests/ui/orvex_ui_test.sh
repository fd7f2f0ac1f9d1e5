#!/usr/bin/env bash
# orvex_ui_test.sh <Orvex.exe> <ui_driver.exe> <hhctrl.ocx> <scenario> [expected]
# Runs one scenario of ui_driver against a copy of Orvex.exe in a folder of its
# own, with a LOCAL.dat whose title is the test caption and the recording
# hhctrl.ocx beside it. The screenshots the driver takes are kept as
# $ORVANE_BUILD_DIR/screenshots/<scenario>-<name>.png for a person to look at.
# <scenario>@<dpi> runs it with the screen scale at that DPI (tests/bench/with-dpi.sh);
# the frame and the splash are then compared with the pictures tools/make_skin.py drew for it.
set -euo pipefail
orvex=$1 driver=$2 hhctrl=$3 scenario=$4 expected=${5:-}
src=${ORVANE_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
build=${ORVANE_BUILD_DIR:-$(dirname "$(dirname "$orvex")")}
caption="Orvane Bench Caption 42"

winpath() { local p=$1; echo "Z:${p//\//\\}"; }
name=$scenario dpi=96
case $scenario in *@*) dpi=${scenario#*@} scenario=${scenario%@*} ;; esac
run=$build/tests/ui/run/$name
shots=$build/screenshots
rm -rf "$run"
mkdir -p "$run/shots" "$shots"
rm -f "$shots/$name"-*.png
if [ "$dpi" != 96 ]; then
  # The set drawn for this scale, or the next larger one shrunk (ImageMagick's
  # -scale averages the area under each pixel, as the program does).
  percent=150; [ "$dpi" -le 144 ] || percent=200
  mkdir -p "$run/set"
  for id in 201 229; do  # the active frame, the splash
    size=$(identify -format '%w %h' "$src/resources/bitmaps/$id.bmp") w=${size% *} h=${size#* }
    convert "$src/resources/bitmaps/$percent/$id.png" \
      -scale "$(((w * dpi + 48) / 96))x$(((h * dpi + 48) / 96))!" -type TrueColor "BMP3:$run/set/$id.bmp"
  done
  export ORVANE_SKIN_SET
  ORVANE_SKIN_SET=$(winpath "$run/set")
fi
cp "$orvex" "$run/Orvex.exe"
cp "$hhctrl" "$run/hhctrl.ocx"
printf '[UI_SHEET]\r\nIDL_TITLE=%s\r\n' "$caption" >"$run/LOCAL.dat"
[ -n "$expected" ] || expected=$caption

# Wine prefers its own hhctrl.ocx even beside the program; Windows looks in the
# program's folder first. Make Wine do the same for the recording stand-in.
export WINEDLLOVERRIDES="hhctrl.ocx=n,b${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

rc=0
"$src/tests/bench/with-dpi.sh" "$dpi" "$src/tests/bench/wine-run.sh" /usr/lib/wine/wine64 "$driver" \
  "$(winpath "$run/Orvex.exe")" "$scenario" "$expected" --shots "$(winpath "$run/shots")" || rc=$?
for bmp in "$run"/shots/*.bmp; do
  [ -f "$bmp" ] && convert "$bmp" "$shots/$name-$(basename "$bmp" .bmp).png"
done
exit "$rc"
