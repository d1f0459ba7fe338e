# What the screenshot scripts share; sourced by them from the source folder.
#   need_tools COMMAND:PACKAGE... [-- PACKAGE...]  installs the packages whose command is
#                                  missing, and those after "--" (ImageMagick is always needed)
#   ensure_program BUILD_DIR [TARGET...]  builds the program (and the targets) when missing;
#                                  sets `program` to the program's absolute path
#   start_xvfb WIDTHxHEIGHT        starts a private X server, sets DISPLAY and `xvfb_pid`
#   write_lines FILE LINE...       a UTF-8 file with a byte-order mark and CR LF line ends
#   wait_for DESCRIPTION COMMAND...  waits up to about 15 seconds, else fails with the text
#   listening ADDRESS, window_named NAME, has_window NAME  conditions for wait_for
# A script sets `script_name` (for its error messages) before it sources this file.

fail() {
    echo "${script_name:-screenshot}: $*" >&2
    exit 1
}

need_tools() { # command:package... [-- package...]
    local need=() pair
    while (($#)); do
        pair=$1
        shift
        if [[ $pair == -- ]]; then
            need+=("$@")
            break
        fi
        command -v "${pair%%:*}" >/dev/null || need+=("${pair#*:}")
    done
    convert -version 2>/dev/null | grep -q ImageMagick || need+=(imagemagick)
    if ((${#need[@]})); then
        local sudo=""
        [[ $(id -u) -ne 0 ]] && sudo=sudo
        $sudo apt-get install -y --no-install-recommends "${need[@]}" >/dev/null
    fi
}

ensure_program() { # build-dir [extra target...]
    local build_dir=$1 target missing=0
    shift
    program="$build_dir/src/app/vantrel"
    [[ -x $program ]] || missing=1
    for target in "$@"; do
        [[ -n $(find "$build_dir" -name "$target" -type f -perm -u+x 2>/dev/null | head -n1) ]] || missing=1
    done
    if ((missing)); then
        local tests=OFF
        (($#)) && tests=ON
        cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_BUILD_TESTS=$tests >/dev/null
        cmake --build "$build_dir" --target vantrel "$@"
    fi
    program=$(realpath "$program")
}

x_ready() { xdpyinfo >/dev/null 2>&1; }

start_xvfb() { # geometry
    local display=:$((90 + RANDOM % 100))
    Xvfb "$display" -screen 0 "$1x24" -nolisten tcp &
    xvfb_pid=$!
    export DISPLAY=$display
    wait_for "Xvfb did not start" x_ready
}

write_lines() { # file line...
    local file=$1
    shift
    mkdir -p "$(dirname "$file")"
    printf '\xEF\xBB\xBF%s' "$(printf '%s\r\n' "$@")" >"$file"
}

wait_for() { # description command...
    local what=$1
    shift
    for _ in $(seq 150); do
        "$@" && return 0
        sleep 0.1
    done
    fail "$what"
}

listening() { [[ -n $(ss -Hltn "src $1:2012") ]]; }
window_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }
has_window() { [[ -n $(window_named "$1") ]]; }
