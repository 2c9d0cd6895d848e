#!/usr/bin/env bash
# Installs what is needed, builds both builds and runs every test:
#   the portable core natively and under ASan/UBSan, the program and its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
for preset in host host-asan windows; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

ctest --preset host -j "$jobs"
ctest --preset host-asan -j "$jobs"
# A short pass of every fuzz target over its seeds (scripts/fuzz.sh runs longer ones).
bash scripts/fuzz.sh 2
# The Windows tests create real windows: they need an X display.
if [ -n "${DISPLAY:-}" ]; then
  ctest --preset windows
else
  xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset windows
fi
