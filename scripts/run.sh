#!/usr/bin/env bash
# Installs what is missing, builds, and runs the monitor under Wine in a virtual desktop with a
# taskbar. With a display it just runs. Without one it starts its own Xvfb, clicks the CPU tray
# icon with the real pointer, waits for the pop-up panel and saves a screenshot of it; then starts
# the monitor again with settings of its own (taskbar widget and frame-rate overlay switched on,
# in a folder under build/, never the user's settings) and saves a second screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" win
. "$root/scripts/wine-env.sh"
. "$root/scripts/desktop-lib.sh"
had_display=1
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then had_display=0; fi
ensure_display
ensure_wineprefix
exe="$root/build/win/quorvel.exe"
if [ "$had_display" = 1 ]; then
  exec wine explorer "/desktop=$QV_DESKTOP" "$exe"
fi
out="${QV_BUILD_ROOT:-$root/build}"
empty="$out/desktop-empty.png"

# Opens the pop-up panel with a real click on the CPU tray icon and saves the whole screen.
open_panel_and_shoot() {
  local ini=$1 shot=$2 icons index x y
  qv_wait_tray 1
  sleep "${QV_SHOT_DELAY:-6}"  # a few samples, so that the icons and graphs carry figures
  import -window root "$empty"
  mapfile -t icons < <(qv_tray_icons "$empty")
  index=$(qv_cpu_icon_index "$ini")
  [ "$index" -lt "${#icons[@]}" ] || index=0
  read -r x y <<<"${icons[$index]}"
  if ! qv_open_panel "$empty" "$x" "$y"; then
    echo "the panel did not open after a click on the tray icon at $x,$y" >&2
  fi
  xdotool mousemove 640 300  # keep the pointer off the figures
  sleep 0.5
  import -window root "$shot"
}

qv_stop
user_ini="$(winepath -u 'C:\users' 2>/dev/null)/$(whoami)/AppData/Local/zelmor.ini"
qv_start "$exe"
panel_shot="$out/screenshot.png"
open_panel_and_shoot "$user_ini" "$panel_shot"
qv_stop

# Second run: settings of its own, with the widget and the overlay on.
extras="$out/extras-appdata"
rm -rf "$extras" && mkdir -p "$extras"
printf 'widget_on=1\nwidget_x=40\nwidget_y=40\nfps_overlay=1\nfps_x=40\nfps_y=120\n' > "$extras/zelmor.ini"
qv_start "$exe" "$extras"
extras_shot="$out/screenshot-widget-overlay.png"
open_panel_and_shoot "$extras/zelmor.ini" "$extras_shot"
qv_stop
echo "screenshot: $panel_shot"
echo "screenshot with widget and overlay: $extras_shot"
kill "${XVFB_PID:-}" 2>/dev/null || true
