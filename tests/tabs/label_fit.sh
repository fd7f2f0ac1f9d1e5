#!/usr/bin/env bash
# Renders Orvex in every shipped language on the bench's display, measures each
# label against its control (label_fit.exe) and keeps the screenshots as PNG files
# for a person to look at.
#   label_fit.sh <wine loader> <label_fit.exe> <Orvex.exe> <folder with LOCAL*.dat> <work folder> [dpi languages...]
# With a DPI (the bench's screen scale for the run, 96 by default) only the languages
# named after it are rendered; their screenshots are named <code>@<dpi>-*.png.
# Each language runs under its own locale, as on a Windows of that language: the
# program's texts are in the ANSI code page, so Polish needs 1250 and Japanese 932.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ $# -ge 5 ] || { sed -n '2,9p' "$0" >&2; exit 2; }
wine=$1 fit=$2 orvex=$3 stage=$4 work=$5
dpi=${6:-96}
codes=("${@:7}")
[ ${#codes[@]} -gt 0 ] || codes=(EN GR FN SP IT DT PO BP JP)

mkdir -p "$work/app" "$work/shots" "$work/locales"
# label_fit.exe starts the Orvex.exe of this folder: the program with its text files beside it.
cp -f "$orvex" "$work/app/Orvex.exe"
cp -f "$stage"/LOCAL*.dat "$work/app/"
printf 'not a picture this printer takes\n' > "$work/refused.png"
tag=$([ "$dpi" = 96 ] || echo "@$dpi")
for code in "${codes[@]}"; do rm -f "$work/shots/$code$tag"-*.bmp "$work/shots/$code$tag"-*.png; done

# Private compiled locales (LOCPATH): nothing of the machine's locale setup changes.
locale_of() {
  case $1 in
    PO) echo pl_PL ;;
    JP) echo ja_JP ;;
    *) echo "" ;;
  esac
}
for l in pl_PL ja_JP; do
  [ -d "$work/locales/$l.UTF-8" ] && continue
  localedef -i "$l" -f UTF-8 "$work/locales/$l.UTF-8" 2>/dev/null ||
    { echo "label_fit: cannot build the $l locale (Debian package locales)"; exit 1; }
done
if ! fc-list :lang=ja | grep -q .; then
  echo "label_fit: no font with Japanese glyphs (Debian package fonts-ipafont-gothic)"
  exit 1
fi

winpath() { printf 'Z:%s' "${1//\//\\}"; }
failed=()
for code in "${codes[@]}"; do
  l=$(locale_of "$code")
  if [ -n "$l" ]; then loc=$l.UTF-8; else loc=C.UTF-8; fi
  if ! LOCPATH="$work/locales" LANG=$loc LC_ALL=$loc \
       "$here/../bench/with-dpi.sh" "$dpi" "$here/../bench/wine-run.sh" "$wine" "$fit" "$code" \
       "$(winpath "$work/shots")" "$(winpath "$work/refused.png")" "$code$tag"
  then
    failed+=("$code")
  fi
  for bmp in "$work/shots/$code$tag"-*.bmp; do
    [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
done
echo "screenshots: $work/shots"
if [ ${#failed[@]} -gt 0 ]; then
  echo "label_fit: texts that do not fit in: ${failed[*]}"
  exit 1
fi
