#!/usr/bin/env bash
# Regenerates the README's pictures under docs/ from the real program under Wine, on an Xvfb
# display of its own: the monitor runs with settings in a folder under build/ (never the user's),
# a few stand-in apps give its lists something to rank, and the pages are reached with real
# pointer clicks. Each picture is cropped to its window and saved as a small palette PNG.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" win
unset DISPLAY  # always a display of our own: nothing else may show in the pictures
. "$root/scripts/wine-env.sh"
. "$root/scripts/desktop-lib.sh"
ensure_display
ensure_wineprefix
out_root="${QV_BUILD_ROOT:-$root/build}"
exe="$out_root/win/quorvel.exe"
tools="$out_root/win/tools"
docs="$root/docs"
appdata="$out_root/shots-appdata"
demo="$out_root/demo"
mkdir -p "$docs" "$demo"

# The pinned panel's place and size; the click points below are offsets from its top left
# corner, for the default text size.
PX=60 PY=20 PW=420 PH=580
BACK=(33 55)
SETTINGS_LINK=(381 41)
TILE_X=210 TILE_Y0=115 TILE_STEP=52  # overview tiles: cpu ram gpu fps disk net sound
FIRST_ROW=(60 163)                   # first app of a metric detail list
PROCESSES=(80 385)                   # the processes section of app detail

at() { qv_click $((PX + $1)) $((PY + $2)); sleep "${3:-2}"; }
away() { xdotool mousemove 1100 300; sleep 0.3; }
shot() {
  away
  qv_shot_region 0 0 "$QV_SCREEN_W" $((QV_SCREEN_H - 40)) "$docs/$1.png"
  echo "  docs/$1.png ($(($(stat -c %s "$docs/$1.png") / 1024)) KB)"
}
pipe() { wine "$tools/zqpipe.exe" "$1" >/dev/null 2>&1; }

# Stand-in apps: two processes of one app, and two more apps, each with its own load.
start_demo_apps() {
  for n in builder compiler editor; do cp "$tools/zqdemo.exe" "$demo/$n.exe"; done
  (wine "$demo/builder.exe" 30 300 >/dev/null 2>&1 &)
  (wine "$demo/builder.exe" 15 180 >/dev/null 2>&1 &)
  (wine "$demo/compiler.exe" 20 500 >/dev/null 2>&1 &)
  (wine "$demo/editor.exe" 5 120 >/dev/null 2>&1 &)
}

# Starts the monitor with the given settings lines (plus the demo apps) and waits for samples.
start_with() {
  qv_stop
  rm -rf "$appdata" && mkdir -p "$appdata"
  printf '%s\n' "$@" > "$appdata/zelmor.ini"
  qv_start "$exe" "$appdata"
  qv_wait_tray 1
  start_demo_apps
  sleep 8
}

pinned_at() { echo pinned=1 win_x=$PX win_y=$PY win_w=$PW win_h=$PH | tr ' ' '\n'; }

echo "pop-up panel, taskbar widget and frame-rate overlay"
start_with widget_on=1 widget_x=40 widget_y=40 fps_overlay=1 fps_x=40 fps_y=140
qv_shot_region 0 0 600 110 "$docs/widget.png" 10
qv_shot_region 0 120 300 100 "$docs/overlay.png" 10
echo "  docs/widget.png, docs/overlay.png"
empty=$(mktemp --suffix=.png)
import -window root "$empty"
mapfile -t icons < <(qv_tray_icons "$empty")
read -r x y <<<"${icons[0]}"
qv_click "$x" "$y"
qv_wait_change "$empty" || echo "  the pop-up did not open" >&2
rm -f "$empty"
away
qv_shot_region 640 0 $((QV_SCREEN_W - 640)) $((QV_SCREEN_H - 40)) "$docs/popup.png"
echo "  docs/popup.png"

echo "pages, dark theme"
mapfile -t pinned < <(pinned_at)
start_with "${pinned[@]}" theme=0
shot overview-dark
metrics=(cpu ram gpu fps disk net sound)
for i in "${!metrics[@]}"; do
  m=${metrics[$i]}
  at "$TILE_X" $((TILE_Y0 + i * TILE_STEP)) 3
  if [ "$m" = fps ]; then shot fps-list; else shot "detail-$m"; fi
  at "${BACK[@]}" 1
done
at "$TILE_X" "$TILE_Y0" 3
at "${FIRST_ROW[@]}" 3
at "${PROCESSES[@]}" 3
shot app-detail
at "${BACK[@]}" 1
at "${BACK[@]}" 1

for t in 1:black 2:light; do
  echo "overview, ${t#*:} theme"
  start_with "${pinned[@]}" "theme=${t%%:*}"
  shot "overview-${t#*:}"
done
qv_stop
echo "pictures in $docs"
kill "${XVFB_PID:-}" 2>/dev/null || true
