#!/usr/bin/env bash
# Installs the stand-in connection manager into the test prefix: netshell.dll in system32,
# where LoadLibraryW("netshell.dll") finds it, and its class registered for in-process use.
# Runs with WINEPREFIX and SWIFTLANE_BINARY_DIR set (by wine-run.sh or the network bed).
set -euo pipefail
dll="$SWIFTLANE_BINARY_DIR/tests/fakenetshell/netshell.dll"
if [ ! -f "$dll" ]; then
  echo "20-fake-netshell: $dll is not built; the prefix has no connection manager" >&2
  exit 0
fi
cp "$dll" "$WINEPREFIX/drive_c/windows/system32/netshell.dll"
key='HKLM\Software\Classes\CLSID\{BA126AD1-2166-11D1-B1D0-00805FC1270E}'
"${WINE:-wine}" reg add "$key" /ve /d "Network Connections Manager Class (test stand-in)" /f >/dev/null 2>&1
"${WINE:-wine}" reg add "$key\\InprocServer32" /ve /d 'C:\windows\system32\netshell.dll' /f >/dev/null 2>&1
"${WINE:-wine}" reg add "$key\\InprocServer32" /v ThreadingModel /d Both /f >/dev/null 2>&1
