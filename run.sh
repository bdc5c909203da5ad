#!/usr/bin/env bash
# Installs what is missing, builds the Windows program and opens it under Wine.
# Without a display it runs under Xvfb and saves a screenshot of the main window.
set -uo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh

qm_setup || exit 1
qm_build win32 || exit 1

exe=build/win32/bin/quellmarsh.exe
window_class=QuellmarshMainWindow

if [ -n "${DISPLAY:-}" ]; then
  exec wine "$exe"
fi

shot="$PWD/build/win32/artifacts/run-main-window.png"
mkdir -p "$(dirname "$shot")"
echo "== no DISPLAY: running under Xvfb, screenshot to $shot"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wine "$1" & app=$!
  wine "$2" "$3" "$4" 60; rc=$?
  kill $app 2>/dev/null; wineserver -k 2>/dev/null
  exit $rc' _ "$exe" build/win32/bin/window_shot.exe "$window_class" "$shot"
rc=$?
[ $rc -eq 0 ] && echo "screenshot of the main window: $shot"
exit $rc
