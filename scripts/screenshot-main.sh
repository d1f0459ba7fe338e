#!/usr/bin/env bash
# Starts Vantrel under Xvfb with a two-level contact list, lets the start-up availability
# check paint the one unreachable contact grey, ticks some nodes through the keyboard
# (xdotool), and saves a screenshot of the main window as a PNG for checking by eye.
#
#   scripts/screenshot-main.sh [BUILD_DIR] [OUTPUT.png]
#
# BUILD_DIR defaults to build/release (built here when it has no program yet); the PNG
# defaults to main-window.png in the current folder.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/release}
output=$(realpath -m "${2:-main-window.png}")

script_name=screenshot-main
# shellcheck source=scripts/lib/screenshots.sh
source "$(dirname "$0")/lib/screenshots.sh"
need_tools Xvfb:xvfb xdotool:xdotool xwd:x11-apps xdpyinfo:x11-utils

ensure_program "$build_dir"

work=$(mktemp -d)
cleanup() {
    if [[ -n ${app_pid:-} ]]; then
        kill "$app_pid" 2>/dev/null || true
        # Let the program write its closing log line and drop its lock before its folders go.
        wait "$app_pid" 2>/dev/null || true
    fi
    if [[ -n ${xvfb_pid:-} ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# A user of its own: the list below and default settings. Every contact but one has a
# loopback address of its own, which answers the start-up check at once (ICMP echo; the flag 0
# keeps the address from being replaced by a name look-up). Сервер has neither an address nor
# a computer name that resolves, so the check finds it unreachable within moments and paints
# it grey.
export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_DATA_HOME/Vantrel" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '\xEF\xBB\xBF%s' "$(printf '%s\r\n' \
    'PC1;Вася;127.0.0.5;0' \
    '[ОТДЕЛ КАДРОВ]' \
    $'\tPC2;Петя;127.0.0.6;0' \
    $'\tPC3;Коля;127.0.0.7;0' \
    $'\tPC4;Маша;127.0.0.9;0' \
    '[СКЛАД]' \
    $'\tPC5;Лёша;127.0.0.10;0' \
    'nohost.invalid;Сервер;;0')" >"$XDG_DATA_HOME/Vantrel/compnames.vtl"

start_xvfb 800x600

# Its own address, so that a copy already running on this machine does not stand in the way.
"$program" --bind 127.0.0.77 &
app_pid=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --name '^Vantrel$' 2>/dev/null | head -n1 || true)
    [[ -n $window ]] && break
    sleep 0.1
done
[[ -n $window ]] || { echo "the main window did not appear" >&2; exit 1; }
xdotool windowmove "$window" 200 40 windowfocus --sync "$window"
sleep 0.5

geometry=$(xdotool getwindowgeometry --shell "$window")
eval "$geometry"
# Tree rows are 18 pixels apart; the first row's middle is 16 pixels below the window's top.
row_y() { echo $((Y + 16 + ($1 - 1) * 18)); }

# The check runs right after start-up. Wait until Сервер (row 8) is drawn grey: the darkest
# pixel of its text is neither black (a contact not known to be unreachable) nor white (a
# tree not drawn yet). A name look-up may take long without a name server to answer it,
# hence the minute.
xdotool mousemove 0 0
grey=""
for _ in $(seq 120); do
    darkest=$(xwd -root -silent |
        convert xwd:- -crop "60x12+$((X + 76))+$(($(row_y 8) - 6))" -colorspace Gray -format '%[fx:minima]' info:)
    if awk -v d="$darkest" 'BEGIN { exit !(d > 0.3 && d < 0.95) }'; then
        grey=1
        break
    fi
    sleep 0.5
done
[[ -n $grey ]] || echo "warning: Сервер was not drawn grey within a minute" >&2

# Tick Вася and the group "ОТДЕЛ КАДРОВ" (its members follow), untick Маша, which stays
# selected, so the grey Сервер keeps its own look (a selected row is drawn highlighted); then
# hover over Лёша so the hover look shows too.
# A click on the first row's text gives the tree the focus.
xdotool mousemove $((X + 90)) "$(row_y 1)" click 1
sleep 0.3
xdotool key --delay 150 Home space Down space Down Down Down space
sleep 0.3
xdotool mousemove $((X + 100)) "$(row_y 7)"
sleep 0.5

xwd -root -silent | convert xwd:- -crop "$((WIDTH + 40))x$((HEIGHT + 40))+$((X - 20))+$((Y - 20))" +repage "$output"
echo "screenshot: $output"
