#!/usr/bin/env bash
# Installs what is needed, builds the clock and starts it from the build folder,
# where data/ sits beside the executable and conf.ini is created on first run.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/install-deps.sh"
build=${ZENTARI_BUILD_DIR:-$here/build}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel "$(nproc)" --target Zentari
exec "$build/bin/Zentari"
