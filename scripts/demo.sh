#!/usr/bin/env bash
# Installs what is needed, builds swiftlane.exe and shows it running under Wine: as root,
# Run and Stop in a network bed with the registry values they set (tests/demo/demo.sh).
# Without a display it runs on a virtual screen (Xvfb) and writes screenshots to
# build/screenshots/. With SWIFTLANE_DEMO_KEEP=1 and a display, the window-only fallback
# leaves the window open.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --on-display ]; then
  exec bash tests/demo/demo.sh build/windows
fi
bash scripts/install-deps.sh
cmake --preset windows >/dev/null
# The program, and what the bed needs: the stand-in connection manager, the tool that
# trusts the test CA in the prefix, and the probe that reads the adapter labels.
cmake --build --preset windows -j "$(nproc)" --target swiftlane fake_netshell trust_ca labels_probe
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --on-display
fi
exec bash tests/demo/demo.sh build/windows
