#!/usr/bin/env bash
# Shows file and picture transfer under Xvfb and saves three PNGs for checking by eye:
#
#   scripts/screenshot-transfer.sh [BUILD_DIR] [OUTPUT_PREFIX]
#
# A windowed Vantrel (127.0.0.88) knows 127.0.0.89 as Петя. A small peer written here in Python
# stands at 127.0.0.89 and speaks the protocol itself, so that it can take its time: it offers a
# file, and PREFIX-question.png shows the question; Enter answers Yes, the peer sends 40 % of
# the file and pauses, and PREFIX-progress.png shows the progress window in the middle of the
# transfer. Then it offers a picture, which is accepted the same way, and PREFIX-viewer.png
# shows the picture viewer.
#
# BUILD_DIR defaults to build/release (built here when it has no program yet); the prefix
# defaults to "vantrel". Exit code 1 when a step fails; files made before it are kept.
set -euo pipefail

script_name=screenshot-transfer
# shellcheck source=scripts/lib/screenshots.sh
source "$(dirname "$0")/lib/screenshots.sh"
need_tools Xvfb:xvfb xdotool:xdotool xwd:x11-apps xdpyinfo:x11-utils ss:iproute2

cd "$(dirname "$0")/.."
build_dir=${1:-build/release}
prefix=$(realpath -m "${2:-vantrel}")
own_address=127.0.0.88
peer_address=127.0.0.89

ensure_program "$build_dir"

work=$(mktemp -d)
cleanup() {
    if [[ -n ${peer_pid:-} ]]; then kill "$peer_pid" 2>/dev/null || true; fi
    if [[ -n ${app_pid:-} ]]; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    if [[ -n ${xvfb_pid:-} ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

me="$work/me"
mkdir -p "$me/home" "$me/data/Vantrel" "$me/config" "$me/runtime"
chmod 700 "$me/runtime"
# Offers are asked about; the sender's conversation window opens at once.
write_lines "$me/data/Vantrel/Conf/VantrelMsg.ini" '[fmConfig]' \
    'CheckBox_Popup_Checked=TRUE' 'dxCheckbox_PlaySound_Checked=FALSE' \
    'Checkbox_AutoContact_Checked=FALSE' "Edit_AutoFolder_Text=$me/Received" \
    'dxCheckbox_From_Checked=TRUE' 'Edit_From_Text=vasya-pc'
write_lines "$me/data/Vantrel/compnames.vtl" "petya-pc;Петя;$peer_address;0"
as_me=(env HOME="$me/home" XDG_DATA_HOME="$me/data" XDG_CONFIG_HOME="$me/config" XDG_RUNTIME_DIR="$me/runtime")

peer_said() { grep -q "^$1\$" "$work/peer.log" 2>/dev/null; }

shot() { # output window
    eval "$(xdotool getwindowgeometry --shell "$2")"
    local left=$((X > 20 ? X - 20 : 0)) top=$((Y > 20 ? Y - 20 : 0))
    xwd -root -silent | convert xwd:- -crop "$((WIDTH + 40))x$((HEIGHT + 40))+$left+$top" +repage "$1"
    echo "screenshot: $1"
}

# The peer: offers one file or picture, waits for the acceptance at its own port 2012, then
# streams the bytes, pausing after 40 % when asked to. It logs each step to peer.log.
cat >"$work/peer.py" <<'PY'
import re
import socket
import sys
import time

own, peer, kind, source, pause, log = sys.argv[1:7]
data = open(source, "rb").read()
name = source.rsplit("/", 1)[-1]

def say(step):
    with open(log, "a") as f:
        f.write(step + "\n")

def send(payload):
    s = socket.create_connection((own, 2012), source_address=(peer, 0))
    s.sendall(payload)
    return s

listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind((peer, 2012))
listener.listen(8)
header = "<VTL_IMAGE>" if kind == "picture" else "<VTL_QUERY_FILE>"
body = f"<FROM>petya-pc</FROM><FILE>C:\\Документы\\{name}</FILE><FILE_SIZE>{len(data)}</FILE_SIZE>"
send(f"{header}\r\n{body}\r\n".encode()).close()
say("offered")
listener.settimeout(120)
while True:
    conn, _ = listener.accept()
    request = b""
    while chunk := conn.recv(65536):
        request += chunk
    conn.close()
    if request.startswith(b"<VTL_WRITE_FILE>"):
        break
destination = re.search(rb"<DESTINATION_FILE>(.*?)</DESTINATION_FILE>", request, re.S).group(1).decode()
say("accepted")
flag = "-1" if kind == "picture" else "0"
line = f"<FROM>petya-pc</FROM><DESTINATION_FILE>{destination}</DESTINATION_FILE>" \
       f"<FILE_SIZE>{len(data)}</FILE_SIZE><IS_IMAGE>{flag}</IS_IMAGE>"
s = send(f"<VTL_FILE>\r\n{line}\r\n".encode())
part = len(data) * 2 // 5
s.sendall(data[:part])
say("halfway")
time.sleep(float(pause))
s.sendall(data[part:])
s.close()
say("done")
PY

start_xvfb 1024x768

for address in "$own_address" "$peer_address"; do
    listening "$address" && fail "port 2012 of $address is taken by another program"
done
"${as_me[@]}" "$program" --bind "$own_address" >"$work/app.out" 2>&1 &
app_pid=$!
wait_for "the main window did not appear" has_window Vantrel
wait_for "the windowed copy does not listen on $own_address" listening "$own_address"

# Yes is the question's default button: Enter, typed for real into the focused box.
answer_yes() { # window
    xdotool windowraise "$1" windowfocus --sync "$1"
    sleep 0.3
    xdotool key Return
}

# A file, offered and sent slowly.
head -c $((12 * 1024 * 1024)) /dev/urandom >"$work/Квартальный отчёт.pdf"
/usr/bin/python3 "$work/peer.py" "$own_address" "$peer_address" file "$work/Квартальный отчёт.pdf" 6 \
    "$work/peer.log" &
peer_pid=$!
wait_for "no question about the file" has_window 'Запрос на передачу файла'
question=$(window_named 'Запрос на передачу файла')
xdotool windowmove "$question" 200 220
sleep 1
shot "$prefix-question.png" "$question"
answer_yes "$question"
wait_for "the peer did not get the acceptance" peer_said accepted
wait_for "no progress window" has_window 'Запись "Квартальный отчёт.pdf"'
progress=$(window_named 'Запись "Квартальный отчёт.pdf"')
wait_for "the peer did not send the first part" peer_said halfway
xdotool windowmove "$progress" 300 300
# Two samples of the window's timer.
sleep 1.3
shot "$prefix-progress.png" "$progress"
wait "$peer_pid" || fail "the file's peer failed"
peer_pid=""
wait_for "the file did not arrive" test -s "$me/Received/Петя/Квартальный отчёт.pdf"

# A picture.
: >"$work/peer.log"
convert -size 720x420 gradient:'#ffb347-#1e3c72' -fill '#fff1b8' -draw 'circle 360,250 360,185' \
    -fill '#16325c' -draw 'rectangle 0,300 720,420' "$work/Закат над морем.jpg"
/usr/bin/python3 "$work/peer.py" "$own_address" "$peer_address" picture "$work/Закат над морем.jpg" 0 \
    "$work/peer.log" &
peer_pid=$!
wait_for "no question about the picture" has_window 'Запрос на передачу картинки'
answer_yes "$(window_named 'Запрос на передачу картинки')"
wait "$peer_pid" || fail "the picture's peer failed"
peer_pid=""
wait_for "the picture viewer did not open" has_window 'Закат над морем'
viewer=$(window_named 'Закат над морем')
sleep 1
shot "$prefix-viewer.png" "$viewer"
