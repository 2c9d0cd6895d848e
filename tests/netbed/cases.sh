#!/usr/bin/env bash
# Adapter discovery and reconnect under Wine, on adapters made for each case.
#   cases.sh CASE     builds the case's network bed and runs its checks inside it
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
probe_exe="$SWIFTLANE_BINARY_DIR/tests/netbed/network_probe.exe"
failures=0

# ---- helpers used inside the bed ------------------------------------------------------
probe() {
  local err
  err="$(mktemp)"
  if ! wine "$probe_exe" "$@" 2>"$err" | tr -d '\r'; then
    echo "probe $* failed" >&2
  fi
  grep -v -e 'wine32 is missing' -e 'multiarch needs' -e 'dpkg --add-arch' -e 'apt-get install wine32' "$err" >&2 || true
  rm -f "$err"
}
field() { sed -n "s/^$1=//p" <<<"$2"; }
check() {  # what, expected, actual
  if [ "$2" == "$3" ]; then
    echo "ok   $1"
  else
    echo "FAIL $1: expected '$2', got '$3'"
    failures=$((failures + 1))
  fi
}
# Wine names an interface's GUID after its index in the namespace.
guid_of() {
  local index
  index="$(cat "/sys/class/net/$1/ifindex")"
  printf '{%08X-0000-0000-0000-4E6574446576}' "$index"
}
lower() { tr 'A-Z' 'a-z' <<<"$1"; }
discover_expect() {  # what, found, name, interface for the GUID, ip
  local out
  out="$(probe discover)"
  check "$1: found" "$2" "$(field found "$out")"
  if [ "$2" == 1 ]; then
    check "$1: name" "$3" "$(field name "$out")"
    check "$1: guid" "$(guid_of "$4")" "$(field guid "$out")"
    check "$1: ip" "$5" "$(field ip "$out")"
  fi
}

log_file() { echo "$NETBED_TMP/netshell.log"; }
export_log() {
  export SWIFTLANE_NETSHELL_LOG="Z:$(log_file | sed 's|/|\\|g')"
}
switch_expect() {  # what, guid, on|off, expected result, expected log lines...
  local what="$1" guid="$2" state="$3" want="$4" out
  shift 4
  rm -f "$(log_file)"
  out="$(probe switch "$guid" "$state")"
  check "$what: result" "$want" "$(field result "$out")"
  local expected actual
  expected="$(printf '%s\n' "$@")"
  actual="$(tr -d '\r' <"$(log_file)" 2>/dev/null || true)"
  check "$what: log" "$expected" "$actual"
}

# ---- the cases, run inside their bed -------------------------------------------------
inside() {
  case "$1" in
    excluded_names)
      discover_expect "excluded words in any case, then a physical adapter" 1 eth0 eth0 10.61.1.8
      ;;
    only_excluded)
      discover_expect "only adapters with excluded words" 0
      ;;
    two_networks)
      local out
      out="$(probe local)"
      check "local address is the first adapter's" 10.62.1.5 "$(field local "$out")"
      discover_expect "the adapter in the local network wins, the first on a tie" 1 eth0 eth0 10.62.1.7
      ;;
    several_addresses)
      discover_expect "only the first configured address counts" 1 eth1 eth1 10.63.1.7
      ;;
    no_local_ipv4)
      check "no local IPv4" "" "$(field local "$(probe local)")"
      discover_expect "an address without a dot matches the empty prefix" 1 v6net v6net fd00:64::5
      ;;
    many_adapters)
      # More adapters than the first address-list buffer holds: the list is read again, larger.
      check "local address behind a grown buffer" 10.68.0.1 "$(field local "$(probe local)")"
      discover_expect "discovery with many adapters" 1 e0 e0 10.68.0.1
      ;;
    no_address)
      check "no local IPv4" "" "$(field local "$(probe local)")"
      discover_expect "an adapter without addresses is not chosen" 0
      ;;
    no_adapter)
      discover_expect "no adapter at all" 0
      ;;
    wmi_unavailable)
      export WINEDLLOVERRIDES="mscoree,mshtml,wbemprox="
      local out
      out="$(probe discover sta)"
      check "without WMI: found" 0 "$(field found "$out")"
      check "without WMI: COM left as found" sta "$(field com_after "$out")"
      ;;
    com_balance)
      local mode out
      for mode in none sta mta; do
        out="$(probe discover "$mode")"
        check "COM on a thread with $mode: before" "$mode" "$(field com_before "$out")"
        check "COM on a thread with $mode: left as found" "$mode" "$(field com_after "$out")"
        check "COM on a thread with $mode: found" 1 "$(field found "$out")"
      done
      ;;
    netshell_switch)
      # The stand-in reports one connection per adapter, in the IP helper's order.
      export_log
      local e w
      e="$(guid_of eth0)"
      w="$(guid_of wlan0)"
      check "discovery finds eth0" "$e" "$(field guid "$(probe discover)")"
      local head=(CreateManager "EnumConnections 0")
      switch_expect "disconnect eth0" "$e" off 1 "${head[@]}" "GetProperties $e #0" "Free $e" \
        "Disconnect $e #0" AllReleased
      switch_expect "connect eth0, lower-case argument" "$(lower "$e")" on 1 "${head[@]}" "GetProperties $e #0" \
        "Free $e" "Connect $e #0" AllReleased
      local mixed="${e:0:30}$(lower "${e:30}")"
      switch_expect "disconnect wlan0 passes eth0 over" "$w" off 1 "${head[@]}" "GetProperties $e #0" "Free $e" \
        "GetProperties $w #1" "Free $w" "Disconnect $w #1" AllReleased
      switch_expect "mixed-case argument" "$mixed" on 1 "${head[@]}" "GetProperties $e #0" "Free $e" \
        "Connect $e #0" AllReleased
      local unknown="{12345678-9ABC-DEF0-1234-56789ABCDEF0}"
      local all_none=("${head[@]}" "GetProperties $e #0" "Free $e" "GetProperties $w #1" "Free $w" AllReleased)
      switch_expect "unknown GUID" "$unknown" off 0 "${all_none[@]}"
      switch_expect "GUID without braces" "${e:1:36}" off 0 "${all_none[@]}"
      switch_expect "empty GUID" "" off 0 "${all_none[@]}"
      ;;
    netshell_configured)
      export_log
      local a="{0000000A-1111-2222-3333-444444444444}" b="{0000000B-1111-2222-3333-444444444444}"
      local c="{0000000C-1111-2222-3333-444444444444}" d="{0000000D-1111-2222-3333-444444444444}"
      export SWIFTLANE_NETSHELL_CONNECTIONS="$a:noprops;$b;$b;$c:80004005;$d:00000001"
      local head=(CreateManager "EnumConnections 0" "GetProperties $a #0 failed")
      switch_expect "first of two connections with one GUID, failed properties passed over" "$b" off 1 \
        "${head[@]}" "GetProperties $b #1" "Free $b" "Disconnect $b #1" AllReleased
      local to_c=("${head[@]}" "GetProperties $b #1" "Free $b" "GetProperties $b #2" "Free $b" "GetProperties $c #3"
        "Free $c")
      switch_expect "Connect that fails" "$c" on 0 "${to_c[@]}" "Connect $c #3" AllReleased
      switch_expect "Disconnect that returns S_FALSE" "$d" off 0 "${to_c[@]}" "GetProperties $d #4" "Free $d" \
        "Disconnect $d #4" AllReleased
      ;;
    netshell_absent)
      export_log
      check "the stand-in is installed" 1 "$(field loadable "$(probe netshell)")"
      export WINEDLLOVERRIDES="mscoree,mshtml,netshell="
      check "without netshell.dll it cannot be loaded" 0 "$(field loadable "$(probe netshell)")"
      rm -f "$(log_file)"
      check "without netshell.dll: false" 0 "$(field result "$(probe switch "$(guid_of eth0)" off)")"
      check "without netshell.dll: nothing called" "" "$(cat "$(log_file)" 2>/dev/null || true)"
      ;;
    *)
      echo "unknown case $1" >&2
      return 2
      ;;
  esac
  echo "$failures failed"
  [ "$failures" == 0 ]
}

if [ "${1:-}" == "--inside" ]; then
  inside "$2"
  exit $?
fi

# ---- the beds ---------------------------------------------------------------------------
bed() { "$here/netbed.sh" "$@" -- bash "$here/cases.sh" --inside "$case"; }
case="${1:?case name}"
NETBED_TMP="$(mktemp -d)"
export NETBED_TMP
trap 'rm -rf "$NETBED_TMP"' EXIT
case "$case" in
  excluded_names)
    bed --link VMware0 10.61.1.5/24 --link VirtualBOX1 10.61.1.6/24 --link ShAring2 10.61.1.7/24 \
      --link eth0 10.61.1.8/24
    ;;
  only_excluded)
    bed --link vmware0 10.61.1.5/24 --link myVirtualBox 10.61.1.6/24 --link SHARING 10.61.1.7/24
    ;;
  two_networks)
    # The excluded first adapter gives the local address; wlan0 lies in another network.
    bed --link VMware0 10.62.1.5/24 --link wlan0 10.62.2.5/24 --link eth0 10.62.1.7/24 --link eth1 10.62.1.8/24
    ;;
  several_addresses)
    bed --link VMware0 10.63.1.5/24 --link eth0 10.63.2.5/24,10.63.1.6/24 --link eth1 10.63.1.7/24,10.63.2.8/24
    ;;
  no_local_ipv4) bed --link eth0 - --link v6net fd00:64::5/64 ;;
  many_adapters)
    links=()
    for i in $(seq 0 39); do links+=(--link "e$i" "10.68.$i.1/24,10.69.$i.1/24,10.70.$i.1/24,10.71.$i.1/24"); done
    bed "${links[@]}"
    ;;
  no_address) bed --link eth0 - ;;
  no_adapter) bed ;;
  com_balance) bed --link eth0 10.65.1.5/24 ;;
  wmi_unavailable) bed --link eth0 10.65.1.5/24 ;;
  netshell_switch) bed --link eth0 10.66.1.5/24 --link wlan0 10.66.2.5/24 ;;
  netshell_configured) bed ;;
  netshell_absent) bed --link eth0 10.67.1.5/24 ;;
  *) echo "unknown case $case" >&2; exit 2 ;;
esac
