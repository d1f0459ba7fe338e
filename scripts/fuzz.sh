#!/bin/sh
# Fuzzes the protocol codec and the request reader with libFuzzer for a given time.
#
# Usage: scripts/fuzz.sh [SECONDS] [BUILD_DIR]
#   SECONDS    how long to fuzz (default 60)
#   BUILD_DIR  where to build (default build-fuzz in the source tree)
#
# The fuzz target is a separate CMake project (fuzz/CMakeLists.txt) configured with clang, as
# libFuzzer needs it:
#   cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++
#   cmake --build build-fuzz
# The seed corpus fuzz/corpus/ holds one request of every header; new inputs found while
# fuzzing go to BUILD_DIR/corpus, crashes to BUILD_DIR/artifacts/. Every crash found becomes a
# regression test in tests/messaging/test_protocolcodec.cpp.
set -eu

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build-fuzz}

"$root/scripts/install-deps.sh" --with-fuzz

cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_request_reader -j2

mkdir -p "$build/corpus" "$build/artifacts"
"$build/fuzz_request_reader" \
    -max_total_time="$seconds" \
    -max_len=70000 \
    -timeout=10 \
    -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/" \
    "$build/corpus" "$root/fuzz/corpus"
