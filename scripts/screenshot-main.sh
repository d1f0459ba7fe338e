#!/usr/bin/env bash
# Starts Vantrel under Xvfb with a two-level contact list, ticks some nodes through the
# keyboard (xdotool), and saves a screenshot of the screen as a PNG for checking by eye.
#
#   scripts/screenshot-main.sh [BUILD_DIR] [OUTPUT.png]
#
# BUILD_DIR defaults to build/release (built here when it has no program yet); the PNG
# defaults to main-window.png in the current folder.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/release}
output=$(realpath -m "${2:-main-window.png}")

need=()
command -v Xvfb >/dev/null || need+=(xvfb)
command -v xdotool >/dev/null || need+=(xdotool)
command -v xwd >/dev/null || need+=(x11-apps)
convert -version 2>/dev/null | grep -q ImageMagick || need+=(imagemagick)
if ((${#need[@]})); then
    sudo=""
    [[ $(id -u) -ne 0 ]] && sudo=sudo
    $sudo apt-get install -y --no-install-recommends "${need[@]}" >/dev/null
fi

program="$build_dir/src/app/vantrel"
if [[ ! -x $program ]]; then
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build_dir" --target vantrel
fi

work=$(mktemp -d)
cleanup() {
    if [[ -n ${app_pid:-} ]]; then
        kill "$app_pid" 2>/dev/null || true
        # Let the program write its closing log line and drop its lock before its folders go.
        wait "$app_pid" 2>/dev/null || true
    fi
    [[ -n ${xvfb_pid:-} ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A user of its own: the list below and default settings.
export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_DATA_HOME/Vantrel" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '\xEF\xBB\xBF%s' "$(printf '%s\r\n' \
    'PC1;Вася;192.168.0.5;1' \
    '[ОТДЕЛ КАДРОВ]' \
    $'\tPC2;Петя;;0' \
    $'\tPC3;Коля' \
    $'\tPC4;Маша;192.168.0.9' \
    '[СКЛАД]' \
    $'\tPC5;Лёша' \
    'srv;Сервер;10.0.0.1')" >"$XDG_DATA_HOME/Vantrel/compnames.vtl"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

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

# Tick the group "ОТДЕЛ КАДРОВ" (its members follow), untick Маша, tick Сервер; then hover
# over Лёша so the hover look shows too.
geometry=$(xdotool getwindowgeometry --shell "$window")
eval "$geometry"
# A click on the first row's text gives the tree the focus.
xdotool mousemove $((X + 90)) $((Y + 16)) click 1
sleep 0.3
xdotool key --delay 150 Home Down space Down Down Down space End space
sleep 0.3
xdotool mousemove $((X + 60)) $((Y + 6 + 7 * 20))
sleep 0.5

xwd -root -silent | convert xwd:- -crop "$((WIDTH + 40))x$((HEIGHT + 40))+$((X - 20))+$((Y - 20))" +repage "$output"
echo "screenshot: $output"
echo "note: no contact is marked unreachable, since no reachability check exists yet to mark one."
