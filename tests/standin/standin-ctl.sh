#!/usr/bin/env bash
# Starts and stops the stand-in services for a test run (the ctest fixture "standin").
#   standin-ctl.sh start RUN_DIR SITES_FILE...   start in the background, wait until listening
#   standin-ctl.sh stop RUN_DIR                  end the process that "start" recorded
# Needs SWIFTLANE_BINARY_DIR (wine-run.sh --env sets it): the certificates are those of the
# build tree's test CA, made with the Wine prefix.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cmd="${1:?start or stop}"
run="${2:?run directory}"
shift 2

stop() {
  [ -f "$run/standin.pid" ] || return 0
  local pid
  pid=$(cat "$run/standin.pid")
  # Only the stand-in that this run dir recorded, and only while it is still that program.
  if [ -r "/proc/$pid/cmdline" ] && tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q "standin.py .*--run-dir $run"; then
    kill "$pid"
    for _ in $(seq 50); do [ -d "/proc/$pid" ] || break; sleep 0.1; done
  fi
  rm -f "$run/standin.pid"
}

case "$cmd" in
  stop) stop ;;
  start)
    certs="${SWIFTLANE_BINARY_DIR:?}/test-ca"
    if [ ! -f "$certs/localhost.crt" ]; then
      echo "standin: no test CA in $certs; the Wine prefix was made without it." >&2
      echo "standin: remove ${WINEPREFIX:-the prefix} and run the tests again." >&2
      exit 1
    fi
    stop
    rm -rf "$run"
    mkdir -p "$run"
    sites=()
    for f in "$@"; do sites+=(--sites "$f"); done
    # Own session and no inherited descriptors: it outlives this script and ctest does not
    # wait on its output.
    setsid python3 "$here/standin.py" --cert-dir "$certs" --run-dir "$run" "${sites[@]}" \
      </dev/null >"$run/standin.log" 2>&1 9>&- &
    for _ in $(seq 200); do
      [ -f "$run/ports.txt" ] && { cat "$run/ports.txt"; exit 0; }
      if [ -f "$run/standin.pid" ] && [ ! -d "/proc/$(cat "$run/standin.pid")" ]; then break; fi
      sleep 0.05
    done
    echo "standin: did not start" >&2
    cat "$run/standin.log" >&2
    stop
    exit 1
    ;;
  *) echo "usage: $0 start|stop RUN_DIR [SITES_FILE...]" >&2; exit 2 ;;
esac
