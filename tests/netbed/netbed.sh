#!/usr/bin/env bash
# Network bed: runs a command under Wine in a network namespace whose adapters the caller
# chooses, so Wine's WMI and IP helper report exactly those.
#
#   netbed.sh [--link NAME ADDRS]... -- COMMAND [ARGS...]
#
# Each --link adds a veth adapter NAME (in the order given, which is the order Windows
# lists them in) with ADDRS: comma-separated addresses with prefix length, in the order
# they are configured, or "-" for none. IPv6 is off in the namespace and on every adapter,
# so the first configured address is IPv4, except on an adapter given an IPv6 address.
# The peer ends live in a second namespace, out of Wine's sight.
#
# The bed has its own Wine prefix (NETBED_PREFIX, default under $SWIFTLANE_BINARY_DIR/netbed/)
# with the stand-in connection manager installed; with NETBED_FULL_PREFIX=1 it is prepared
# by every script of tests/harness/prefix.d, like the build's test prefix, and trusts the
# build tree's test CA (the one the stand-in services serve), on every run. Its wineserver
# is started inside the namespace by the first Wine process and ended before the bed is
# torn down, since Wine's services see the adapters of the namespace their server was
# started in.
# Needs root (namespaces); exits 77 when not root.
set -euo pipefail

if [ "$(id -u)" != 0 ]; then
  echo "netbed: needs root to create network namespaces" >&2
  exit 77
fi
: "${SWIFTLANE_BINARY_DIR:?run through wine-run.sh --env}"
: "${SWIFTLANE_SOURCE_DIR:?run through wine-run.sh --env}"

links=()
while [ $# -gt 0 ]; do
  case "$1" in
    --link) links+=("$2" "$3"); shift 3 ;;
    --) shift; break ;;
    *) echo "netbed: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ $# -gt 0 ] || { echo "netbed: no command" >&2; exit 2; }

# The adapter tests need only the stand-in connection manager; NETBED_FULL_PREFIX=1 prepares
# a prefix of its own with every script, for whole program runs in the bed.
if [ "${NETBED_FULL_PREFIX:-0}" == 1 ]; then
  prepare=("$SWIFTLANE_SOURCE_DIR"/tests/harness/prefix.d/*.sh)
  default_prefix="$SWIFTLANE_BINARY_DIR/netbed/wineprefix-full"
else
  prepare=("$SWIFTLANE_SOURCE_DIR/tests/harness/prefix.d/20-fake-netshell.sh")
  default_prefix="$SWIFTLANE_BINARY_DIR/netbed/wineprefix"
fi
export WINEPREFIX="${NETBED_PREFIX:-$default_prefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
ns="swl-nb-$$"
far="$ns-far"

stop_wineserver() { wineserver -k >/dev/null 2>&1 || true; wineserver -w >/dev/null 2>&1 || true; }

cleanup() {
  # The server must be gone before the next bed starts one in its own namespace.
  stop_wineserver
  ip netns del "$ns" 2>/dev/null || true
  ip netns del "$far" 2>/dev/null || true
}

# The prefix is made once per build tree; the fake component is refreshed on every run so a
# rebuilt one is what the tests use.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 8>"$WINEPREFIX.lock"
flock 8
stop_wineserver
ca="$SWIFTLANE_BINARY_DIR/test-ca"
if [ ! -f "$WINEPREFIX/.swiftlane-ready" ]; then
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 8>&-
  # The prefix scripts make the build tree's test CA anew; the build's own prefix and a
  # running stand-in keep using the one there is, so it is put back afterwards.
  kept=""
  if [ "${NETBED_FULL_PREFIX:-0}" == 1 ] && [ -d "$ca" ]; then
    kept="$(mktemp -d)"
    cp -a "$ca" "$kept/"
  fi
  for s in "${prepare[@]}"; do
    bash "$s" >/dev/null 8>&-
  done
  if [ -n "$kept" ]; then
    rm -rf "$ca"
    cp -a "$kept/test-ca" "$ca"
    rm -rf "$kept"
  fi
  stop_wineserver
  touch "$WINEPREFIX/.swiftlane-ready"
fi
dll="$SWIFTLANE_BINARY_DIR/tests/fakenetshell/netshell.dll"
[ -f "$dll" ] && cp "$dll" "$WINEPREFIX/drive_c/windows/system32/netshell.dll"
# The build's prefix may have been made again since, with a new CA: trust the current one.
tool="$SWIFTLANE_BINARY_DIR/tests/tools/trust_ca.exe"
if [ "${NETBED_FULL_PREFIX:-0}" == 1 ] && [ -f "$ca/ca.der" ] && [ -f "$tool" ]; then
  wine "$tool" "$(winepath -w "$ca/ca.der" 2>/dev/null)" >/dev/null 2>&1 8>&- || {
    echo "netbed: the test CA could not be trusted in $WINEPREFIX" >&2
    exit 1
  }
  stop_wineserver
fi

trap cleanup EXIT
ip netns add "$ns"
ip netns add "$far"
# /proc/sys/net shows the namespace of the process that reads it.
ipv6() { ip netns exec "$ns" sh -c "echo $2 > /proc/sys/net/ipv6/conf/$1/disable_ipv6"; }
ipv6 all 1
ipv6 default 1
for ((i = 0; i < ${#links[@]}; i += 2)); do
  name="${links[i]}"
  addrs="${links[i + 1]}"
  peer="p$((i / 2))"
  ip -n "$ns" link add "$name" type veth peer name "$peer" netns "$far"
  ipv6 "$name" 1
  if [ "$addrs" != "-" ]; then
    IFS=, read -r -a list <<<"$addrs"
    for a in "${list[@]}"; do
      if [[ "$a" == *:* ]]; then
        ipv6 "$name" 0
        ip -n "$ns" addr add "$a" dev "$name" nodad
      else
        ip -n "$ns" addr add "$a" dev "$name"
      fi
    done
  fi
  ip -n "$ns" link set "$name" up
  ip -n "$far" link set "$peer" up
done

export NETBED_NAMESPACE="$ns"
set +e
ip netns exec "$ns" "$@" 8>&-
rc=$?
set -e
exit "$rc"
