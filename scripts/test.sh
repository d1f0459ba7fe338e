#!/usr/bin/env bash
# Builds Vantrel with AddressSanitizer and UndefinedBehaviorSanitizer and runs every check:
# formatting, the widget-free engine build, the packages the build uses, the whole test suite
# (which also starts the real program on the offscreen platform), and the display and
# windowed suites once more under valgrind memcheck.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

echo "== Formatting"
scripts/check-format.sh

echo "== Engine without widgets"
cmake -S . -B build/engine -G Ninja -DVANTREL_WITH_GUI=OFF -DVANTREL_BUILD_TESTS=OFF -DVANTREL_WERROR=ON \
    -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/engine --target vantrel

echo "== Test build (ASan + UBSan)"
cmake -S . -B build/test -G Ninja -DVANTREL_SANITIZE=ON -DVANTREL_WERROR=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null

echo "== Packages the build uses"
scripts/check-packages.sh build/engine build/test

cmake --build build/test

echo "== Tests"
ctest --test-dir build/test --output-on-failure -j2 --timeout 600

echo "== Display and windowed suites under valgrind memcheck"
scripts/memcheck.sh
