#!/usr/bin/env bash
# One instance per session: a second start ends at once with exit code 0 while the first
# keeps running with its one window; after the first ends, a new start runs.
set -euo pipefail
exe="$1"
windows() { xdotool search --onlyvisible --class swiftlane.exe 2>/dev/null | wc -l; }
wait_window() {
  for _ in $(seq 1 200); do [ "$(windows)" -ge 1 ] && return 0; sleep 0.05; done
  echo "FAIL: no window appeared"; return 1
}
stop_all() { for p in $(jobs -p); do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; }
trap stop_all EXIT

wine "$exe" & first=$!
wait_window

start=$(date +%s%N)
set +e; wine "$exe"; rc=$?; set -e
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
echo "second start: exit code $rc after $elapsed_ms ms"
[ "$rc" -eq 0 ] || { echo "FAIL: exit code $rc"; exit 1; }
[ "$elapsed_ms" -lt 1000 ] || { echo "FAIL: took $elapsed_ms ms"; exit 1; }
kill -0 "$first" || { echo "FAIL: first instance ended"; exit 1; }
[ "$(windows)" -eq 1 ] || { echo "FAIL: $(windows) windows"; exit 1; }

kill "$first"; wait "$first" 2>/dev/null || true
for _ in $(seq 1 100); do [ "$(windows)" -eq 0 ] && break; sleep 0.05; done

wine "$exe" & again=$!
wait_window
kill -0 "$again" || { echo "FAIL: the new start did not keep running"; exit 1; }
echo "ok: a new start after the first ended runs"
