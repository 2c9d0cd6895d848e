#!/usr/bin/env bash
# Installs what is needed, builds swiftlane.exe and shows it running under Wine.
# Without a display it runs on a virtual screen (Xvfb) and writes screenshots to
# build/screenshots/. With SWIFTLANE_DEMO_KEEP=1 and a display, the window stays open.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --on-display ]; then
  exec bash tests/demo/demo.sh build/windows
fi
bash scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target swiftlane
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --on-display
fi
exec bash tests/demo/demo.sh build/windows
