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
tools="$out_root/win/tools"
# Run from where a user might install it, so that the pages that show its folder show a plain one
# (a folder without spaces: Wine's cmd, which starts it, mangles a quoted path).
install_dir="$(winepath -u 'C:\' 2>/dev/null)/Quorvel"
mkdir -p "$install_dir"
cp "$out_root/win/quorvel.exe" "$install_dir/quorvel.exe"
exe="$install_dir/quorvel.exe"
docs="$root/docs"
# Its files go to a user folder of the Wine prefix made for the pictures, so that the paths it
# shows are the kind a user would see.
appdata="$(winepath -u 'C:\users' 2>/dev/null)/me/AppData/Local"
demo="$out_root/demo"
mkdir -p "$docs" "$demo"

# The pinned panel's place and size; the click points below are offsets from its top left
# corner, for the default text size.
PX=60 PY=20 PW=420 PH=640
BACK=(33 55)
SETTINGS_LINK=(381 41)
TILE_X=210 TILE_Y0=115 TILE_STEP=52  # overview tiles: cpu ram gpu fps disk net sound
FIRST_ROW=(60 163)                   # first app of a metric detail list
PROCESSES=(80 385)                   # the processes section of app detail
BANNER_LOW=$((PH - 30))              # the lower AI banner of the overview (messages)
BANNER_HIGH=$((PH - 60))             # the one above it (agents)
FINISHED=(60 300)                    # the folded finished section of AI activity, as fed below
SECTION_Y0=107 SECTION_STEP=50       # rows of the settings home: general, AI tools, main panel,
                                     # desktop extras, alerts
NEW_ALERT=(56 220)                   # "+ new alert" below the four rules set up below
ONE_APP=(260 188) APP_FIELD=(216 250) # alert editor: the "One app" tile, the app name field
BOTH=(207 340)                       # delivery "both" once the app rows are shown

at() { qv_click $((PX + $1)) $((PY + $2)); sleep "${3:-2}"; }
# Wine notices that the pointer left a window on a timer of its own, some 400 ms later.
away() { xdotool mousemove 1100 300; sleep 1; }
shot() {
  away
  qv_shot_region $((PX - 4)) $((PY - 4)) $((PW + 8)) $((PH + 8)) "$docs/$1.png"
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
  rm -f "$appdata"/zelmor* && mkdir -p "$appdata"
  printf '%s\n' "$@" > "$appdata/zelmor.ini"
  qv_start "$exe" "$appdata"
  qv_wait_tray 1
  start_demo_apps
  sleep 8
}

pinned_at() { echo pinned=1 win_x=$PX win_y=$PY win_w=$PW win_h=$PH | tr ' ' '\n'; }
has_page() { grep -q "$1" "$root/src/ui/panel/frame/panel_state.h" && [ -n "$(ls "$root"/src/ui/panel/*/*"$2"* 2>/dev/null)" ]; }

# What an AI tool would send: three messages, then two reports of one session (the second
# finishes one agent, drops another and fails a third) and one of a second session.
feed_ai() {
  pipe 'notify Tests failed\t3 of 212 tests failed in the parser suite.'
  pipe 'notify Build finished\tRelease build of quorvel.exe is ready.'
  pipe 'notify Waiting for you\tShould I also update the changelog?'
  sleep 3.5  # the balloon takes a moment to rise
  qv_shot_region $((QV_SCREEN_W - 320)) $((QV_SCREEN_H - 120)) 320 120 "$docs/balloon.png"
  pipe 'agents s1\tClaude Code\t[{"id":"a1","title":"Run the test suite","status":"running","detail":"412 of 980 tests"},{"id":"a2","title":"Review the pipe server","status":"waiting","detail":"needs your answer"},{"id":"a3","title":"Update the README","status":"running","detail":"alert rules section"}]'
  pipe 'agents s1\tClaude Code\t[{"id":"a1","title":"Run the test suite","status":"running","detail":"412 of 980 tests"},{"id":"a2","title":"Review the pipe server","status":"waiting","detail":"needs your answer"},{"id":"a4","title":"Profile the sampler","status":"failed","detail":"benchmark crashed"}]'
  pipe 'agents s2\tsecond session\t[{"id":"b1","title":"Fix the widget layout","status":"running","detail":""}]'
  sleep 2
}
rules=('notify_rule1=1|Tell me when a deploy needs my approval' 'log1=cpu>90'
       'log2=proc:chrome.exe:ram>2048; file=C:\logs\chrome.log; data=top; cooldown=300; nonotify'
       'log3=net>50; file=C:\logs\net.log' 'log4=fps<30; off')

echo "pop-up panel, taskbar widget and frame-rate overlay"
start_with widget_on=1 widget_x=40 widget_y=40 fps_overlay=1 fps_x=40 fps_y=140
qv_shot_region 0 0 600 110 "$docs/widget.png" 10
qv_shot_region 0 120 300 100 "$docs/overlay.png" 10
echo "  docs/widget.png, docs/overlay.png"
empty=$(mktemp --suffix=.png)
import -window root "$empty"
mapfile -t icons < <(qv_tray_icons "$empty")
read -r x y <<<"${icons[0]}"
qv_open_panel "$empty" "$x" "$y" || echo "  the pop-up did not open" >&2
rm -f "$empty"
away
qv_shot_region 640 0 $((QV_SCREEN_W - 640)) $((QV_SCREEN_H - 40)) "$docs/popup.png"
echo "  docs/popup.png"

echo "pages, dark theme"
mapfile -t pinned < <(pinned_at)
start_with "${pinned[@]}" theme=0 "${rules[@]}"
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

if has_page kSettingsSection settings; then
  at "${SETTINGS_LINK[@]}"
  shot settings-home
  for i in 0:general 1:ai-tools 2:main-panel 3:desktop-extras 4:alerts; do
    at 150 $((SECTION_Y0 + ${i%%:*} * SECTION_STEP))
    shot "settings-${i#*:}"
    [ "${i%%:*}" = 4 ] || at "${BACK[@]}" 1
  done
  at "${NEW_ALERT[@]}"
  at "${ONE_APP[@]}"
  at "${APP_FIELD[@]}" 1
  # Typed in pieces: a character that the display's keymap lacks is lost on its way into Wine.
  xdotool type --delay 60 builder; xdotool key --delay 60 period; xdotool type --delay 60 exe
  sleep 0.5
  at "${BOTH[@]}"
  shot alert-editor
  at "${BACK[@]}" 1; at "${BACK[@]}" 1; at "${BACK[@]}" 1
fi

if has_page kActivity ai_pages; then
  feed_ai
  shot overview-ai
  at 200 "$BANNER_LOW"
  shot messages
  at "${BACK[@]}" 1
  at 200 "$BANNER_HIGH"
  at "${FINISHED[@]}"
  shot ai-activity
  at "${BACK[@]}" 1
fi

for t in 1:black 2:light; do
  echo "overview and settings, ${t#*:} theme"
  start_with "${pinned[@]}" "theme=${t%%:*}"
  shot "overview-${t#*:}"
  if has_page kSettingsSection settings; then
    at "${SETTINGS_LINK[@]}"
    at 150 "$SECTION_Y0"
    shot "settings-general-${t#*:}"
  fi
done
qv_stop
echo "pictures in $docs"
kill "${XVFB_PID:-}" 2>/dev/null || true
