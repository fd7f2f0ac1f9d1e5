#!/usr/bin/env bash
# Builds the response-decoder fuzz target with clang (libFuzzer, ASan, UBSan)
# into the build tree and runs it on the seed corpus for a fixed time.
#   run-fuzz.sh [SECONDS]    (ORVANE_BUILD_DIR: the native build tree)
# Exit 77 (skipped) when clang or the libFuzzer runtime is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
out=${ORVANE_BUILD_DIR:-$src/build/native}/fuzz
seconds=${1:-20}
cxx=$(command -v clang++ || command -v clang++-14 || true)
if [ -z "$cxx" ]; then echo "clang++ not found: fuzzing skipped"; exit 77; fi
mkdir -p "$out/work" "$out/artifacts"
if ! "$cxx" -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
      -I "$src" "$here/fuzz_response.cpp" "$src/snmp/ber.cpp" "$src/snmp/snmp.cpp" \
      "$src/snmp/udp_exchange.cpp" "$src/snmp/udp_sockets_posix.cpp" -o "$out/fuzz_response" 2> "$out/build.log"; then
    if grep -q -e 'libclang_rt.fuzzer' -e 'cannot find' "$out/build.log"; then
        cat "$out/build.log"; echo "libFuzzer runtime missing: fuzzing skipped"; exit 77
    fi
    cat "$out/build.log"; exit 1
fi
# New inputs go to the work folder; the committed seeds are only read.
exec "$out/fuzz_response" -max_total_time="$seconds" -max_len=4096 -timeout=5 -rss_limit_mb=1024 \
     -artifact_prefix="$out/artifacts/" -print_final_stats=1 "$out/work" "$here/corpus"
