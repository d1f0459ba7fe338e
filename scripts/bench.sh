#!/bin/sh
# Builds the benchmarks without sanitizers and runs them; each prints its own figures.
#
# Usage: scripts/bench.sh [PEERS] [BUILD_DIR]
#   PEERS      peers of the message burst (default 1000)
#   BUILD_DIR  where to build (default build-bench in the source tree)
set -eu

peers=${1:-1000}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build-bench}

"$root/scripts/install-deps.sh"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_BENCH=ON \
    -DVANTREL_BUILD_TESTS=OFF -DVANTREL_WITH_GUI=OFF -DVANTREL_SANITIZE=OFF >/dev/null
cmake --build "$build" --target vantrel bench_message_burst bench_attacks bench_contactlist bench_wholetreecheck -j2

# Every peer and every served connection holds a descriptor.
ulimit -n "$(ulimit -Hn)" 2>/dev/null || true

echo "== message burst: $peers peers deliver one message each, at once"
"$build/bench/bench_message_burst" "$peers"

echo "== hostile peers against a headless copy limited to 1024 descriptors"
"$build/bench/bench_attacks" "$build/src/app/vantrel" 8 1024

echo "== hostile peers against a headless copy with 65536 descriptors"
"$build/bench/bench_attacks" "$build/src/app/vantrel" 8 65536

echo "== contact list: load and rebuild 10 000 entries"
"$build/bench/bench_contactlist"

echo "== whole-tree check: 200 contacts on loopback, 50 of them unreachable"
"$build/bench/bench_wholetreecheck"
