#!/usr/bin/env bash
# The main road end to end: swiftlane.exe under Wine in a network bed with one adapter to
# find, the public-address and update stand-ins on the ports the build names, Run and Stop
# clicked with the real pointer; the registry, the stand-in connection manager's log, the
# stand-in's request log and the screen are read back after each step.
#
#   e2e.sh [--shots DIR]     screenshots go to DIR (default $SWIFTLANE_BINARY_DIR/screenshots)
#
# Runs through wine-run.sh --env (it names the build tree) on an X display; needs root for
# the network bed, and a build whose public-address and update services are localhost:PORT.
# Exits 77 when one of these is missing, 1 when a check failed.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
: "${SWIFTLANE_BINARY_DIR:?run through wine-run.sh --env}"
: "${SWIFTLANE_SOURCE_DIR:?run through wine-run.sh --env}"

# The adapter to be found, and in front of it one that discovery must pass over.
adapter=lan-e2e
address=10.77.0.5
decoy=VMware0
decoy_address=10.77.0.9
# The stand-ins answer on the ports that the build names for its services.
build_port() {  # cache variable: the port of a localhost:PORT setting, or nothing
  sed -n "s/^$1:[A-Z]*=localhost:\([0-9][0-9]*\)\$/\1/p" "$SWIFTLANE_BINARY_DIR/CMakeCache.txt" 2>/dev/null
}
myip_port="$(build_port SWIFTLANE_MYIP_HOST)"
update_port="$(build_port SWIFTLANE_UPDATE_HOST)"

# ---- inside the bed ---------------------------------------------------------------------
inside() {
  local shots="$1" tmp="$2"
  local failures=0
  local tcpip='HKLM\SYSTEM\CurrentControlSet\Services\Tcpip\Parameters\Interfaces'
  local msmq='HKLM\SOFTWARE\Microsoft\MSMQ\Parameters'
  local profile='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Multimedia\SystemProfile'
  local settings='HKCU\Software\Swiftlane'
  local netlog="$tmp/netshell.log"
  # Read by the exit trap, after this function has returned.
  run="$tmp/standin"
  app=""

  say() { printf '\n== %s\n' "$*"; }
  check() {  # what, expected, actual
    if [ "$2" == "$3" ]; then
      echo "ok   $1"
    else
      echo "FAIL $1: expected '$2', got '$3'"
      failures=$((failures + 1))
    fi
  }
  quiet_wine() { wine "$@" 2>/dev/null | tr -d '\r'; }
  # The data of one value as reg.exe shows it ("0x1"), or "absent".
  value() {
    local out
    out="$(quiet_wine reg query "$1" /v "$2" || true)"
    awk -v n="$2" '$1 == n { print $3; found = 1 } END { if (!found) print "absent" }' <<<"$out"
  }
  show_key() {  # the key and its values, for whoever reads the output
    local lines
    echo "  $1"
    lines="$(quiet_wine reg query "$1" 2>/dev/null | sed -n 's/^ \{4\}\([^ ].*\)/    \1/p' || true)"
    echo "${lines:-    (no values)}"
  }
  show_all() {
    show_key "$tcpip\\$guid"
    show_key "$msmq"
    show_key "$profile"
    show_key "$settings"
  }
  requests() {  # how many GET /myip the stand-in has seen
    grep -c '"method":"GET","path":"/myip"' "$run/requests.jsonl" 2>/dev/null || true
  }
  switches() {  # the connection manager's Disconnect and Connect lines, GUIDs as logged
    sed -n 's/\r$//; /^\(Connect\|Disconnect\) /s/ #[0-9]*$//p' "$netlog" 2>/dev/null | paste -sd ' ' -
  }
  wait_for() {  # seconds, command...: true once the command succeeds
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
      [ $SECONDS -lt $end ] || return 1
      sleep 0.1
    done
  }
  requests_reach() { [ "$(requests)" -ge "$1" ]; }
  status_is() { [ "$(value "$settings" status)" == "$1" ]; }
  # Client coordinates of the window, at 96 DPI; without a window manager the X window is
  # the client area.
  click() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1; }
  # ChkTcpNoDelay's box on the configuration page (group box at 15,87 on the page, the box
  # at 17,64 in it), then back to the home page.
  click_option() {
    click 115 25
    sleep 0.3
    click 40 209
    sleep 0.3
    click 45 25
    sleep 0.3
  }
  park_pointer() { xdotool mousemove $((X + 480)) $((Y + 410)); }
  shot() {
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/$1"
    echo "     screenshot $shots/$1"
  }
  # Colour at a client point of a screenshot as "R G B".
  pixel() {
    convert "$shots/$1" -format '%[fx:int(255*p{'"$2,$3"'}.r)] %[fx:int(255*p{'"$2,$3"'}.g)] %[fx:int(255*p{'"$2,$3"'}.b)]' info:
  }
  # The start button's face, away from its caption and corners: accent blue while it is
  # down (Running), white otherwise. Its outline is accent blue while it can be clicked and
  # grey while it is disabled (busy).
  face() {
    local r g b
    read -r r g b <<<"$(pixel "$1" 190 330)"
    if [ $((r > 240 && g > 240 && b > 240)) == 1 ]; then echo white
    elif [ $((b - r > 100)) == 1 ]; then echo accent
    else echo "other($r,$g,$b)"; fi
  }
  outline() {
    # The darkest pixel of a short run across the left edge: the drawn line.
    local best=999 colour="" x r g b
    for x in 174 175 176 177 178 179; do
      read -r r g b <<<"$(pixel "$1" "$x" 348)"
      if [ $((r + g + b)) -lt "$best" ]; then best=$((r + g + b)); colour="$r $g $b"; fi
    done
    read -r r g b <<<"$colour"
    if [ $((b - r > 100)) == 1 ]; then echo accent
    elif [ $((b - r < 40 && r < 235)) == 1 ]; then echo grey
    else echo "other($r,$g,$b)"; fi
  }
  # How many pixels of a region differ between two screenshots, and whether the first one
  # has anything drawn there: "0 drawn" is the same text in both.
  same_pixels() {
    local a="$tmp/region-a.png" b="$tmp/region-b.png" diff dark
    convert "$2" -crop "$1" +repage "$a"
    convert "$3" -crop "$1" +repage "$b"
    diff="$(compare -metric AE "$a" "$b" null: 2>&1 || true)"
    dark="$(convert "$a" -colorspace Gray -format '%[fx:minima < 0.5 ? 1 : 0]' info:)"
    echo "$diff $([ "$dark" == 1 ] && echo drawn || echo blank)"
  }
  cleanup_inside() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    if [ -f "$run/forward.pid" ]; then kill "$(cat "$run/forward.pid")" 2>/dev/null || true; fi
    bash "$SWIFTLANE_SOURCE_DIR/tests/standin/standin-ctl.sh" stop "$run" || true
  }
  trap cleanup_inside EXIT

  # A namespace starts with its loopback down; the stand-ins listen there.
  ip link set lo up
  # Wine names an interface's GUID after its index in the namespace.
  local guid
  guid="$(printf '{%08X-0000-0000-0000-4E6574446576}' "$(cat "/sys/class/net/$adapter/ifindex")")"

  say "Network bed: adapters $decoy ($decoy_address) and $adapter ($address), IPv6 off"
  ip -4 -o addr show | awk '{ print "  " $2 " " $4 }'
  echo "  expected adapter GUID $guid"

  say "Adapter discovery as the window sees it"
  # The probe opens the same window with the same services on its configuration page and
  # tells its captions; its picture of them is compared with swiftlane.exe's below.
  local probe_win=""
  wine "$SWIFTLANE_BINARY_DIR/tests/e2e/labels_probe.exe" show </dev/null 2>/dev/null | tr -d '\r' >"$tmp/probe.txt" &
  find_probe() { probe_win="$(xdotool search --onlyvisible --class labels_probe.exe 2>/dev/null | head -n 1)"; [ -n "$probe_win" ]; }
  if wait_for 60 find_probe; then
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$probe_win")"
    shots="$tmp" shot probe-config.png >/dev/null
    quiet_wine taskkill /im labels_probe.exe >/dev/null || true
    # It stands where swiftlane.exe's window will: gone before that one is looked at.
    wait_for 20 bash -c '! xdotool search --onlyvisible --class labels_probe.exe >/dev/null 2>&1' ||
      echo "     (the probe's window is still open)"
  else
    echo "FAIL the probe's window did not appear"
    failures=$((failures + 1))
  fi
  wait_for 20 grep -q '^guid=' "$tmp/probe.txt" || true
  local probe
  probe="$(cat "$tmp/probe.txt")"
  check "LblAdapter names the adapter" "$adapter" "$(sed -n 's/^adapter=//p' <<<"$probe")"
  check "LblIPAddress shows its address" "IP: $address" "$(sed -n 's/^ip=//p' <<<"$probe")"
  check "the adapter's GUID" "$guid" "$(sed -n 's/^guid=//p' <<<"$probe")"

  # Start from a machine the program has not touched: no settings, no tweak values.
  quiet_wine reg delete "$settings" /f >/dev/null || true
  quiet_wine reg delete "$tcpip\\$guid" /f >/dev/null || true
  quiet_wine reg delete "$msmq" /f >/dev/null || true
  quiet_wine reg delete "$profile" /v NetworkThrottlingIndex /f >/dev/null || true
  quiet_wine reg delete "$profile" /v SystemResponsiveness /f >/dev/null || true

  say "Stand-in services on localhost:$myip_port (public address, each reply held 2 s) and :$update_port (update)"
  bash "$SWIFTLANE_SOURCE_DIR/tests/standin/standin-ctl.sh" start "$run" "$here/sites.json" | sed 's/^/  site /'
  setsid python3 "$here/forward.py" "$run" "$myip_port=e2e-myip" "$update_port=e2e-update" \
    </dev/null >"$run/forward.log" 2>&1 &
  wait_for 10 test -f "$run/forward.ready" || { echo "FAIL the port relay did not start"; cat "$run/forward.log"; return 1; }

  say "Starting swiftlane.exe"
  export SWIFTLANE_NETSHELL_LOG
  SWIFTLANE_NETSHELL_LOG="$(winepath -w "$netlog" 2>/dev/null)"
  local win=""
  find_window() { win="$(xdotool search --onlyvisible --class swiftlane.exe 2>/dev/null | head -n 1)"; [ -n "$win" ]; }
  start_app() {
    wine "$SWIFTLANE_BINARY_DIR/swiftlane.exe" </dev/null >>"$tmp/swiftlane.log" 2>&1 &
    app=$!
    wait_for 60 find_window || { echo "FAIL the window did not appear"; return 1; }
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$win")"
    echo "  window at $X,$Y, ${WIDTH}x${HEIGHT}"
  }
  start_app || return 1
  check "client size" "498x426" "${WIDTH}x${HEIGHT}"
  park_pointer
  sleep 0.3
  shot e2e-1-idle.png
  check "idle: the start button is an outline" "white accent" "$(face e2e-1-idle.png) $(outline e2e-1-idle.png)"
  check "idle: status 0 stored" 0x0 "$(value "$settings" status)"
  show_all

  say "Configuration page"
  click 115 25
  sleep 0.5
  shot e2e-2-config.png
  # LblAdapter and LblIPAddress, in client coordinates: the page starts at 50, the group
  # box at 15,6 in it, the labels at 17,32 and 344,32 in the box.
  check "the page shows the adapter as the probe's window does" "0 drawn" \
    "$(same_pixels 304x15+32+88 "$tmp/probe-config.png" "$shots/e2e-2-config.png")"
  check "and its address" "0 drawn" "$(same_pixels 109x15+359+88 "$tmp/probe-config.png" "$shots/e2e-2-config.png")"
  click 45 25
  sleep 0.3

  say "Run"
  click 257 348
  park_pointer
  wait_for 20 requests_reach 1 || echo "     (no probe reached the stand-in)"
  sleep 0.3
  shot e2e-3-busy.png
  check "busy: the button is disabled, its outline grey" "white grey" "$(face e2e-3-busy.png) $(outline e2e-3-busy.png)"
  check "busy: status not stored yet" 0x0 "$(value "$settings" status)"
  wait_for 30 status_is 0x1 || true
  sleep 0.5
  shot e2e-4-running.png
  check "running: the button is down" accent "$(face e2e-4-running.png)"
  show_all
  check "adapter TcpAckFrequency" 0x1 "$(value "$tcpip\\$guid" TcpAckFrequency)"
  check "adapter TcpDelAckTicks" 0x0 "$(value "$tcpip\\$guid" TcpDelAckTicks)"
  check "adapter TCPNoDelay" 0x1 "$(value "$tcpip\\$guid" TCPNoDelay)"
  check "message queue TCPNoDelay" 0x1 "$(value "$msmq" TCPNoDelay)"
  check "NetworkThrottlingIndex" 0xffffffff "$(value "$profile" NetworkThrottlingIndex)"
  check "SystemResponsiveness" 0x0 "$(value "$profile" SystemResponsiveness)"
  check "running: status 1 stored" 0x1 "$(value "$settings" status)"
  check "the adapter's connection was restarted" "Disconnect $guid Connect $guid" "$(switches)"
  check "one probe of /myip, answered" 1 "$(requests)"

  say "Closing the window and starting swiftlane.exe again"
  # taskkill without /f asks the window to close, as the close box would.
  quiet_wine taskkill /im swiftlane.exe >/dev/null || true
  wait_for 20 bash -c "! kill -0 $app 2>/dev/null" || { echo "FAIL swiftlane.exe did not end"; return 1; }
  app=""
  start_app || return 1
  park_pointer
  sleep 0.3
  shot e2e-5-running-again.png
  check "the stored status shows Running at once" accent "$(face e2e-5-running-again.png)"
  check "the start touched no connection" "Disconnect $guid Connect $guid" "$(switches)"
  check "and probed nothing" 1 "$(requests)"
  check "the tweaks are still set" "0x1 0xffffffff" "$(value "$tcpip\\$guid" TCPNoDelay) $(value "$profile" NetworkThrottlingIndex)"
  click_option
  check "while Running a click on an option changes nothing" 0x1 "$(value "$settings" tcpnodelay)"

  say "Stop"
  click 257 348
  park_pointer
  wait_for 20 requests_reach 2 || echo "     (no probe reached the stand-in)"
  sleep 0.3
  shot e2e-6-busy-stop.png
  check "busy again" "white grey" "$(face e2e-6-busy-stop.png) $(outline e2e-6-busy-stop.png)"
  wait_for 30 status_is 0x0 || true
  sleep 0.5
  shot e2e-7-idle.png
  check "idle again: the start button is an outline" "white accent" "$(face e2e-7-idle.png) $(outline e2e-7-idle.png)"
  show_all
  local name
  for name in TcpAckFrequency TcpDelAckTicks TCPNoDelay; do
    check "adapter $name deleted" absent "$(value "$tcpip\\$guid" "$name")"
  done
  check "message queue TCPNoDelay deleted" absent "$(value "$msmq" TCPNoDelay)"
  check "NetworkThrottlingIndex back to 10" 0xa "$(value "$profile" NetworkThrottlingIndex)"
  check "SystemResponsiveness back to 20" 0x14 "$(value "$profile" SystemResponsiveness)"
  check "idle: status 0 stored" 0x0 "$(value "$settings" status)"
  check "restarted once more" "Disconnect $guid Connect $guid Disconnect $guid Connect $guid" "$(switches)"
  check "a second probe of /myip" 2 "$(requests)"
  check "each start asked the update stand-in once" 2 \
    "$(grep -c '"method":"GET","path":"/api.init.php"' "$run/requests.jsonl" || true)"

  say "An option clicked while idle"
  click_option
  check "is stored at once" 0x0 "$(value "$settings" tcpnodelay)"
  check "and leaves the tweaks alone" "absent 0xa" "$(value "$tcpip\\$guid" TCPNoDelay) $(value "$profile" NetworkThrottlingIndex)"
  click_option
  check "clicked again, stored again" 0x1 "$(value "$settings" tcpnodelay)"

  echo
  echo "$failures failed"
  [ "$failures" == 0 ]
}

if [ "${1:-}" == "--inside" ]; then
  inside "$2" "$3"
  exit $?
fi

# ---- the bed --------------------------------------------------------------------------------
shots="$SWIFTLANE_BINARY_DIR/screenshots"
if [ "${1:-}" == "--shots" ]; then shots="$2"; fi
if [ -z "${DISPLAY:-}" ]; then
  echo "e2e: needs an X display (run under xvfb-run)" >&2
  exit 77
fi
if [ -z "$myip_port" ] || [ -z "$update_port" ]; then
  echo "e2e: this build does not name localhost:PORT for its public-address and update services" >&2
  exit 77
fi
# The stand-in services and the test CA come with the tree; without them there is nothing
# to answer the program.
for f in tests/standin/standin-ctl.sh tests/harness/prefix.d/10-test-ca.sh tests/tools/trust_ca_win.cpp; do
  [ -f "$SWIFTLANE_SOURCE_DIR/$f" ] || { echo "e2e: $f is not in this tree" >&2; exit 77; }
done
for f in swiftlane.exe tests/fakenetshell/netshell.dll tests/tools/trust_ca.exe tests/e2e/labels_probe.exe test-ca/ca.der; do
  [ -f "$SWIFTLANE_BINARY_DIR/$f" ] || { echo "e2e: $SWIFTLANE_BINARY_DIR/$f is missing" >&2; exit 1; }
done
mkdir -p "$shots"
shots="$(cd "$shots" && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
# A prefix of its own, prepared like the build's: the stand-in connection manager, and the
# build tree's test CA trusted, so the stand-ins' certificates are accepted.
export NETBED_PREFIX="$SWIFTLANE_BINARY_DIR/tests/e2e/wineprefix-full"
export NETBED_FULL_PREFIX=1
bash "$SWIFTLANE_SOURCE_DIR/tests/netbed/netbed.sh" --link "$decoy" "$decoy_address/24" --link "$adapter" "$address/24" \
  -- bash "$here/e2e.sh" --inside "$shots" "$tmp"
