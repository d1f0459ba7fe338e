#!/usr/bin/env bash
# Starts Vantrel under Xvfb with a small contact list and two headless peers on loopback,
# opens the settings dialog and saves a screenshot of every page, of the dialog that adds a
# contact ("Добавить нового пользователя") and of the computer browser with the peers it
# found, for checking the look by eye.
#
#   scripts/screenshot-settings.sh [BUILD_DIR] [OUTPUT_DIR]
#
# BUILD_DIR defaults to build/release (built here when it has no program yet); the PNGs go to
# OUTPUT_DIR (default: settings-shots in the current folder).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/release}
out_dir=$(realpath -m "${2:-settings-shots}")
mkdir -p "$out_dir"

script_name=screenshot-settings
# shellcheck source=scripts/lib/screenshots.sh
source "$(dirname "$0")/lib/screenshots.sh"
need_tools Xvfb:xvfb xdotool:xdotool xwd:x11-apps xdpyinfo:x11-utils

ensure_program "$build_dir"

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        # Let each copy write its closing log line and drop its lock before its folders go.
        wait "$pid" 2>/dev/null || true
    done
    if [[ -n ${xvfb_pid:-} ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# Each copy gets folders of its own. The windowed copy listens on 127.0.0.88; its search for
# computers covers 127.0.0.88/29, where the two headless peers listen.
own_folders() {
    local home="$work/$1"
    mkdir -p "$home/data/Vantrel" "$home/config" "$home/runtime"
    chmod 700 "$home/runtime"
    echo "HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime"
}
for peer in 89 90; do
    env $(own_folders "peer$peer") "$program" --headless --bind "127.0.0.$peer" >/dev/null 2>&1 &
    pids+=($!)
done

main_env=$(own_folders main)
printf '\xEF\xBB\xBF%s' "$(printf '%s\r\n' \
    'PC1;Вася;127.0.0.89;0' \
    '[ОТДЕЛ КАДРОВ]' \
    $'\tPC2;Петя;127.0.0.90;0' \
    $'\tPC3;Коля;127.0.0.91;1' \
    '[СКЛАД]' \
    $'\tPC5;Лёша;127.0.0.92;0')" >"$work/main/data/Vantrel/compnames.vtl"
# A black list to show, with a name and an address.
mkdir -p "$work/main/data/Vantrel/Conf"
printf '\xEF\xBB\xBF%s' "$(printf '%s\r\n' '[fmConfig\ListBox_BlackList_Items]' 'Count=2' \
    'Item0=SPAMMER-PC' 'Item1=192.168.0.66')" >"$work/main/data/Vantrel/Conf/VantrelMsg.ini"

start_xvfb 1280x1024

env $main_env VANTREL_BROWSE_NETWORKS=127.0.0.88/29 "$program" --bind 127.0.0.88 &
pids+=($!)

find_window() {
    local name=$1 window=""
    for _ in $(seq 100); do
        window=$(xdotool search --name "$name" 2>/dev/null | head -n1 || true)
        [[ -n $window ]] && break
        sleep 0.1
    done
    [[ -n $window ]] || { echo "the window \"$name\" did not appear" >&2; exit 1; }
    echo "$window"
}
# Saves the window with a margin of desktop around it.
shot() {
    local window=$1 file=$2
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xwd -root -silent |
        convert xwd:- -crop "$((WIDTH + 20))x$((HEIGHT + 20))+$((X - 10))+$((Y - 10))" +repage "$out_dir/$file"
    echo "screenshot: $out_dir/$file"
}
# Clicks at a point given relative to the window's top left corner.
click_in() {
    local window=$1 dx=$2 dy=$3
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove $((X + dx)) $((Y + dy)) click 1
}

main=$(find_window '^Vantrel$')
xdotool windowmove "$main" 20 40 windowfocus --sync "$main"
# Wait until the start-up check has ended: "Параметры..." is disabled while it runs.
sleep 4
shot "$main" "main-window.png"

# "Параметры..." is the third button of the bottom row, left of "Справка...": about two fifths
# of the way across the main window.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + WIDTH * 2 / 5)) $((Y + HEIGHT - 20)) click 1
config=$(find_window '^Параметры$')
xdotool windowmove "$config" 360 40 windowfocus --sync "$config"
sleep 0.5

pages=(general interface favourites messages blacklist events other smileys)
for i in "${!pages[@]}"; do
    if [[ ${pages[$i]} == blacklist ]]; then
        # Select the first entry, so that its buttons show enabled.
        click_in "$config" 80 70
        sleep 0.3
    fi
    shot "$config" "settings-$((i + 1))-${pages[$i]}.png"
    xdotool key --window "$config" ctrl+Tab
    sleep 0.4
done

# Back on the favourites page: "Добавить пользователя" is the first button at its right.
xdotool key --window "$config" ctrl+Tab ctrl+Tab
sleep 0.4
eval "$(xdotool getwindowgeometry --shell "$config")"
xdotool mousemove $((X + WIDTH - 90)) $((Y + 52)) click 1
add=$(find_window '^Добавить нового пользователя$')
# Bare Xvfb draws a window that opens over another one black: each goes to free space.
xdotool windowmove "$add" 20 620 windowfocus --sync "$add"
sleep 0.3
xdotool type --delay 40 'PC-NEW'
xdotool key Tab
xdotool type --delay 40 'Новенький'
sleep 0.5
shot "$add" "adduser.png"

# "Найти компьютер в сети" is the button at the right of the computer name.
eval "$(xdotool getwindowgeometry --shell "$add")"
click_in "$add" $((WIDTH - 20)) 22
browse=$(find_window '^Выберите имя компьютера$')
xdotool windowmove "$browse" 380 620
# The search of a /29 ends within a second or two; the reverse names follow.
sleep 4
click_in "$browse" 60 45
sleep 0.3
shot "$browse" "browse.png"
