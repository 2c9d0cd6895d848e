#!/usr/bin/env bash
# The demonstration: swiftlane.exe under Wine on the current display, with screenshots.
# As root it takes the whole road in a network bed (a network namespace with adapters of
# its own and local stand-ins for the maker's services): the window, Run, busy, Running,
# Stop, idle, with the registry values after each step. Where network namespaces cannot be
# made, it shows the window and its pages only.
set -euo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
shots="$build/../screenshots"
mkdir -p "$shots"
shots="$(cd "$shots" && pwd)"
run="$build/wine-run.sh"
say() { printf '\n== %s\n' "$*"; }

# Makes the build's Wine prefix on first use, with the test CA that the stand-ins serve; a
# prefix made before the tree had a test CA is made again.
if [ ! -f "$build/test-ca/ca.der" ] && [ -f "$build/wineprefix/.swiftlane-ready" ]; then
  "$run" --stop
  rm -f "$build/wineprefix/.swiftlane-ready"
fi
"$run" --start
trap '"$run" --stop' EXIT

bed_works() {
  [ "$(id -u)" = 0 ] || return 1
  local ns="swl-demo-$$"
  ip netns add "$ns" 2>/dev/null || return 1
  ip netns del "$ns" 2>/dev/null || true
}

if bed_works; then
  say "Swiftlane's main road, under Wine in a network bed"
  # Called directly rather than through wine-run.sh, so its report shows as it goes.
  export SWIFTLANE_SOURCE_DIR="$source_dir" SWIFTLANE_BINARY_DIR="$build"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  rm -f "$shots"/e2e-*.png
  set +e
  bash "$source_dir/tests/e2e/e2e.sh" --shots "$shots"
  rc=$?
  set -e
  say "Screenshots in $shots"
  ls "$shots"/e2e-*.png 2>/dev/null | sed 's/^/  /' || true
  exit "$rc"
fi

say "Network namespaces are not available here (they need root): the window only"
window() { xdotool search --onlyvisible --class swiftlane.exe 2>/dev/null | head -n 1 || true; }

say "Starting swiftlane.exe under Wine"
"$run" --direct "$build/swiftlane.exe" >/dev/null 2>&1 &
app=$!
trap 'kill $app 2>/dev/null || true; "$run" --stop' EXIT
win=""
for _ in $(seq 1 200); do win=$(window); [ -n "$win" ] && break; sleep 0.05; done
[ -n "$win" ] || { echo "the window did not appear"; exit 1; }
sleep 1
eval "$(xdotool getwindowgeometry --shell "$win")"
echo "window $WINDOW at $X,$Y, ${WIDTH}x${HEIGHT}"
shot() { import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$shots/$1"; echo "screenshot: $shots/$1"; }
click() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1; sleep 0.5; }

say "Home page"
shot swiftlane-home.png

say "Configuration page (header button 2)"
click 115 25
shot swiftlane-config.png

say "Settings stored for this user"
"$run" --env wine reg query 'HKCU\Software\Swiftlane' | sed -n '/REG_/p'

click 45 25
if [ "${SWIFTLANE_DEMO_KEEP:-0}" = 1 ]; then
  say "The window stays open; close it to end"
  wait "$app" || true
fi
say "Done"
