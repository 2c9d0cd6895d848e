#!/usr/bin/env bash
# The demonstration: starts swiftlane.exe in the build's private Wine prefix on the current
# display, walks through its pages and takes a screenshot of each.
set -euo pipefail
build="$(cd "$1" && pwd)"
shots="$build/../screenshots"
mkdir -p "$shots"
shots="$(cd "$shots" && pwd)"
run="$build/wine-run.sh"
"$run" --start

say() { printf '\n== %s\n' "$*"; }
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
