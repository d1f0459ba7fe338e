#!/usr/bin/env bash
# Builds Vantrel and starts it: in the tray with its main window when a display is
# available, otherwise headless (the engine without windows). Extra arguments are passed on.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_BUILD_TESTS=OFF >/dev/null
cmake --build build/release --target vantrel

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "No display found: starting Vantrel headless (received messages are printed here)."
    exec build/release/src/app/vantrel --headless "$@"
fi
exec build/release/src/app/vantrel "$@"
