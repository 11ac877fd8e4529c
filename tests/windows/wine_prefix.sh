#!/usr/bin/env bash
# The Wine prefix that the Windows smoke tests share: made afresh for every
# test run (create PREFIX PLAYER_EXE) and its wineserver ended after the last
# test (stop PREFIX). Without the Windows build there is nothing to prepare
# and the tests skip themselves: status 77 marks this step skipped too.
set -euo pipefail
action=$1 prefix=$2
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ "$action" = stop ]; then
  [ -d "$prefix" ] && command -v wineserver >/dev/null && wineserver -k 2>/dev/null || true
  exit 0
fi

player=$3
if [ ! -f "$player" ]; then
  echo "No Windows build ($player): scripts/build-windows.sh makes it."
  exit 77
fi
command -v wine >/dev/null || { echo "Wine is missing: scripts/build-windows.sh installs it." >&2; exit 1; }

[ -d "$prefix" ] && wineserver -k 2>/dev/null || true
rm -rf "$prefix"
# Headless: the prefix needs no display, and none of the tests' displays.
unset DISPLAY
export WINEARCH=win64
wineboot --init
# Unmanaged windows: no window manager runs on the tests' displays, and a
# managed window's close would wait seconds for one.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
# A crash ends the process instead of waiting on a dialog.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
wineserver -w
touch "$prefix/.ready"
echo "Wine prefix ready: $prefix"
