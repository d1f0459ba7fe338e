#!/usr/bin/env bash
# Builds the Debian package of Vantrel and checks it with lintian.
#
# Usage: scripts/package.sh [BUILD_DIR]
#   BUILD_DIR  where to build (default build/package in the source tree)
#
# The package is a release build installed below /usr; its dependencies are computed by
# dpkg-shlibdeps from the libraries the program links. The .deb is left in BUILD_DIR and its
# path printed last. Install it with: sudo apt install ./BUILD_DIR/vantrel_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/package}

"$root/scripts/install-deps.sh"
# The packaging tools, needed here only.
tools=(dpkg-dev lintian file)
missing=()
for p in "${tools[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
    sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -q
    "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DVANTREL_BUILD_TESTS=OFF -DVANTREL_DEBIAN_PACKAGE=ON >/dev/null
cmake --build "$build"
rm -f "$build"/vantrel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/vantrel_*.deb)

echo "== lintian"
# Errors fail the script; warnings are shown.
lintian --fail-on error --tag-display-limit 0 "$deb"
echo "$deb"
