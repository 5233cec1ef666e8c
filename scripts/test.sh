#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test: the layering check, native
# unit tests, each fuzz target for a bounded time, the Windows-side tests under Wine, the MCP
# end-to-end test and the installer's life cycle. Ends with "N passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" || exit 1
"$root/scripts/build.sh" all || { echo "0 passed, 1 failed"; exit 1; }
. "$root/scripts/wine-env.sh"
out=${QV_BUILD_ROOT:-$root/build}

total_pass=0
total_fail=0
add() { total_pass=$((total_pass + $1)); total_fail=$((total_fail + $2)); }
# Echoes the run and adds its counts, read from a side file.
run_gtest() {
  local side; side=$(mktemp)
  python3 "$root/scripts/gtest-count.py" "$@" 2>"$side"
  local counts; counts=$(tail -n 1 "$side"); rm -f "$side"
  # shellcheck disable=SC2086
  add ${counts:-0 1}
}

echo "== layering check"
if python3 "$root/scripts/check-layers.py" "$root"; then
  echo "[       OK ] layering"
  add 1 0
else
  echo "[  FAILED  ] layering"
  add 0 1
fi

echo "== native unit tests"
run_gtest timeout 1200 "$out/native/unit_tests"

echo "== fuzz targets"
fuzz_seconds=${QV_FUZZ_SECONDS:-20}
# One target per core at a time: each still fuzzes for its full time, the stage takes half as long.
fuzz_jobs=$(nproc 2>/dev/null || echo 1)
fuzz_one() {
  local f=$1 name corpus seeds
  name=$(basename "$f")
  corpus="$out/fuzz-corpus/$name"
  mkdir -p "$corpus"
  seeds="$root/tests/fuzz/corpus/${name#fuzz_}"
  [ -d "$seeds" ] || seeds=""
  # shellcheck disable=SC2086
  "$f" -max_total_time="$fuzz_seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=0 \
    "$corpus" $seeds >"$out/$name.log" 2>&1
  echo $? >"$out/$name.rc"
}
fuzzers=()
for f in "$out"/native/fuzz_*; do
  [ -x "$f" ] || continue
  fuzzers+=("$f")
  rm -f "$out/$(basename "$f").rc"
  fuzz_one "$f" &
  while [ "$(jobs -rp | wc -l)" -ge "$fuzz_jobs" ]; do wait -n; done
done
wait
for f in "${fuzzers[@]}"; do
  name=$(basename "$f")
  if [ "$(cat "$out/$name.rc" 2>/dev/null)" = 0 ]; then
    echo "[       OK ] $name ($fuzz_seconds s)"
    add 1 0
  else
    echo "[  FAILED  ] $name: see $out/$name.log"
    tail -n 30 "$out/$name.log"
    add 0 1
  fi
done

echo "== Windows-side tests under Wine"
ensure_display
ensure_wineprefix
# Inside a virtual desktop with a taskbar, so the notification-area tests run too. The desktop
# launcher hides the exit code; the counter reads GoogleTest's own summary instead.
run_gtest timeout 2400 wine explorer /desktop=quorvel,1280x1024 "$out/win/win_tests.exe"
wineserver -k 2>/dev/null || true

echo "== MCP end to end under Wine (the official MCP SDK's client drives zelmor-mcp.exe)"
if (cd "$root/tests/mcp" && npm ci --no-audit --no-fund --loglevel=error >"$out/npm-ci.log" 2>&1); then
  export QV_WIN_BUILD="$out/win"
  run_gtest timeout 900 node "$root/tests/mcp/e2e.mjs"
else
  echo "[  FAILED  ] npm ci in tests/mcp: see $out/npm-ci.log"
  add 0 1
fi
wineserver -k 2>/dev/null || true

echo "== installer life cycle under Wine (a fresh prefix of its own)"
installer_start=$(date +%s)
run_gtest timeout 900 "$root/scripts/installer-test.sh"
echo "installer life cycle: $(( $(date +%s) - installer_start )) s"
[ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null

echo "$total_pass passed, $total_fail failed"
[ "$total_fail" -eq 0 ]
