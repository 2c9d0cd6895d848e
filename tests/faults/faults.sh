#!/usr/bin/env bash
# Fault matrix: swiftlane.exe under Wine in a network bed while its services or its system
# misbehave, one row per case. Throughout each case a probe (hang_probe.exe) makes a WM_NULL
# round trip to the window every 50 ms and the window must answer each within 100 ms; the
# case must end in its final status (the registry's "status" and the start button's face),
# keep the five stored options as they were and show no crash box or other window.
#
#   faults.sh CASE
#
# Runs through wine-run.sh --env on an X display, as root. Exits 77 when one of these is
# missing, 1 when a check failed.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
: "${SWIFTLANE_BINARY_DIR:?run through wine-run.sh --env}"
: "${SWIFTLANE_SOURCE_DIR:?run through wine-run.sh --env}"
case_name="${1:?case}"

adapter=lan-fault
address=10.78.0.5
build_port() {
  sed -n "s/^$1:[A-Z]*=localhost:\([0-9][0-9]*\)\$/\1/p" "$SWIFTLANE_BINARY_DIR/CMakeCache.txt" 2>/dev/null
}
myip_port="$(build_port SWIFTLANE_MYIP_HOST)"
update_port="$(build_port SWIFTLANE_UPDATE_HOST)"

# case | public-address turns, one per connection | update turns | kind
#   kind: run (Run clicked, ends Running), kill (killed while busy, started again),
#         twice (two starts at once), dll=NAME (Wine told not to load NAME; Run ends Running)
#         nowmi (WMI not loaded: no adapter, Run shows its one error box and stays idle)
rows='
myip_big_body        | fault-myip-big-then-ok        | fault-update-ok         | run
myip_drip            | drip:4,fault-myip-ok          | fault-update-ok         | run
myip_reset           | reset,fault-myip-ok           | fault-update-ok         | run
myip_bad_utf8        | fault-myip-bad-utf8-then-ok   | fault-update-ok         | run
myip_redirect_6      | fault-myip-redirect-6-then-ok | fault-update-ok         | run
myip_untrusted       | fault-untrusted,fault-myip-ok | fault-update-ok         | run
update_big_body      | fault-myip-ok                 | fault-update-big        | run
update_drip          | fault-myip-ok                 | drip:4                  | run
update_reset         | fault-myip-ok                 | reset                   | run
update_bad_utf8      | fault-myip-ok                 | fault-update-bad-utf8   | run
update_redirect_6    | fault-myip-ok                 | fault-update-redirect-6 | run
update_untrusted     | fault-myip-ok                 | fault-untrusted         | run
netshell_absent      | fault-myip-ok                 | fault-update-ok         | dll=netshell
wmi_unavailable      | fault-myip-ok                 | fault-update-ok         | nowmi
killed_while_busy    | fault-myip-slow               | fault-update-ok         | kill
two_starts           | fault-myip-ok                 | fault-update-ok         | twice
'
row="$(awk -F'|' -v c="$case_name" '{ gsub(/ /, "") } $1 == c { print $2 " " $3 " " $4 }' <<<"$rows")"
[ -n "$row" ] || { echo "faults: no case $case_name" >&2; exit 2; }
read -r myip_turns update_turns kind <<<"$row"

# ---- inside the bed ---------------------------------------------------------------------
inside() {
  local tmp="$1"
  local failures=0
  local settings='HKCU\Software\Swiftlane'
  run="$tmp/standin"
  app=""
  probe=""

  say() { printf '\n== %s\n' "$*"; }
  check() {
    if [ "$2" == "$3" ]; then
      echo "ok   $1"
    else
      echo "FAIL $1: expected '$2', got '$3'"
      failures=$((failures + 1))
    fi
  }
  quiet_wine() { wine "$@" 2>/dev/null | tr -d '\r'; }
  value() {
    local out
    out="$(quiet_wine reg query "$1" /v "$2" || true)"
    awk -v n="$2" '$1 == n { print $3; found = 1 } END { if (!found) print "absent" }' <<<"$out"
  }
  wait_for() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
      [ $SECONDS -lt $end ] || return 1
      sleep 0.1
    done
  }
  status_is() { [ "$(value "$settings" status)" == "$1" ]; }
  requests() { grep -c "\"path\":\"$1" "$run/requests.jsonl" 2>/dev/null || true; }
  # The five options, stored as a mix of on and off so that a lost or reset one shows.
  local keys="tcpnodelay tcpackfrequency tcpdelacktick networkthrottleindex systemresponsivess"
  local stored="0x0 0x1 0x0 0x1 0x0"
  options() { local k out=""; for k in $keys; do out="$out $(value "$settings" "$k")"; done; echo "${out# }"; }
  click() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1; }
  park_pointer() { xdotool mousemove $((X + 480)) $((Y + 410)); }
  shot() { import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$tmp/$1"; }
  pixel() {
    convert "$tmp/$1" -format '%[fx:int(255*p{'"$2,$3"'}.r)] %[fx:int(255*p{'"$2,$3"'}.g)] %[fx:int(255*p{'"$2,$3"'}.b)]' info:
  }
  # The start button's face: accent blue while it is down (Running), white otherwise.
  face() {
    local r g b
    read -r r g b <<<"$(pixel "$1" 190 330)"
    if [ $((r > 240 && g > 240 && b > 240)) == 1 ]; then echo white
    elif [ $((b - r > 100)) == 1 ]; then echo accent
    else echo "other($r,$g,$b)"; fi
  }
  local win=""
  find_window() { win="$(xdotool search --onlyvisible --class swiftlane.exe 2>/dev/null | head -n 1)"; [ -n "$win" ]; }
  start_app() {
    wine "$SWIFTLANE_BINARY_DIR/swiftlane.exe" </dev/null >>"$tmp/swiftlane.log" 2>&1 &
    app=$!
    wait_for 60 find_window || { echo "FAIL the window did not appear"; return 1; }
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$win")"
  }
  start_probe() {
    rm -f "$tmp/probe.stop"
    rm -f "$tmp/probe.out"
    wine "$SWIFTLANE_BINARY_DIR/tests/faults/hang_probe.exe" "$(winepath -w "$tmp/probe.stop" 2>/dev/null)" \
      "$(winepath -w "$tmp/probe.out" 2>/dev/null)" </dev/null >/dev/null 2>&1 &
    probe=$!
    wait_for 30 grep -qs '^ready' "$tmp/probe.out" || echo "     (the probe did not say it is ready)"
  }
  # Ends the probe and checks what it saw; ARGS: the other windows expected, one per line.
  probe_verdict() {
    touch "$tmp/probe.stop"
    wait "$probe" || true
    probe=""
    tr -d '\r' <"$tmp/probe.out" >"$tmp/probe.txt"
    sed 's/^/     probe: /' "$tmp/probe.txt"
    local got
    got() { sed -n "s/^$1=//p" "$tmp/probe.txt"; }
    [ "$(got samples)" -gt 0 ] 2>/dev/null && echo "ok   the probe reached the window $(got samples) times" ||
      { echo "FAIL the probe never reached the window"; failures=$((failures + 1)); }
    check "every round trip to the window within 100 ms (worst $(got worst_ms) ms)" 0 "$(got failed)"
    check "one window of class TFrmSwiftlane at a time" 1 "$(got max_frames)"
    check "no other window of the process (crash box, notice)" "${1:-}" "$(got other)"
  }
  close_app() {  # closes the window as the close box would; the exit code goes to closed_rc
    quiet_wine taskkill /im swiftlane.exe >/dev/null || true
    closed_rc=0
    wait "$app" || closed_rc=$?
    app=""
  }
  cleanup_inside() {
    [ -n "$probe" ] && touch "$tmp/probe.stop"
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    if [ -f "$run/relay.pid" ]; then kill "$(cat "$run/relay.pid")" 2>/dev/null || true; fi
    bash "$SWIFTLANE_SOURCE_DIR/tests/standin/standin-ctl.sh" stop "$run" || true
  }
  trap cleanup_inside EXIT

  ip link set lo up
  say "Case $case_name: public address $myip_turns, update $update_turns, $kind"
  bash "$SWIFTLANE_SOURCE_DIR/tests/standin/standin-ctl.sh" start "$run" "$SWIFTLANE_SOURCE_DIR/tests/standin/sites/fault.json" >/dev/null
  setsid python3 "$here/relay.py" "$run" "$SWIFTLANE_BINARY_DIR/test-ca" \
    "$myip_port=$myip_turns" "$update_port=$update_turns" </dev/null >"$run/relay.out" 2>&1 &
  wait_for 10 test -f "$run/relay.ready" || { echo "FAIL the relay did not start"; cat "$run/relay.out"; return 1; }

  quiet_wine reg delete "$settings" /f >/dev/null || true
  local k v i=1
  for k in $keys; do
    v="$(cut -d' ' -f$i <<<"$stored")"
    quiet_wine reg add "$settings" /v "$k" /t REG_DWORD /d $((v)) /f >/dev/null
    i=$((i + 1))
  done
  quiet_wine reg add "$settings" /v status /t REG_DWORD /d 0 /f >/dev/null

  export SWIFTLANE_NETSHELL_LOG
  SWIFTLANE_NETSHELL_LOG="$(winepath -w "$tmp/netshell.log" 2>/dev/null)"
  case "$kind" in
    dll=*) export WINEDLLOVERRIDES="${kind#dll=}=" ;;
    nowmi) export WINEDLLOVERRIDES="wbemprox=" ;;
  esac

  case "$kind" in
    run|dll=*)
      start_probe
      start_app || return 1
      park_pointer
      local t0=$SECONDS
      click 257 348
      park_pointer
      wait_for 40 status_is 0x1 || true
      local took=$((SECONDS - t0))
      sleep 0.5
      shot running.png
      echo "     Running after about $took s; public-address requests $(requests /myip), update requests $(requests /api.init.php)"
      sed 's/^/     relay: /' "$run/relay.log"
      echo "     connection manager: $(cat "$tmp/netshell.log" 2>/dev/null | grep -c 'Connect' || true) Connect/Disconnect lines"
      # Hold on a little: a late update reply or retry must not hang or open anything either.
      sleep 3
      probe_verdict
      check "status 1 stored" 0x1 "$(value "$settings" status)"
      check "the button shows Running" accent "$(face running.png)"
      check "the five options as stored" "$stored" "$(options)"
      case "$case_name" in
        myip_drip) [ "$took" -ge 4 ] && echo "ok   the dripping reply held the wait ($took s)" ||
                     { echo "FAIL the dripping reply did not hold the wait ($took s)"; failures=$((failures + 1)); } ;;
        netshell_absent) check "the stand-in connection manager was never loaded" 0 \
                           "$(cat "$tmp/netshell.log" 2>/dev/null | grep -c 'Connect' || true)" ;;
        myip_redirect_6) check "no client followed a sixth redirect" 0 "$(grep -c 'hop=6' "$run/requests.jsonl" || true)" ;;
      esac
      close_app
      check "closing ends the process with exit code 0" 0 "$closed_rc"
      ;;
    nowmi)
      start_probe
      start_app || return 1
      park_pointer
      click 257 348
      park_pointer
      sleep 2
      # The one error box Run may show: no active adapter, captioned like the window. It
      # closes with Enter.
      local caption
      caption="$(xdotool getwindowname "$win" 2>/dev/null || true)"
      check "the no-adapter box is up" 2 "$(xdotool search --onlyvisible --class swiftlane.exe 2>/dev/null | wc -l)"
      xdotool key Return
      sleep 2
      check "and gone after Enter" 1 "$(xdotool search --onlyvisible --class swiftlane.exe 2>/dev/null | wc -l)"
      probe_verdict "#32770|$caption"
      shot idle.png
      check "status 0 stored" 0x0 "$(value "$settings" status)"
      check "the button shows Run" white "$(face idle.png)"
      check "the five options as stored" "$stored" "$(options)"
      close_app
      check "closing ends the process with exit code 0" 0 "$closed_rc"
      ;;
    kill)
      start_app || return 1
      park_pointer
      click 257 348
      park_pointer
      wait_for 20 bash -c "grep -q '/myip' '$run/requests.jsonl' 2>/dev/null" || echo "     (no probe reached the stand-in)"
      sleep 0.5
      check "busy: status not stored" 0x0 "$(value "$settings" status)"
      quiet_wine taskkill /f /im swiftlane.exe >/dev/null || true
      wait "$app" || true
      app=""
      start_probe
      start_app || return 1
      park_pointer
      sleep 1
      shot again.png
      probe_verdict
      check "the next start shows Run, the status stored before" white "$(face again.png)"
      check "status 0 stored" 0x0 "$(value "$settings" status)"
      check "the five options as stored" "$stored" "$(options)"
      close_app
      check "closing ends the process with exit code 0" 0 "$closed_rc"
      ;;
    twice)
      start_probe
      local a b rc_a=0 rc_b=0
      wine "$SWIFTLANE_BINARY_DIR/swiftlane.exe" </dev/null >>"$tmp/swiftlane.log" 2>&1 &
      a=$!
      wine "$SWIFTLANE_BINARY_DIR/swiftlane.exe" </dev/null >>"$tmp/swiftlane.log" 2>&1 &
      b=$!
      wait_for 60 find_window || { echo "FAIL no window appeared"; return 1; }
      sleep 4
      check "exactly one window on screen" 1 "$(xdotool search --onlyvisible --class swiftlane.exe 2>/dev/null | wc -l)"
      local alive=0
      kill -0 "$a" 2>/dev/null && alive=$((alive + 1))
      kill -0 "$b" 2>/dev/null && alive=$((alive + 1))
      check "one of the two processes still runs" 1 "$alive"
      probe_verdict
      check "the five options as stored" "$stored" "$(options)"
      quiet_wine taskkill /im swiftlane.exe >/dev/null || true
      wait "$a" || rc_a=$?
      wait "$b" || rc_b=$?
      check "neither ended with exit code 1" "0 0" "$([ $rc_a == 1 ] && echo 1 || echo 0) $([ $rc_b == 1 ] && echo 1 || echo 0)"
      ;;
  esac

  echo
  echo "$failures failed"
  [ "$failures" == 0 ]
}

if [ "${2:-}" == "--inside" ]; then
  inside "$3"
  exit $?
fi

# ---- the bed --------------------------------------------------------------------------------
if [ -z "${DISPLAY:-}" ]; then
  echo "faults: needs an X display (run under xvfb-run)" >&2
  exit 77
fi
if [ -z "$myip_port" ] || [ -z "$update_port" ]; then
  echo "faults: this build does not name localhost:PORT for its public-address and update services" >&2
  exit 77
fi
for f in swiftlane.exe tests/fakenetshell/netshell.dll tests/tools/trust_ca.exe tests/faults/hang_probe.exe test-ca/ca.der; do
  [ -f "$SWIFTLANE_BINARY_DIR/$f" ] || { echo "faults: $SWIFTLANE_BINARY_DIR/$f is missing" >&2; exit 1; }
done
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
export NETBED_PREFIX="$SWIFTLANE_BINARY_DIR/tests/faults/wineprefix-full"
export NETBED_FULL_PREFIX=1
bash "$SWIFTLANE_SOURCE_DIR/tests/netbed/netbed.sh" --link "$adapter" "$address/24" \
  -- bash "$here/faults.sh" "$case_name" --inside "$tmp"
