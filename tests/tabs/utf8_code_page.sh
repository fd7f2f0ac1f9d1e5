#!/usr/bin/env bash
# utf8_code_page.sh <wine-loader> <test_tabs_flow.exe> <work folder>: the names case
# under a locale whose ANSI code page is UTF-8 (Wine takes 65001 for hi_IN, as a
# Windows with "use Unicode UTF-8" does). The locale is compiled into the work
# folder (LOCPATH): nothing of the machine's locale setup changes.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ $# -eq 3 ] || { sed -n '2,5p' "$0" >&2; exit 2; }
locales=$3/locales
mkdir -p "$locales"
[ -d "$locales/hi_IN.UTF-8" ] || localedef -i hi_IN -f UTF-8 "$locales/hi_IN.UTF-8" 2>/dev/null ||
  { echo "utf8_code_page: cannot build the hi_IN locale (Debian package locales)"; exit 1; }
export LOCPATH=$locales
LANG=hi_IN.UTF-8 LC_ALL=hi_IN.UTF-8 \
  exec "$here/../bench/wine-run.sh" "$1" "$2" --gtest_filter=TabsFlow.NamesUnderTheUtf8CodePage
