# Sourced by run.sh and screenshots.sh: starts the monitor in the Wine virtual desktop on an Xvfb
# display, clicks its tray icons with the real pointer and takes (cropped) screenshots.
# Needs wine-env.sh sourced first, ensure_display and ensure_wineprefix done.

QV_SCREEN_W=1280
QV_SCREEN_H=1024
QV_DESKTOP="quorvel,${QV_SCREEN_W}x${QV_SCREEN_H}"

# Starts quorvel.exe in the virtual desktop. With a directory argument the monitor keeps its
# settings and logs there (its LOCALAPPDATA) instead of the prefix's own; Wine resets that variable
# for a program started from Linux, so cmd sets it and starts the monitor as its child.
qv_start() {
  local exe=$1 appdata=${2:-}
  if [ -z "$appdata" ]; then
    wine explorer "/desktop=$QV_DESKTOP" "$exe" >/dev/null 2>&1 &
  else
    local wexe wdir
    wexe=$(winepath -w "$exe" 2>/dev/null)
    wdir=$(winepath -w "$appdata" 2>/dev/null)
    wine explorer "/desktop=$QV_DESKTOP" cmd /c "set LOCALAPPDATA=$wdir&& start \"\" \"$wexe\"" >/dev/null 2>&1 &
  fi
}

qv_stop() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

# Waits until the notification area shows at least N icons (default 1); prints nothing.
# Fails after about 40 s.
qv_wait_tray() {
  local want=${1:-1} shot
  shot=$(mktemp --suffix=.png)
  for _ in $(seq 1 80); do
    import -window root "$shot" 2>/dev/null || true
    if [ "$(qv_tray_icons "$shot" | wc -l)" -ge "$want" ]; then rm -f "$shot"; return 0; fi
    sleep 0.5
  done
  rm -f "$shot"
  echo "the monitor's tray icons did not appear within 40 s" >&2
  return 1
}

# Prints the centre "x y" of each tray icon in a screenshot, rightmost first. The notification
# area sits at the right end of the taskbar; icons are the runs of columns, in the taskbar's last
# rows, whose colour differs from the taskbar's own.
qv_tray_icons() {
  local shot=$1
  convert "$shot" -crop "240x40+$((QV_SCREEN_W - 240))+$((QV_SCREEN_H - 40))" +repage -depth 8 txt:- 2>/dev/null |
    python3 -c '
import sys, re
W, H, X0, Y0 = 240, 40, int(sys.argv[1]), int(sys.argv[2])
px = {}
for line in sys.stdin:
    m = re.match(r"(\d+),(\d+): \((\d+),(\d+),(\d+)", line)
    if m:
        x, y, r, g, b = map(int, m.groups())
        px[(x, y)] = (r, g, b)
if not px:
    sys.exit(0)
bg = px[(W - 1, H - 1)]
# Taskbar rows: the bottom rows that share the background colour at the right edge.
top = H - 1
while top > 0 and px[(W - 1, top - 1)] == bg:
    top -= 1
def differs(c):
    return sum(abs(a - b) for a, b in zip(c, bg)) > 60
cols = [x for x in range(W) if sum(1 for y in range(top, H) if differs(px[(x, y)])) >= 4]
runs, start, prev = [], None, None
for x in cols:
    if start is None:
        start = prev = x
    elif x == prev + 1:
        prev = x
    else:
        runs.append((start, prev)); start = prev = x
if start is not None:
    runs.append((start, prev))
rows = [y for y in range(top, H) if any(differs(px[(x, y)]) for x in cols)]
cy = (rows[0] + rows[-1]) // 2 if rows else (top + H) // 2
for a, b in reversed([r for r in runs if 10 <= r[1] - r[0] <= 40]):
    print(X0 + (a + b) // 2, Y0 + cy)
' "$((QV_SCREEN_W - 240))" "$((QV_SCREEN_H - 40))"
}

# Index, counted from the right, of the CPU tray icon for a settings file (Wine lists the icons
# in the order they were added, newest on the left; the plain icon is added before the CPU one).
qv_cpu_icon_index() {
  local ini=$1
  if [ -f "$ini" ] && grep -qE '^tray_static *= *(1|[Tt][Rr][Uu][Ee]) *$' "$ini"; then echo 1; else echo 0; fi
}

# Moves the real pointer onto a point of the display and clicks the left button.
qv_click() {
  xdotool mousemove --sync "$1" "$2" click 1
}

# Waits until the screen differs from a reference screenshot by at least N pixels (default 20000,
# about a panel's worth), then for one more sample so that the figures are drawn. Fails after
# about T seconds (default 20).
qv_wait_change() {
  local ref=$1 want=${2:-20000} tries=$(( ${3:-20} * 2 )) shot n
  shot=$(mktemp --suffix=.png)
  for _ in $(seq 1 "$tries"); do
    sleep 0.5
    import -window root "$shot" 2>/dev/null || continue
    n=$(compare -metric AE "$ref" "$shot" null: 2>&1 >/dev/null | cut -d' ' -f1 || true)
    n=${n%%.*}
    if [ "${n:-0}" -ge "$want" ] 2>/dev/null; then
      rm -f "$shot"
      sleep 1.5
      return 0
    fi
  done
  rm -f "$shot"
  return 1
}

# Opens the pop-up panel with a click on the tray icon at X Y; the screen before the click is the
# reference. A click that a busy Wine loses is repeated once, only while the panel has not shown.
qv_open_panel() {
  local ref=$1 x=$2 y=$3
  qv_click "$x" "$y"
  qv_wait_change "$ref" 20000 12 && return 0
  qv_click "$x" "$y"
  qv_wait_change "$ref" 20000 20
}

# Saves a region of the screen (x y w h) trimmed to the windows in it, with a margin of desktop
# of the given width (default 0), as a small palette PNG. The desktop's colour is read from the
# screen's top right corner, which nothing covers.
qv_shot_region() {
  local x=$1 y=$2 w=$3 h=$4 out=$5 margin=${6:-0} full bg
  full=$(mktemp --suffix=.png)
  import -window root "$full"
  bg=$(convert "$full" -format "%[pixel:p{$((QV_SCREEN_W - 1)),0}]" info:)
  convert "$full" -crop "${w}x${h}+${x}+${y}" +repage -bordercolor "$bg" -border 1 -fuzz 6% -trim +repage \
    -bordercolor "$bg" -border "$margin" -strip +dither -colors 96 "PNG8:$out"
  rm -f "$full"
}
