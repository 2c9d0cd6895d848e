#!/usr/bin/env bash
# Korean, Japanese and Chinese text through the window's Latin fonts: Wine falls back from
# Tahoma, MS Shell Dlg or Segoe UI to the host's CJK fonts only along FontLink\SystemLink,
# as Windows does. Measured with Wine 8: it takes glyphs from the first linked font it finds
# and no further, so Noto Sans CJK (every CJK script in one face) comes first, NanumGothic
# only where Noto is missing. Wine writes its own list for Tahoma whenever a program starts
# under another ANSI code page, so run this again under the locale the program will use.
# Runs with WINEPREFIX set, while wine-run.sh makes the prefix, and from the screenshot tests.
set -euo pipefail
: "${WINEPREFIX:?}"
key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
links='NotoSansCJK-Regular.ttc,Noto Sans CJK JP\0NanumGothic.ttf,NanumGothic'
for face in "Tahoma" "Segoe UI" "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2"; do
  if ! "${WINE:-wine}" reg add "$key" /v "$face" /t REG_MULTI_SZ /d "$links" /f >/dev/null 2>&1; then
    echo "30-fonts.sh: could not link $face to the CJK fonts in $WINEPREFIX" >&2
    exit 1
  fi
done
