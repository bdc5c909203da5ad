#!/usr/bin/env bash
# Installs what is missing, builds the Windows program, starts the bundled demo index on
# 127.0.0.1:8360 and opens the program under Wine. Without a display it runs under Xvfb,
# searches the demo index for "Python" and saves a screenshot of the main window.
set -uo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh

qm_setup || exit 1
qm_build win32 || exit 1

exe=build/win32/bin/quellmarsh.exe
window_class=QuellmarshMainWindow

python3 demo/server.py --port 8360 & demo=$!
trap 'kill $demo 2>/dev/null' EXIT
sleep 1
if ! kill -0 $demo 2>/dev/null; then
  echo "run.sh: the demo index could not start on 127.0.0.1:8360 (is the port taken?)" >&2
  exit 1
fi

if [ -n "${DISPLAY:-}" ]; then
  wine "$exe"
  exit $?
fi

shot="$PWD/build/win32/artifacts/run-main-window.png"
mkdir -p "$(dirname "$shot")"
echo "== no DISPLAY: running under Xvfb, searching for Python, screenshot to $shot"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wine "$1" & app=$!
  wine "$2" "$3" "$4" 60 Python; rc=$?
  kill $app 2>/dev/null; wineserver -k 2>/dev/null
  exit $rc' _ "$exe" build/win32/bin/window_shot.exe "$window_class" "$shot"
rc=$?
[ $rc -eq 0 ] && echo "screenshot of the main window: $shot"
exit $rc
