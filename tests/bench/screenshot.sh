#!/usr/bin/env bash
# screenshot.sh <out.png>: the whole bench display as a PNG (ImageMagick's import).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
DIR=${ORVANE_BENCH_DIR:-$(cd "$here/../.." && pwd)/build/bench}
[ $# -eq 1 ] || { echo "usage: screenshot.sh <out.png>" >&2; exit 2; }
[ -f "$DIR/env" ] || { echo "screenshot: the bench is not up ($DIR)" >&2; exit 1; }
# shellcheck source=/dev/null
. "$DIR/env"
import -display "$DISPLAY" -window root "$1"
