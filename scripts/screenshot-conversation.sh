#!/usr/bin/env bash
# Shows a conversation under Xvfb and saves two PNGs for checking by eye:
#
#   scripts/screenshot-conversation.sh [BUILD_DIR] [OUTPUT_PREFIX]
#
# A windowed Vantrel (127.0.0.78) gets messages with smileys from a headless copy
# (127.0.0.79, calling itself petya-pc, known to the first as Петя), so Петя's conversation
# window opens. A reply typed into it (xdotool) is delivered; then the headless copy stops and
# a second reply fails, which leaves a red line. PREFIX-conversation.png shows that window.
# Then the toolbar's smiley button ("Вставить смайлик...", found through the accessibility
# bus) is clicked and PREFIX-picker.png shows the window with the smiley picker open.
#
# BUILD_DIR defaults to build/release (built here when it has no program yet); the prefix
# defaults to "vantrel", so the files are vantrel-conversation.png and vantrel-picker.png.
# Exit code 1 when a step fails; files made before the failing step are kept.
set -euo pipefail

script_name=screenshot-conversation
# shellcheck source=scripts/lib/screenshots.sh
source "$(dirname "$0")/lib/screenshots.sh"
extra=()
[[ -x /usr/libexec/at-spi-bus-launcher ]] || extra+=(at-spi2-core)
/usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null ||
    extra+=(python3-gi gir1.2-atspi-2.0)
need_tools Xvfb:xvfb xdotool:xdotool xwd:x11-apps xdpyinfo:x11-utils ss:iproute2 dbus-daemon:dbus -- "${extra[@]}"

cd "$(dirname "$0")/.."
build_dir=${1:-build/release}
prefix=$(realpath -m "${2:-vantrel}")
own_address=127.0.0.78
peer_address=127.0.0.79
partner=Петя

ensure_program "$build_dir"

work=$(mktemp -d)
stop_copy() { # pid
    kill "$1" 2>/dev/null || true
    # Let the copy write its closing log line and drop its lock before its folders go.
    wait "$1" 2>/dev/null || true
}
cleanup() {
    [[ -n ${app_pid:-} ]] && stop_copy "$app_pid"
    [[ -n ${peer_pid:-} ]] && stop_copy "$peer_pid"
    if [[ -n ${xvfb_pid:-} ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    # The accessibility bus ends with the session bus it hangs off.
    if [[ -n ${bus_pid:-} ]]; then kill "$bus_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# A session bus of its own, kept inside the work folder: the accessibility bus that finds the
# toolbar button hangs off it, and the user's own session stays out of the way.
mkdir -m 700 "$work/bus"
bus=$(env HOME="$work/bus" XDG_RUNTIME_DIR="$work/bus" dbus-daemon --session --fork --print-address=1 --print-pid=1)
bus_pid=$(sed -n 2p <<<"$bus")
export DBUS_SESSION_BUS_ADDRESS
DBUS_SESSION_BUS_ADDRESS=$(head -n1 <<<"$bus")

# Each copy is a user of its own. The windowed one opens a conversation window as soon as a
# message comes (the default leaves it waiting behind the tray icon, and Xvfb has no tray),
# stays quiet, and uses the smiley set in pictures, the one with the picker.
me="$work/me" peer="$work/peer"
for user in "$me" "$peer"; do
    mkdir -p "$user/home" "$user/data/Vantrel" "$user/config" "$user/runtime"
    chmod 700 "$user/runtime"
done
write_lines "$me/data/Vantrel/Conf/VantrelMsg.ini" '[fmConfig]' \
    'CheckBox_Popup_Checked=TRUE' 'CheckBox_Smiles_Checked=TRUE' \
    'dxCheckbox_PlaySound_Checked=FALSE' 'dxCheckbox_Notifications_Checked=FALSE' \
    'dxCheckbox_From_Checked=TRUE' 'Edit_From_Text=vasya-pc'
write_lines "$me/data/Vantrel/compnames.vtl" "petya-pc;$partner;$peer_address;0"
write_lines "$peer/data/Vantrel/Conf/VantrelMsg.ini" '[fmConfig]' \
    'dxCheckbox_PlaySound_Checked=FALSE' \
    'dxCheckbox_From_Checked=TRUE' 'Edit_From_Text=petya-pc'
write_lines "$peer/data/Vantrel/compnames.vtl" "vasya-pc;Вася;$own_address;0"

# Command prefixes that run a command as one of the two users. A prefixed simple command
# started in the background is the program itself ($!), which a signal then stops.
as_me=(env HOME="$me/home" XDG_DATA_HOME="$me/data" XDG_CONFIG_HOME="$me/config" XDG_RUNTIME_DIR="$me/runtime")
as_peer=(env HOME="$peer/home" XDG_DATA_HOME="$peer/data" XDG_CONFIG_HOME="$peer/config"
    XDG_RUNTIME_DIR="$peer/runtime")

# Every shown top-level window; a popup may carry a class but no name, or the other way.
shown_windows() {
    {
        xdotool search --onlyvisible --name '' 2>/dev/null || true
        xdotool search --onlyvisible --class '' 2>/dev/null || true
    } | sort -u
}

start_xvfb 1024x768

for address in "$own_address" "$peer_address"; do
    listening "$address" && fail "port 2012 of $address is taken by another program"
done
"${as_peer[@]}" "$program" --headless --bind "$peer_address" >"$work/peer.out" 2>"$work/peer.err" &
peer_pid=$!
wait_for "the headless copy does not listen on $peer_address" listening "$peer_address"

# The windowed copy speaks to the accessibility bus from the start.
"${as_me[@]}" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$program" --bind "$own_address" >"$work/app.out" 2>&1 &
app_pid=$!
wait_for "the main window did not appear" has_window Vantrel
wait_for "the windowed copy does not listen on $own_address" listening "$own_address"

peer_says() { "${as_peer[@]}" "$program" --send "$own_address" "$1" --bind "$peer_address"; }
peer_says 'Привет! :) Как дела?'
wait_for "the conversation window of $partner did not open" has_window "$partner"
peer_says 'У нас всё отлично :D Обед в час ;) Пиццу или суши? :hmm'
peer_says 'Кстати, вчерашний отчёт пропал :( Шучу, нашёлся :lol'
sleep 0.5

window=$(window_named "$partner")
xdotool windowmove "$window" 60 60 windowraise "$window" windowfocus --sync "$window"
sleep 0.5

# The reply box has the focus when the window opens; what is typed goes there (typed for real:
# keys sent to a window id are synthetic events, which the program may ignore).
reply() { # text
    xdotool type --delay 40 -- "$1"
    xdotool key Return
}
reply 'Привет! Всё хорошо :yes Давай пиццу :beer'
wait_for "the headless copy did not get the reply" grep -q 'пиццу' "$work/peer.out"

# The partner goes away: the next reply cannot be delivered and shows a red line.
stop_copy "$peer_pid"
peer_pid=""
reply 'Ты ещё здесь? :O'
sleep 1.5

shot() { # output x y width height
    xwd -root -silent | convert xwd:- -crop "$4x$5+$2+$3" +repage "$1"
    echo "screenshot: $1"
}
eval "$(xdotool getwindowgeometry --shell "$window")"
shot "$prefix-conversation.png" $((X - 20)) $((Y - 20)) $((WIDTH + 40)) $((HEIGHT + 40))

# The smiley button: looked up by its hint on the accessibility bus, then clicked with the
# mouse, since the picker opens at the mouse position. The registry of the accessibility bus
# learns of the program only after its first question, so the look-up is tried for a while.
find_button() { # window-name hint-text
    /usr/bin/python3 - "$1" "$2" <<'EOF'
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi

window_name, hint = sys.argv[1], sys.argv[2]

def descendants(node, depth=0):
    if depth > 40:
        return
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is None:
            continue
        yield child
        yield from descendants(child, depth + 1)

desktop = Atspi.get_desktop(0)
for app in (desktop.get_child_at_index(i) for i in range(desktop.get_child_count())):
    if app is None:
        continue
    for window in (app.get_child_at_index(i) for i in range(app.get_child_count())):
        if window is None or window.get_name() != window_name:
            continue
        for node in descendants(window):
            texts = (node.get_name() or "") + "\n" + (node.get_description() or "")
            if hint not in texts:
                continue
            box = node.get_extents(Atspi.CoordType.SCREEN)
            if box.width > 0 and box.height > 0:
                print(box.x + box.width // 2, box.y + box.height // 2)
                sys.exit(0)
sys.exit(1)
EOF
}
button=""
for _ in $(seq 20); do
    button=$(find_button "$partner" 'Вставить смайлик' 2>/dev/null) && break
    sleep 0.5
done
[[ -n $button ]] || fail "no button \"Вставить смайлик...\" in the conversation window; $prefix-picker.png not made"

before=$(shown_windows)
read -r bx by <<<"$button"
xdotool mousemove "$bx" "$by" click 1
picker=""
for _ in $(seq 50); do
    picker=$(comm -13 <(echo "$before") <(shown_windows) | head -n1)
    [[ -n $picker ]] && break
    sleep 0.1
done
[[ -n $picker ]] || fail "the smiley picker did not open; $prefix-picker.png not made"
# Without a window manager, Xvfb's screen image shows a window mapped late over another one as
# black, so the picker is moved beside the conversation window, onto the empty screen, before the
# shot. (The picker stays open: moving it does not take its focus.)
xdotool windowmove "$picker" $((X + WIDTH + 6)) "$Y"
# Time to draw its pictures.
sleep 2

# One picture holding the conversation window and the picker, which may stick out of it.
left=$X top=$Y right=$((X + WIDTH)) bottom=$((Y + HEIGHT))
eval "$(xdotool getwindowgeometry --shell "$picker")"
((X < left)) && left=$X
((Y < top)) && top=$Y
((X + WIDTH > right)) && right=$((X + WIDTH))
((Y + HEIGHT > bottom)) && bottom=$((Y + HEIGHT))
left=$((left > 20 ? left - 20 : 0)) top=$((top > 20 ? top - 20 : 0))
shot "$prefix-picker.png" "$left" "$top" $((right - left + 20)) $((bottom - top + 20))
