#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test (unit, window
# and real-window tests; the latter start their own Xvfb, window manager, tray
# and private D-Bus).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/install-deps.sh"
build=${ZENTARI_BUILD_DIR:-$here/build}
# ZENTARI_WERROR=ON (as CI sets it) makes every warning stop the build.
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZENTARI_WERROR="${ZENTARI_WERROR:-OFF}"
cmake --build "$build" --parallel "$(nproc)"
cd "$build"
ctest --output-on-failure --timeout 600 -j "$(nproc)"
