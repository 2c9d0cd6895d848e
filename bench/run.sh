#!/usr/bin/env bash
# Swiftlane against a bare Win32 window, side by side in one run (see bench.py).
#
#   bench/run.sh [BUILD_DIR] [--bed] [bench.py options]     BUILD_DIR default build/bench
#
# --bed runs it all in a network namespace with one adapter (root; tests/netbed/netbed.sh,
# with a prefix of its own), so that adapter discovery finds one, and adds the main road:
# Run and Stop clicked, with the public-address probe answered at once.
#
# The build tree is a Windows build with its service hosts on localhost:PORT, e.g.
#   cmake -S . -B build/bench -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#     -DCMAKE_BUILD_TYPE=MinSizeRel -DSWIFTLANE_UPDATE_HOST=localhost:48471 ...
#   ninja -C build/bench swiftlane bare_window mem_report trust_ca fake_netshell
# Without an X display it runs itself on Xvfb.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$here/../build/bench"
if [ $# -gt 0 ] && [ "${1#-}" == "$1" ]; then build="$1"; shift; fi
build="$(cd "$build" && pwd)"

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$build" "$@"
fi
for f in swiftlane.exe bench/bare_window.exe bench/mem_report.exe wine-run.sh; do
  [ -f "$build/$f" ] || { echo "bench: $build/$f is missing" >&2; exit 1; }
done

if [ "${1:-}" == "--bed" ]; then
  shift
  export SWIFTLANE_BINARY_DIR="$build" SWIFTLANE_SOURCE_DIR="$(cd "$here/.." && pwd)"
  export NETBED_PREFIX="$build/bench/wineprefix-bed" NETBED_FULL_PREFIX=1
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # The namespace's loopback starts down; the answering services listen there.
  exec bash "$SWIFTLANE_SOURCE_DIR/tests/netbed/netbed.sh" --link lan-bench 10.78.0.5/24 -- \
    bash -c 'ip link set lo up && exec python3 "$@"' bench "$here/bench.py" "$build" \
    --address 10.78.0.5 --road 5 "$@"
fi

# A warm wineserver for the build's prefix: both programs start against a running server.
"$build/wine-run.sh" --start
export WINEPREFIX="$build/wineprefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap '"$build/wine-run.sh" --stop' EXIT
python3 "$here/bench.py" "$build" "$@"
