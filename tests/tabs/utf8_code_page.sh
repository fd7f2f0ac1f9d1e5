#!/usr/bin/env bash
# utf8_code_page.sh <wine-loader> <test_tabs_flow.exe> <work folder>: the names case under
# a locale whose ANSI code page is UTF-8 (Wine's for hi_IN), compiled into the work folder.
set -euo pipefail
export LOCPATH=$3/locales
[ -d "$LOCPATH/hi_IN.UTF-8" ] || { mkdir -p "$LOCPATH" && localedef -i hi_IN -f UTF-8 "$LOCPATH/hi_IN.UTF-8"; } ||
  { echo "utf8_code_page: cannot build the hi_IN locale (Debian package locales)"; exit 1; }
exec env LANG=hi_IN.UTF-8 LC_ALL=hi_IN.UTF-8 "$(dirname "$0")/../bench/wine-run.sh" "$1" "$2" \
  --gtest_filter=TabsFlow.NamesUnderTheUtf8CodePage
