#!/usr/bin/env bash
# Installs what is missing, builds every target and runs every test:
# natively (ASan/UBSan), then the Windows build under Wine and Xvfb.
set -uo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh

qm_setup || exit 1
qm_build native native-release win32 || exit 1

status=0
echo "== native tests"
ctest --preset native -j "$(nproc)" || status=1

echo "== win32 tests under Wine"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset win32 || status=1
wineserver -k 2>/dev/null || true

artifacts=build/win32/artifacts
if [ -d "$artifacts" ] && ls "$artifacts"/*.png >/dev/null 2>&1; then
  echo "== screenshots: $(ls "$artifacts"/*.png | tr '\n' ' ')"
fi
exit $status
