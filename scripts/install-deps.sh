#!/usr/bin/env bash
# Installs what building and testing Swiftlane needs on Debian 12 (run as root).
set -euo pipefail
packages=(
  cmake ninja-build g++ googletest
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine64 xvfb xauth xdotool imagemagick icoutils iproute2 python3 openssl
  clang-14 libclang-rt-14-dev
  fonts-nanum fonts-noto-cjk fonts-dejavu-core locales
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
# The screenshot tests run the program in each language of the catalogue, chosen through
# the locale; Wine needs the host locales for that.
for l in ko_KR en_US ja_JP zh_CN de_DE ru_RU it_IT fr_FR; do
  locale -a 2>/dev/null | grep -qix "$l.utf8" || localedef -i "$l" -f UTF-8 "$l.UTF-8"
done
