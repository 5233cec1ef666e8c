#!/usr/bin/env bash
# A long run of the real quorvel.exe under Wine, compressed: QV_SOAK_MINUTES (default 30) at the
# shortest sampling interval while everything that can happen to it happens over and over:
# - the pop-up is opened from the tray and closed again, and its pages (every metric, the settings
#   sections) are visited with real pointer clicks; the widget and the frame-rate overlay are
#   switched on and off on the Desktop extras page;
# - four pipe clients ask every command (notify and agent reports with ever new sessions and
#   agents among them) and check every reply, one client connects and stalls, one sends garbage,
#   and short-lived processes come and go all the time (tests/win/tools/zqsoak.cpp);
# - 50 alert rules are checked on every sample, ten of them firing every sample into log files.
# Every minute it records the monitor's memory (from /proc of its Wine process), its handles,
# GDI and USER objects, windows and threads (tests/win/tools/zqcount.cpp) and the sizes of its
# log files. At the end it prints the table (also written to build/soak/table.md) and the growth
# per hour from minute 5 to the end, and exits non-zero when the monitor died, a pipe reply was
# wrong or the settings file lost a line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${QV_SOAK_MINUTES:-30}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" win
out_root="${QV_BUILD_ROOT:-$root/build}"
tools="$out_root/win/tools"
soak="$out_root/soak"
# A Wine prefix and a display of its own: the clicks must land on nothing else, and the test
# suite's monitors (one per user, by their lock) may run meanwhile in the checkout's own prefix.
unset DISPLAY
export WINEPREFIX="$out_root/soak-wineprefix"
. "$root/scripts/wine-env.sh"
. "$root/scripts/desktop-lib.sh"
QV_BUILD_ROOT="$out_root/soak-display" ensure_display
ensure_wineprefix
appdata="$soak/appdata"
qv_stop
rm -rf "$soak"
mkdir -p "$appdata/rules"
wappdata=$(winepath -w "$appdata" 2>/dev/null)

# --- settings: shortest interval, all tray icons, the AI link and its agent log, 50 rules
{
  echo "interval_ms=250"
  echo "mcp_enabled=1"
  echo "tray_static=1"; echo "tray_cpu=1"; echo "tray_ram=1"; echo "tray_disk=1"; echo "tray_net=1"; echo "tray_fps=1"
  echo "widget_x=40"; echo "widget_y=40"; echo "fps_x=40"; echo "fps_y=140"
  echo "agent_log_file=${wappdata//\\/\\\\}\\\\zelmor-agents.log"
  n=0
  rule() { n=$((n + 1)); echo "log$n=$1"; }
  for i in $(seq 1 10); do  # true on every sample, logged every sample
    if [ $((i % 2)) -eq 0 ]; then top="; data=top"; else top=""; fi
    rule "cpu>-1; cooldown=0; nonotify; file=$wappdata\\rules\\every-$i.log$top"
  done
  for i in $(seq 1 5); do rule "ram>1; cooldown=$((20 + i))"; done  # balloons now and then
  for i in $(seq 1 5); do rule "proc:zqsoak.exe:cpu>-1; cooldown=$((30 + i)); file=$wappdata\\rules\\app-$i.log; data=top"; done
  for m in cpu ram gpu disk net fps sound; do rule "$m>100000; cooldown=0"; rule "$m<-1; cooldown=0"; done
  for m in cpu ram disk net sound; do rule "proc:quorvel.exe:$m>100000; cooldown=0"; done
  rule "proc:no-such-app.exe:cpu<1; cooldown=15; nonotify; file=$wappdata\\rules\\missing-app.log"
  for i in $(seq 1 4); do rule "cpu>-1; off"; done
  rule "gpu>>5"
  while [ "$n" -lt 50 ]; do rule "disk>$((n * 1000)); cooldown=10"; done
} > "$appdata/zelmor.ini"
rules_at_start=$(grep -c '^log[0-9]*=' "$appdata/zelmor.ini")

# Its own copy, so that building meanwhile cannot touch the program under test.
cp "$out_root/win/quorvel.exe" "$soak/quorvel.exe"
qv_start "$soak/quorvel.exe" "$appdata"
qv_wait_tray 6
start_epoch=$(date +%s)
end_epoch=$((start_epoch + minutes * 60))

# The monitor's Linux process: the one of this Wine prefix whose program is quorvel.exe (not the
# launcher whose command line names it).
linux_pid() {
  local p
  for p in $(pgrep -f 'quorvel\.exe' || true); do
    tr '\0' '\n' < "/proc/$p/cmdline" 2>/dev/null | head -n 1 | grep -qi '\\quorvel\.exe$' || continue
    if tr '\0' '\n' < "/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then echo "$p"; return; fi
  done
}
pid=$(linux_pid)
[ -n "$pid" ] || { echo "soak: the monitor's process was not found" >&2; exit 1; }

# --- pipe traffic for the whole run
wine "$tools/zqsoak.exe" $((minutes * 60)) > "$soak/pipe.txt" 2> "$soak/pipe-errors.txt" &
pipe_job=$!

# --- real input: the pop-up and its pages
# Offsets inside the pop-up for the default text size (its top left corner is found on screen).
TILE_X=169 TILE_Y0=96 TILE_STEP=52  # overview tiles: cpu ram gpu fps disk net sound
BACK=(30 33)
SETTINGS_LINK=(276 19)
SECTION_X=150 SECTION_Y0=88 SECTION_STEP=50  # settings home: general, AI tools, main panel,
                                             # desktop extras, alerts
WIDGET_BOX=(23 93) OVERLAY_BOX=(23 267)      # on Desktop extras
shot_file="$soak/screen.png"
POPUP_W=338 POPUP_MARGIN=8
# The pop-up's top left corner "x y" on screen after a click on the tray icon at X: it is centred
# on the pointer and kept POPUP_MARGIN inside the screen, and its top is where a strip of its
# width, above the balloons that rise at the bottom right, stops being the desktop's colour.
popup_corner() {
  local x=$1 left bg geo
  left=$((x - POPUP_W / 2))
  [ "$left" -le $((QV_SCREEN_W - POPUP_MARGIN - POPUP_W)) ] || left=$((QV_SCREEN_W - POPUP_MARGIN - POPUP_W))
  import -window root "$shot_file" 2>/dev/null || return 1
  bg=$(convert "$shot_file" -format "%[pixel:p{$((QV_SCREEN_W - 1)),0}]" info:)
  geo=$(convert "$shot_file" -crop "$((POPUP_W - 40))x800+$((left + 20))+0" +repage \
        -bordercolor "$bg" -border 1 -fuzz 6% -format '%@' info: 2>/dev/null) || return 1
  [[ $geo =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 1
  [ "${BASH_REMATCH[1]}" -ge 200 ] || return 1  # the desktop alone: no pop-up
  echo "$left $((BASH_REMATCH[4] - 1))"
}
ui_cycles=0 ui_missed=0
ui_driver() {
  local icons x y px py cycle=0
  while [ "$(date +%s)" -lt "$end_epoch" ]; do
    cycle=$((cycle + 1))
    import -window root "$shot_file" 2>/dev/null || { sleep 2; continue; }
    mapfile -t icons < <(qv_tray_icons "$shot_file")
    if [ ${#icons[@]} -eq 0 ]; then sleep 2; continue; fi
    read -r x y <<<"${icons[1]:-${icons[0]}}"
    # Open and close from the tray, then open for the pages.
    qv_click "$x" "$y"; sleep 2; qv_click "$x" "$y"; sleep 2; qv_click "$x" "$y"; sleep 2
    if ! read -r px py < <(popup_corner "$x"); then
      echo "cycle $cycle: no pop-up found after the tray click" >> "$soak/ui.txt"
      xdotool key Escape; sleep 2; continue
    fi
    # The pop-up keeps its bottom and changes its height with the page: its corner is found anew
    # before every click.
    at() {
      read -r px py < <(popup_corner "$x") || { ui_missed=$((ui_missed + 1)); return 0; }
      qv_click $((px + $1)) $((py + $2)); sleep "${3:-2}"
    }
    for i in 0 1 2 3 4 5 6; do at "$TILE_X" $((TILE_Y0 + i * TILE_STEP)) 3; at "${BACK[@]}" 1; done
    at "${SETTINGS_LINK[@]}"
    for s in 0 1 2 3 4; do
      at "$SECTION_X" $((SECTION_Y0 + s * SECTION_STEP))
      if [ "$s" = 3 ]; then
        if [ $((cycle % 2)) -eq 1 ]; then at "${WIDGET_BOX[@]}"; else at "${OVERLAY_BOX[@]}"; fi
      fi
      at "${BACK[@]}" 1
    done
    at "${BACK[@]}" 1
    xdotool key Escape; sleep 1
    echo "cycle $cycle: pop-up at $px,$py, $ui_missed clicks without a pop-up so far; $(grep -E '^(widget_on|fps_overlay)=' "$appdata/zelmor.ini" | tr '\n' ' ')" >> "$soak/ui.txt"
  done
}
ui_driver &
ui_job=$!

# --- the table, one row a minute
private_kb() { awk '/^Private_(Clean|Dirty):/ {s += $2} END {print s + 0}' "/proc/$1/smaps_rollup" 2>/dev/null; }
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2>/dev/null; }
# Resident memory split into anonymous pages (the heap, ours and Wine's) and file-backed pages
# (mapped executables and libraries, Wine's own among them), which the kernel may drop and reload.
rss_part_kb() { awk -v k="$2:" '$1 == k {print $2}' "/proc/$1/status" 2>/dev/null; }
size_b() { local s=0 f; for f in "$@"; do [ -f "$f" ] && s=$((s + $(stat -c %s "$f"))); done; echo "$s"; }
table="$soak/table.tsv"
echo -e "minute\trss_kb\trss_anon_kb\trss_file_kb\tprivate_kb\thandles\tgdi\tuser\twindows\tthreads\tprogram_log_b\tagent_log_b\trule_logs_kb" > "$table"
died=0
for minute in $(seq 0 "$minutes"); do
  while [ "$(date +%s)" -lt $((start_epoch + minute * 60)) ]; do sleep 1; done
  if [ ! -d "/proc/$pid" ]; then died=1; echo "soak: the monitor's process ended at minute $minute" >&2; break; fi
  # In the monitor's desktop, or its windows are not seen.
  counts=$(wine explorer "/desktop=$QV_DESKTOP" "$tools/zqcount.exe" quorvel.exe 2>/dev/null | tr -d '\r' | tail -n 1)
  [ -n "$counts" ] || counts="- - - - -"
  read -r handles gdi user windows threads <<<"$counts"
  echo -e "$minute\t$(rss_kb "$pid")\t$(rss_part_kb "$pid" RssAnon)\t$(rss_part_kb "$pid" RssFile)\t$(private_kb "$pid")\t$handles\t$gdi\t$user\t$windows\t$threads\t$(size_b "$appdata/zelmor.log" "$appdata/zelmor.log.1")\t$(size_b "$appdata"/zelmor-agents.log*)\t$(( $(size_b "$appdata"/rules/*) / 1024 ))" >> "$table"
  tail -n 1 "$table"
  # The whole map now and then, to tell which mappings a growth of resident memory is in.
  if [ $((minute % 15)) -eq 5 ] || [ "$minute" -eq "$minutes" ]; then
    cp "/proc/$pid/smaps" "$soak/smaps-$minute.txt" 2>/dev/null || true
  fi
done

wait "$pipe_job" && pipe_ok=1 || pipe_ok=0
kill "$ui_job" 2>/dev/null || true
wait "$ui_job" 2>/dev/null || true
rules_at_end=$(grep -c '^log[0-9]*=' "$appdata/zelmor.ini" || true)
qv_stop
kill "${XVFB_PID:-}" 2>/dev/null || true

python3 - "$table" "$soak/table.md" <<'EOF'
import sys
rows = [l.rstrip("\n").split("\t") for l in open(sys.argv[1])]
head, body = rows[0], rows[1:]
out = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
out += ["| " + " | ".join(r) + " |" for r in body]
def num(v):
    try: return float(v)
    except ValueError: return None
start = next((r for r in body if r[0] == "5"), None)
end = body[-1] if body else None
if start and end and float(end[0]) > 5:
    hours = (float(end[0]) - 5) / 60
    growth = []
    for i, name in enumerate(head[1:], 1):
        a, b = num(start[i]), num(end[i])
        if a is None or b is None or a < 0 or b < 0:
            growth.append("n/a")
        elif a == 0:
            growth.append("0 → %g" % b)
        else:
            growth.append("%+.2f %%/h" % ((b - a) / a / hours * 100))
    out.append("| growth per hour, minute 5 to %s | " % end[0] + " | ".join(growth) + " |")
    # The same from a straight line fitted through every reading from minute 5 on: one high or low
    # reading at either end (a window shown at that moment) moves it little.
    fitted = []
    for i, name in enumerate(head[1:], 1):
        pts = [(float(r[0]), num(r[i])) for r in body if float(r[0]) >= 5 and num(r[i]) is not None]
        if len(pts) < 2 or any(v < 0 for _, v in pts):
            fitted.append("n/a")
            continue
        n = len(pts)
        mx = sum(x for x, _ in pts) / n
        my = sum(v for _, v in pts) / n
        sxx = sum((x - mx) ** 2 for x, _ in pts)
        slope = sum((x - mx) * (v - my) for x, v in pts) / sxx if sxx else 0.0
        at5 = my + slope * (5 - mx)
        if at5 <= 0:
            fitted.append("0 → %g" % pts[-1][1] if pts[-1][1] else "0 → 0")
        else:
            fitted.append("%+.2f %%/h" % (slope * 60 / at5 * 100))
    out.append("| growth per hour, line fitted from minute 5 to %s | " % end[0] + " | ".join(fitted) + " |")
text = "\n".join(out)
print(text)
open(sys.argv[2], "w").write(text + "\n")
EOF
echo "pipe: $(cat "$soak/pipe.txt" 2>/dev/null)"
[ -s "$soak/pipe-errors.txt" ] && head -n 10 "$soak/pipe-errors.txt"
echo "pop-up cycles: $(grep -c 'pop-up at' "$soak/ui.txt" 2>/dev/null || echo 0), missed: $(grep -c 'no pop-up' "$soak/ui.txt" 2>/dev/null || echo 0)"
echo "alert rules in the settings file: $rules_at_start at the start, $rules_at_end at the end"
status=0
[ "$died" -eq 0 ] || { echo "FAILED: the monitor died"; status=1; }
[ "$pipe_ok" -eq 1 ] || { echo "FAILED: a pipe reply was wrong or a client was not served"; status=1; }
[ "$rules_at_end" -eq "$rules_at_start" ] || { echo "FAILED: the settings file lost alert rules"; status=1; }
exit "$status"
