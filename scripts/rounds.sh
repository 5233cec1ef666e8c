#!/usr/bin/env bash
# Runs the Windows-side suite and the MCP end-to-end test ROUNDS times in a row on the current
# build (scripts/build.sh all first), to show that they say the same thing every time. With
# --load, a second process keeps every processor busy through each round (zqload.exe).
# Each round's output goes to build/rounds/round-N.log; one line per round and a total are printed.
#   scripts/rounds.sh [ROUNDS] [--load]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-10}
load=0
[ "${2:-}" = "--load" ] && load=1
. "$root/scripts/wine-env.sh"
out=${QV_BUILD_ROOT:-$root/build}
logs="$out/rounds"
mkdir -p "$logs"
ensure_display
ensure_wineprefix
export QV_WIN_BUILD="$out/win"
(cd "$root/tests/mcp" && npm ci --no-audit --no-fund --loglevel=error >"$logs/npm-ci.log" 2>&1) ||
  { echo "npm ci in tests/mcp failed: see $logs/npm-ci.log"; exit 1; }

# Prints "passed failed" for one GoogleTest run.
counted() {
  local side; side=$(mktemp)
  python3 "$root/scripts/gtest-count.py" "$@" 2>"$side" >>"$log"
  tail -n 1 "$side"; rm -f "$side"
}

clean_rounds=0
for n in $(seq 1 "$rounds"); do
  log="$logs/round-$n.log"
  : >"$log"
  start=$(date +%s)
  loader=""
  if [ "$load" = 1 ]; then
    # In a prefix of its own, so that ending the suite's Wine processes leaves the load running.
    (export WINEPREFIX="$out/wineprefix-load"; ensure_wineprefix
     exec wine "$out/win/tools/zqload.exe" "$(nproc)" 3600) >/dev/null 2>&1 &
    loader=$!
    sleep 5
  fi
  read -r wp wf < <(counted timeout 2400 wine explorer /desktop=quorvel,1280x1024 "$out/win/win_tests.exe")
  wineserver -k 2>/dev/null || true
  read -r mp mf < <(counted timeout 900 node "$root/tests/mcp/e2e.mjs")
  [ -n "$loader" ] && (export WINEPREFIX="$out/wineprefix-load"; wineserver -k 2>/dev/null)
  wineserver -k 2>/dev/null || true
  failed=$(grep -E '^\[  FAILED  \] \S+ \(|counted as one failure' "$log" | sed 's/ (.*//' | sort -u | tr '\n' ' ')
  [ $((wf + mf)) -eq 0 ] && clean_rounds=$((clean_rounds + 1))
  echo "round $n: wine $wp passed $wf failed, mcp $mp passed $mf failed, $(( $(date +%s) - start )) s," \
    "load $(cut -d' ' -f1-3 /proc/loadavg)${failed:+; failed: $failed}"
done
echo "$clean_rounds of $rounds rounds clean$([ "$load" = 1 ] && echo ' (under load)')"
[ "$clean_rounds" -eq "$rounds" ]
