#!/usr/bin/env bash
# Installs what is missing, builds, and runs the monitor under Wine in a virtual desktop with a
# taskbar. Without a display it starts its own Xvfb and saves a screenshot a few seconds in.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" win
. "$root/scripts/wine-env.sh"
had_display=1
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then had_display=0; fi
ensure_display
ensure_wineprefix
exe="$root/build/win/quorvel.exe"
if [ "$had_display" = 1 ]; then
  exec wine explorer /desktop=quorvel,1280x1024 "$exe"
fi
wine explorer /desktop=quorvel,1280x1024 "$exe" >/dev/null 2>&1 &
sleep "${QV_SHOT_DELAY:-8}"
shot="$root/build/screenshot.png"
import -window root "$shot"
echo "screenshot: $shot"
wineserver -k || true
kill "${XVFB_PID:-}" 2>/dev/null || true
