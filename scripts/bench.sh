#!/usr/bin/env bash
# Builds the benchmarks, runs every native and Windows benchmark (the Windows ones under Wine, in
# a virtual desktop with a taskbar) and prints one table: each figure of ours beside its reference
# measured in the same run, the ratio and the goal, as the median of several rounds with the
# spread. The table is also written to docs/bench.md (QV_BENCH_OUT names another file).
#
# Rounds: QV_BENCH_ROUNDS (native repetitions and Windows rounds, default 5), QV_BENCH_PIPE_RUNS
# (pipe runs, default 7), QV_BENCH_IDLE_ROUNDS (idle minutes, default 3), QV_IDLE_SECONDS (length
# of one idle round, default 60).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${QV_BUILD_ROOT:-$root/build}
rounds=${QV_BENCH_ROUNDS:-5}
pipe_runs=${QV_BENCH_PIPE_RUNS:-7}
idle_rounds=${QV_BENCH_IDLE_ROUNDS:-3}
table=${QV_BENCH_OUT:-$root/docs/bench.md}
jobs=$(nproc)

"$root/scripts/install-deps.sh"

echo "== building (native benchmarks optimised, Windows program and bench)"
cmake -S "$root" -B "$out/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQV_SANITIZE=OFF -DQV_FUZZ=OFF >/dev/null
cmake --build "$out/bench" --target core_bench -j "$jobs" >/dev/null
cmake -S "$root" -B "$out/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-posix.cmake" >/dev/null
cmake --build "$out/win" --target win_bench quorvel tray_baseline -j "$jobs" >/dev/null

raw="$out/bench-raw"
rm -rf "$raw"
mkdir -p "$raw"

echo "== native benchmarks ($rounds repetitions)"
"$out/bench/core_bench" --benchmark_repetitions="$rounds" --benchmark_format=json \
  --benchmark_out="$raw/core.json" --benchmark_out_format=json >/dev/null

. "$root/scripts/wine-env.sh"
ensure_display
ensure_wineprefix
# One run of win_bench.exe for the benchmarks whose names contain $1, inside the virtual desktop
# (the tray programs need a notification area). The launcher hides the exit code: the FIGURE
# lines it prints are the result.
win_round() {
  timeout 600 wine explorer /desktop=quorvel,1280x1024 "$out/win/win_bench.exe" "$1" 2>/dev/null \
    | tr -d '\r' | tee -a "$raw/win.log" | grep -E '^(FIGURE|==)' || true
}
: >"$raw/win.log"
echo "== pipe round trips ($pipe_runs runs)"
for _ in $(seq "$pipe_runs"); do win_round pipe_snapshot_round_trip; done
echo "== get_snapshot through the companion beside the pipe ($pipe_runs runs)"
for _ in $(seq "$pipe_runs"); do win_round companion_round_trip; done
echo "== pipe requests after quiet spells (3 runs)"
for _ in 1 2 3; do win_round pipe_sparse_round_trips; done
echo "== sampler tick, panel pages, widget and overlay paints ($rounds rounds)"
for _ in $(seq "$rounds"); do
  win_round sampler_tick_vs_system_calls
  win_round panel_overview_paint
  win_round panel_detail_paint
  win_round settings_pages_paint
  win_round ai_pages_paint
  win_round widget_overlay_per_sample
done
echo "== idle cost beside the same-job tray program ($idle_rounds rounds of ${QV_IDLE_SECONDS:-60} s)"
for _ in $(seq "$idle_rounds"); do win_round idle_cost_vs_baseline; done
echo "== memory per facility (this process, resident deltas)"
win_round memory_per_facility >/dev/null
sed -n '/== memory_per_facility/,/benchmark(s) run/p' "$raw/win.log" | grep -v '^==\|benchmark(s) run\|^FIGURE' >"$raw/memory.txt" || true
echo "== where the overlay's time on screen goes (one run)"
win_round overlay_breakdown >/dev/null
sed -n '/== overlay_breakdown/,/benchmark(s) run/p' "$raw/win.log" | grep -v '^==\|benchmark(s) run' >"$raw/overlay.txt" || true
wineserver -k 2>/dev/null || true
[ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true

mkdir -p "$(dirname "$table")"
{
  echo "# Benchmark figures"
  echo
  echo "Written by \`scripts/bench.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) processors, load average"
  echo "$(cut -d' ' -f1-3 /proc/loadavg) at the end. Each figure is the median of its runs with the lowest and"
  echo "highest in brackets; the ratio is ours / reference per run, both measured in that run."
  echo
  python3 "$root/scripts/bench-table.py" "$raw/core.json" "$raw/win.log"
  echo
  echo "Memory of one process as each facility is set up (private: under Wine, anonymous and private dirty pages from smaps):"
  echo
  echo '```'
  cat "$raw/memory.txt"
  echo '```'
  echo
  echo "Where the frame-rate overlay's time on screen goes, ms per sample (one run):"
  echo
  echo '```'
  cat "$raw/overlay.txt"
  echo '```'
} >"$table"
echo
cat "$table"
