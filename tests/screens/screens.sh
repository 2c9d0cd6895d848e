#!/usr/bin/env bash
# Screenshots of the real window under Wine on the current X display, in every language of
# the catalogue (chosen through the locale, as a user's system chooses it), at 96 DPI in the
# build's prefix and at 144 DPI in a prefix of its own; then check_screens.py checks them at
# named points. Runs through wine-run.sh --env (WINEPREFIX and SWIFTLANE_*_DIR set).
#   screens.sh [--out DIR] [--langs "ko en ..."]
set -euo pipefail
: "${WINEPREFIX:?}" "${SWIFTLANE_SOURCE_DIR:?}" "${SWIFTLANE_BINARY_DIR:?}"
out="$SWIFTLANE_BINARY_DIR/screenshots"
langs="ko en ja zh de ru it fr"
while [ $# -gt 0 ]; do
  case "$1" in
    --out) out="$2"; shift 2 ;;
    --langs) langs="$2"; shift 2 ;;
    *) echo "screens.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
if [ -z "${DISPLAY:-}" ]; then
  echo "screens.sh: needs an X display (run under xvfb-run)" >&2
  exit 1
fi
probe="$SWIFTLANE_BINARY_DIR/tests/screens/screens_probe.exe"
[ -f "$probe" ] || { echo "screens.sh: $probe is not built" >&2; exit 1; }
WINE="${WINE:-wine}"
# "hot": the home page with the mouse resting on the start button.
states="idle busy running config inactive hot"

locale_of() {
  case "$1" in
    ko) echo ko_KR.UTF-8 ;; en) echo en_US.UTF-8 ;; ja) echo ja_JP.UTF-8 ;; zh) echo zh_CN.UTF-8 ;;
    de) echo de_DE.UTF-8 ;; ru) echo ru_RU.UTF-8 ;; it) echo it_IT.UTF-8 ;; fr) echo fr_FR.UTF-8 ;;
    *) return 1 ;;
  esac
}
for lang in $langs; do
  loc=$(locale_of "$lang")
  if ! locale -a 2>/dev/null | grep -qix "${loc%.UTF-8}.utf8"; then
    echo "screens.sh: the locale $loc is missing (scripts/install-deps.sh makes it)" >&2
    exit 1
  fi
done

# The 144-DPI prefix: a fresh one with the same fonts and the system's DPI set to 144.
prefix144="$SWIFTLANE_BINARY_DIR/wineprefix-144"
make_prefix144() {
  [ -f "$prefix144/.swiftlane-ready" ] && return 0
  rm -rf "$prefix144"
  WINEPREFIX="$prefix144" "$WINE" wineboot -i >/dev/null 2>&1
  WINEPREFIX="$prefix144" bash "$SWIFTLANE_SOURCE_DIR/tests/harness/prefix.d/30-fonts.sh"
  WINEPREFIX="$prefix144" "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f \
    >/dev/null 2>&1
  WINEPREFIX="$prefix144" "$WINE" reg add \
    'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d 144 \
    /f >/dev/null 2>&1
  WINEPREFIX="$prefix144" wineserver -w
  touch "$prefix144/.swiftlane-ready"
}
# One server for the whole series: a new shot must not race a server that is still
# ending after the last one.
start_server144() {
  WINEPREFIX="$prefix144" wineserver -p </dev/null >/dev/null 2>&1 || true
}

work=$(mktemp -d)
cleanup() {
  touch "$work"/*.info.quit 2>/dev/null || true
  WINEPREFIX="$prefix144" wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# shoot PREFIX DIR LANG STATE [DPI]: one screenshot of the window's client area and its info
# file; with a DPI, after the window was moved to a monitor of that DPI.
shoot() {
  local prefix="$1" dir="$2" lang="$3" state="$4" move="${5:-}"
  local info="$work/$lang-$state.info" pid
  rm -f "$info" "$info.quit"
  # Wine rewrites the font links when the code page changes: set them under this locale.
  if ! LC_ALL=$(locale_of "$lang") WINEPREFIX="$prefix" bash "$SWIFTLANE_SOURCE_DIR/tests/harness/prefix.d/30-fonts.sh"; then
    echo "screens.sh: setting the font links for $lang in $prefix failed" >&2
    return 1
  fi
  local mode="$state"
  [ "$state" = hot ] && mode=idle
  # The mouse starts away from the window: only the hot state puts it on a button.
  xdotool mousemove 0 0
  LC_ALL=$(locale_of "$lang") WINEPREFIX="$prefix" "$WINE" "$probe" "$mode" "$(winepath -w "$info" 2>/dev/null)" $move \
    </dev/null >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1 300); do [ -f "$info" ] && break; sleep 0.1; done
  if [ ! -f "$info" ]; then
    echo "screens.sh: the window for $lang $state did not come up" >&2
    kill "$pid" 2>/dev/null || true
    return 1
  fi
  local x y w h
  read -r _ x y w h < <(grep '^client ' "$info" | tr -d '\r')
  if [ "$state" = hot ]; then
    local bx by bw bh
    read -r _ bx by bw bh < <(grep '^BtnStart ' "$info" | tr -d '\r')
    xdotool mousemove $((x + bx + 8)) $((y + by + bh / 2))
    sleep 0.2
    xdotool mousemove $((x + bx + 10)) $((y + by + bh / 2))
  fi
  sleep 0.4  # a few frames of the busy dots
  if ! import -window root -crop "${w}x${h}+${x}+${y}" +repage "$dir/$lang-$state.png"; then
    echo "screens.sh: no screenshot of $lang $state" >&2
    touch "$info.quit"
    return 1
  fi
  cp "$info" "$dir/$lang-$state.txt"
  touch "$info.quit"
  wait "$pid" || true
}

rm -rf "$out"
mkdir -p "$out/96" "$out/144" "$out/moved144"
for lang in $langs; do
  for state in $states; do shoot "$WINEPREFIX" "$out/96" "$lang" "$state" || exit 1; done
done
# Moved from a 96-DPI monitor to one of 144 DPI: laid out and painted anew, like the window
# that starts at 144.
for lang in ko en; do
  case " $langs " in *" $lang "*) ;; *) continue ;; esac
  for state in idle busy running config; do shoot "$WINEPREFIX" "$out/moved144" "$lang" "$state" 144 || exit 1; done
done
make_prefix144
start_server144
for lang in $langs; do
  for state in $states; do shoot "$prefix144" "$out/144" "$lang" "$state" || exit 1; done
done
echo "screens.sh: screenshots in $out"
python3 "$SWIFTLANE_SOURCE_DIR/tests/screens/check_screens.py" "$out" $langs
