#!/bin/sh
# Builds the benchmarks without sanitizers and runs them; each prints its own figures.
#
# Usage: scripts/bench.sh [PEERS] [BUILD_DIR] [TRANSFER_MIB]
#   PEERS         peers of the message burst (default 1000)
#   BUILD_DIR     where to build (default build-bench in the source tree)
#   TRANSFER_MIB  size of the file of the transfer benchmark (default 1024)
set -eu

peers=${1:-1000}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build-bench}
transfer_mib=${3:-1024}

"$root/scripts/install-deps.sh"
# The transfer benchmark compares with socat; only the benchmark needs it.
if ! command -v socat >/dev/null 2>&1; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd=sudo
    $sudo_cmd apt-get install -y -q --no-install-recommends socat
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_BUILD_BENCH=ON \
    -DVANTREL_BUILD_TESTS=OFF -DVANTREL_WITH_GUI=OFF -DVANTREL_SANITIZE=OFF >/dev/null
cmake --build "$build" --target vantrel bench_message_burst bench_attacks bench_contactlist bench_wholetreecheck bench_transfer -j2

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

echo "== transfer: $transfer_mib MiB between two copies on loopback, against socat"
"$build/bench/bench_transfer" "$build/src/app/vantrel" "$transfer_mib" 7
