#!/bin/sh
# Fuzzes every reader of outside input with libFuzzer, each for the given time, and prints
# for each its executions per second and the coverage reached (libFuzzer's cov: and ft:).
#
# Usage: scripts/fuzz.sh [SECONDS] [BUILD_DIR] [TARGET...]
#   SECONDS    how long to fuzz each target (default 60)
#   BUILD_DIR  where to build (default build-fuzz in the source tree)
#   TARGET     only these targets (default all):
#              fuzz_request_reader  requests as a peer sends them (codec and reader)
#              fuzz_file_stream     <VTL_FILE> with its stream, offers and acceptances
#              fuzz_ini             the settings file and the typed settings model
#              fuzz_contact_list    compnames.vtl in UTF-8, UTF-16 and Windows-1251
#              fuzz_smiley_set      the smiley-set file Smiles.ini
#              fuzz_update_info     UpdInfo.txt from the update server
#              fuzz_messenger_popup popup texts of the Messenger service and hand-over lines
#
# The targets are a separate CMake project (fuzz/CMakeLists.txt) configured with clang, as
# libFuzzer needs it. Each target's seed corpus is fuzz/corpus/<target>/; new inputs found go
# to BUILD_DIR/corpus/<target>, crashes to BUILD_DIR/artifacts/<target>/, the whole output to
# BUILD_DIR/<target>.log. Every crash found becomes a regression test in tests/.
set -eu

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build-fuzz}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] && shift
targets=${*:-fuzz_request_reader fuzz_file_stream fuzz_ini fuzz_contact_list fuzz_smiley_set fuzz_update_info fuzz_messenger_popup}

"$root/scripts/install-deps.sh" --with-fuzz

cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" --target $targets -j2

status=0
summary=""
for target in $targets; do
    mkdir -p "$build/corpus/$target" "$build/artifacts/$target"
    echo "== $target: $seconds s"
    if "$build/$target" \
        -max_total_time="$seconds" \
        -max_len=70000 \
        -timeout=30 \
        -rss_limit_mb=2048 \
        -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target/" \
        "$build/corpus/$target" "$root/fuzz/corpus/$target" >"$build/$target.log" 2>&1; then
        result=ok
    else
        result="FAILED (see $build/$target.log and $build/artifacts/$target/)"
        status=1
    fi
    # The last status line carries the coverage; the final statistics the run's figures.
    cov=$(grep -E '^#[0-9]+' "$build/$target.log" | tail -n 1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[^ ]+' || true)
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$target.log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$build/$target.log" | tail -n 1)
    line="$target: ${runs:-?} runs, ${rate:-?} exec/s, ${cov:-no coverage line}, $result"
    echo "$line"
    summary="$summary$line
"
done
echo "== Summary ($seconds s each)"
printf '%s' "$summary"
exit $status
