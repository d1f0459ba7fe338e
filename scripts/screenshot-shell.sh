#!/usr/bin/env bash
# Starts Vantrel under Xvfb with a tray host (trayer), opens the tray menu and the About box
# from the tray, shows the away-text editor, and saves a screenshot of each as a PNG for
# checking by eye.
#
#   scripts/screenshot-shell.sh [BUILD_DIR] [OUTPUT_DIR]
#
# BUILD_DIR defaults to build/screens (built here when it lacks the programs); the PNGs
# tray-menu.png, about-box.png and away-texts.png go to OUTPUT_DIR (default: the current folder).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/screens}
output=$(realpath -m "${2:-.}")
mkdir -p "$output"

script_name=screenshot-shell
# shellcheck source=scripts/lib/screenshots.sh
source "$(dirname "$0")/lib/screenshots.sh"
need_tools Xvfb:xvfb xdotool:xdotool trayer:trayer xwd:x11-apps xdpyinfo:x11-utils

ensure_program "$build_dir" answering_preview
preview="$build_dir/tests/tools/answering_preview"

work=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_DATA_HOME/Vantrel" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# No session bus: the tray icon is embedded the classic way, into trayer.
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
printf '\xEF\xBB\xBF%s' "$(printf '%s\r\n' 'PC1;Вася;127.0.0.5;0' 'PC2;Петя;127.0.0.6;0')" \
    >"$XDG_DATA_HOME/Vantrel/compnames.vtl"
# Two more away texts for the editor's list.
mkdir -p "$XDG_DATA_HOME/Vantrel/Conf"
printf '\xEF\xBB\xBF[VTLForm\\ListBox_Answering_Items]\r\nCount=3\r\nItem0=Меня нет\r\nItem1=На совещании\r\nItem2=Ушёл на обед\r\n' \
    >"$XDG_DATA_HOME/Vantrel/Conf/VantrelMsg.ini"

start_xvfb 800x600
pids+=("$xvfb_pid")

trayer --edge top --align right --widthtype pixel --width 64 --height 28 --transparent false \
    --tint 0xdddddd --SetDockType true &
pids+=($!)
sleep 1

"$program" m --bind 127.0.0.78 &
pids+=($!)
sleep 3

# The tray menu: a right click on the icon in trayer's panel (top right corner of the screen).
xdotool mousemove 786 14 click 3
sleep 1
xwd -root -silent | convert xwd:- -crop 320x260+480+0 +repage "$output/tray-menu.png"
echo "screenshot: $output/tray-menu.png"

# "О программе..." is the menu's first item.
xdotool key Down Return
about=""
for _ in $(seq 50); do
    about=$(xdotool search --onlyvisible --name '^О программе$' 2>/dev/null | head -n1 || true)
    [[ -n $about ]] && break
    sleep 0.1
done
[[ -n $about ]] || { echo "the About box did not appear" >&2; exit 1; }
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$about")"
xwd -root -silent | convert xwd:- -crop "$((WIDTH + 20))x$((HEIGHT + 20))+$((X - 10))+$((Y - 10))" +repage \
    "$output/about-box.png"
echo "screenshot: $output/about-box.png"
xdotool key Return

"$preview" &
pids+=($!)
editor=""
for _ in $(seq 50); do
    editor=$(xdotool search --onlyvisible --name 'Редактирование сообщений' 2>/dev/null | head -n1 || true)
    [[ -n $editor ]] && break
    sleep 0.1
done
[[ -n $editor ]] || { echo "the away-text editor did not appear" >&2; exit 1; }
xdotool windowmove "$editor" 100 100
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$editor")"
xwd -root -silent | convert xwd:- -crop "$((WIDTH + 20))x$((HEIGHT + 20))+$((X - 10))+$((Y - 10))" +repage \
    "$output/away-texts.png"
echo "screenshot: $output/away-texts.png"
