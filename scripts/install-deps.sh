#!/usr/bin/env bash
# Installs the Debian packages Vantrel needs to build, run and test, skipping those that
# are already there. Uses sudo when not run as root.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config git python3
    qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-svg-dev qt6-qpa-plugins
    libx11-dev libxss-dev
    clang-format
    xvfb xauth x11-xkb-utils dbus-daemon xdotool trayer
    iproute2 valgrind
    unrtf
    desktop-file-utils appstream
)
fuzz_packages=(clang libclang-rt-14-dev)
case "${1:-}" in
    --with-fuzz) packages+=("${fuzz_packages[@]}") ;;
    --list)
        # The whole list, for scripts/check-packages.sh.
        printf '%s\n' "${packages[@]}" "${fuzz_packages[@]}"
        exit 0
        ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
