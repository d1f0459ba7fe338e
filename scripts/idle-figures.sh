#!/usr/bin/env bash
# Prints the idle figures of the windowed program under Xvfb: resident memory after start with
# 200 contacts, and the CPU time used over 60 seconds of idle running with the away watchers
# (inactivity and screen saver) on. Targets: under 1 % of one core, under 60 MiB.
#
#   scripts/idle-figures.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/release}
seconds=${2:-60}

command -v Xvfb >/dev/null || { echo "Xvfb is needed (scripts/install-deps.sh installs it)" >&2; exit 2; }
program="$build_dir/src/app/vantrel"
if [[ ! -x $program ]]; then
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build_dir" --target vantrel
fi

work=$(mktemp -d)
cleanup() {
    if [[ -n ${app_pid:-} ]]; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    if [[ -n ${xvfb_pid:-} ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_DATA_HOME/Vantrel" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

# 200 contacts in 10 groups, each on a loopback address of its own (flag 0: no name look-up).
{
    printf '\xEF\xBB\xBF'
    for group in $(seq 1 10); do
        printf '[Отдел %d]\r\n' "$group"
        for member in $(seq 1 20); do
            n=$(((group - 1) * 20 + member))
            printf '\tPC%d;Сотрудник %d;127.0.%d.%d;0\r\n' "$n" "$n" $((n / 250 + 1)) $((n % 250 + 1))
        done
    done
} >"$XDG_DATA_HOME/Vantrel/compnames.vtl"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$program" --bind 127.0.0.79 &
app_pid=$!
# Start-up: the first availability check of all 200 contacts runs, then the program idles.
sleep 10
[[ -d /proc/$app_pid ]] || { echo "the program ended early" >&2; exit 1; }

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$app_pid/stat"; }
rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$app_pid/status"; }

rss_start=$(rss_kib)
before=$(cpu_ticks)
sleep "$seconds"
after=$(cpu_ticks)
rss_end=$(rss_kib)

awk -v kib="$rss_start" 'BEGIN { printf "resident memory after start, 200 contacts: %.1f MiB (target < 60 MiB)\n", kib / 1024 }'
awk -v a="$before" -v b="$after" -v t="$ticks" -v s="$seconds" 'BEGIN {
    used = (b - a) / t
    printf "CPU time over %d s idle, away watchers on: %.2f s = %.3f %% of one core (target < 1 %%)\n", s, used, 100 * used / s
}'
awk -v kib="$rss_end" 'BEGIN { printf "resident memory after the idle minute: %.1f MiB\n", kib / 1024 }'
