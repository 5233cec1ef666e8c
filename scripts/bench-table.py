#!/usr/bin/env python3
"""Turns the raw benchmark output into the one table of scripts/bench.sh.

Arguments: the Google Benchmark JSON of core_bench (run with repetitions) and the text output of
the Windows rounds (lines "FIGURE name|ours|reference|unit", one set per round). Every figure is
the median over its rounds with the spread (lowest to highest) beside it; the ratio is taken per
round (ours / reference, both measured in that round) and summarised the same way. Prints the
table as Markdown.
"""
import json
import statistics
import sys

def under(limit):
    return lambda o, r, q: all(x < limit for x in o) if o else None

# figure -> (label, goal text, check(ours_values, reference_values, ratios) -> bool or None)
def every(pred):
    return lambda o, r, q: all(pred(x) for x in q) if q else None

WIN_FIGURES = {
    "pipe_snapshot_rate": ("pipe `snapshot` round trips per second vs bare echo server",
                           "ratio >= 0.9 in every run", every(lambda x: x >= 0.9)),
    "pipe_snapshot_rate_vs_handover_echo": ("the same vs echo server that hands over like ours",
                                            "ratio >= 0.9 in every run", every(lambda x: x >= 0.9)),
    "pipe_snapshot_rate_vs_canned_reply": ("the same vs a server that hands over like ours and sends our reply, canned",
                                           "ratio >= 0.9 in every run", every(lambda x: x >= 0.9)),
    "pipe_snapshot_median_us": ("pipe `snapshot` median round trip (us) vs bare echo", "", None),
    "pipe_snapshot_p99_ms": ("pipe `snapshot` p99 round trip (ms) vs bare echo", "ours < 2 ms in every run",
                             lambda o, r, q: all(x < 2.0 for x in o) if o else None),
    "companion_snapshot_median_us": ("`get_snapshot` through zelmor-mcp.exe, median round trip (us) vs `snapshot` straight to the pipe",
                                     "ratio <= 2 in every run", every(lambda x: x <= 2.0)),
    "companion_snapshot_fastest_us": ("the same, fastest round trip (us)", "", None),
    "companion_snapshot_failures": ("failed calls of those round trips (either way)", "0 in every run",
                                    lambda o, r, q: all(x == 0 for x in o) if o else None),
    "pipe_sparse_median_us": ("pipe request after a quiet spell, median (us) vs a server handing over and sending our reply, canned",
                              "ratio <= 1.1", lambda o, r, q: statistics.median(q) <= 1.1 if q else None),
    "sampler_idle_tick_us": ("sampler tick, panel closed (us) vs its raw system calls", "ratio <= 1.25",
                             lambda o, r, q: statistics.median(q) <= 1.25 if q else None),
    "overview_paint_ms": ("overview paint with copy to screen (ms)", "< 2 ms in every run", under(2.0)),
    "detail_cpu_paint_ms": ("metric detail paint, CPU, 16 cores, 2,000 processes (ms)", "< 2 ms in every run", under(2.0)),
    "detail_ram_filtered_paint_ms": ("metric detail paint, RAM filtered, 2,000 processes (ms)", "< 2 ms in every run",
                                     under(2.0)),
    "fps_list_paint_ms": ("frame-rate list paint, 60 apps (ms)", "< 2 ms in every run", under(2.0)),
    "app_detail_paint_ms": ("app detail paint, 40 processes listed (ms)", "< 2 ms in every run", under(2.0)),
    "settings_home_paint_ms": ("settings home paint, largest text (ms)", "< 2 ms in every run", under(2.0)),
    "settings_general_paint_ms": ("settings General paint, largest text (ms)", "< 2 ms in every run", under(2.0)),
    "settings_ai_tools_paint_ms": ("settings AI tools paint, 2 custom requests, largest text (ms)", "< 2 ms in every run",
                                   under(2.0)),
    "settings_main_panel_paint_ms": ("settings Main panel paint, largest text (ms)", "< 2 ms in every run", under(2.0)),
    "settings_desktop_extras_paint_ms": ("settings Desktop extras paint, largest text (ms)", "< 2 ms in every run",
                                         under(2.0)),
    "settings_alerts_paint_ms": ("settings Alerts paint, 4 rules, largest text (ms)", "< 2 ms in every run", under(2.0)),
    "alert_editor_paint_ms": ("alert editor paint, largest text (ms)", "< 2 ms in every run", under(2.0)),
    "ai_activity_first_paint_ms": ("AI activity first paint, 400 agents + 200 finished unfolded (ms)",
                                   "< 2 ms in every run", under(2.0)),
    "messages_first_paint_ms": ("messages first paint, 12 x 2,000 characters unfolded (ms)", "< 2 ms in every run",
                                under(2.0)),
    "widget_paint_ms": ("taskbar widget paint on screen, 7 items (ms)", "", None),
    "overlay_paint_ms": ("frame-rate overlay paint on screen (ms)", "< 0.5 ms in every run", under(0.5)),
    "idle_cpu_pct": ("idle processor use, 60 s (% of a core) vs same-job tray program", "ratio <= 0.5 in every run",
                     every(lambda x: x <= 0.5)),
    "idle_resident_mb": ("idle resident memory after 60 s (MB) vs same-job tray program", "<= reference + 6 MB",
                         lambda o, r, q: statistics.median([a - b for a, b in zip(o, r)]) <= 6.0 if o else None),
    "panel_closed_again_resident_mb": ("resident memory (MB) after the panel was opened and closed vs our idle figure",
                                       "<= reference + 1 MB",
                                       lambda o, r, q: statistics.median([a - b for a, b in zip(o, r)]) <= 1.0 if o else None),
    "panel_second_use_resident_mb": ("resident memory (MB) after the panel was opened and closed a second time vs after the first time",
                                     "<= reference + 1 MB",
                                     lambda o, r, q: statistics.median([a - b for a, b in zip(o, r)]) <= 1.0 if o else None),
    "idle_private_mb": ("idle private memory after 60 s (MB; anonymous and private dirty pages) vs same-job tray program", "", None),
    "panel_closed_again_private_mb": ("private memory (MB) after the panel was opened and closed vs our idle figure", "", None),
    "panel_first_use_own_heap_kb": ("our own code's heap (KB) after the panel was opened and closed vs before it opened (in-process, memory per facility)",
                                    "<= reference + 1024 KB",
                                    lambda o, r, q: statistics.median([a - b for a, b in zip(o, r)]) <= 1024.0 if o else None),
    "panel_second_use_private_mb": ("private memory (MB) after the panel was opened and closed a second time vs after the first time",
                                    "<= reference + 1 MB",
                                    lambda o, r, q: statistics.median([a - b for a, b in zip(o, r)]) <= 1.0 if o else None),
}

# Native scale figures: the 10,000 case against five times the 2,000 case (what linear growth
# would give), so the ratio says whether the step grows faster than its input.
SCALE = [
    ("BM_WalkBuildGroupAndRank", "process walk, build, group, rank: 10,000 processes (us CPU) vs 5 x 2,000",
     "< 1500 us and ratio <= 1.25"),
    ("BM_WalkAndBuildProcessList", "process walk and build only: 10,000 processes (us CPU) vs 5 x 2,000", "ratio <= 1.25"),
    ("BM_GroupAndRankOnly", "group and rank only: 10,000 processes (us CPU) vs 5 x 2,000", "ratio <= 1.25"),
    ("BM_TopReply", "`top` reply over 10,000 processes (us CPU) vs 5 x 2,000", "ratio <= 1.25"),
    ("BM_AppReply", "`app` reply over 10,000 processes (us CPU) vs 5 x 2,000", "ratio <= 1.25"),
]


def fmt(v):
    if v is None:
        return "-"
    if abs(v) >= 100:
        return f"{v:.0f}"
    if abs(v) >= 10:
        return f"{v:.1f}"
    return f"{v:.3g}" if abs(v) < 1 else f"{v:.2f}"


def spread(values):
    if not values:
        return "-"
    med = statistics.median(values)
    if len(values) == 1:
        return fmt(med)
    return f"{fmt(med)} ({fmt(min(values))}-{fmt(max(values))})"


def row(label, ours, ref, ratios, goal, met):
    status = "" if met is None else ("met" if met else "NOT met")
    return f"| {label} | {spread(ours)} | {spread(ref)} | {spread(ratios)} | {goal} | {status} |"


def native_runs(path):
    with open(path) as f:
        data = json.load(f)
    runs = {}
    for b in data.get("benchmarks", []):
        if b.get("run_type") != "iteration":
            continue
        unit = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[b.get("time_unit", "ns")]
        runs.setdefault(b["run_name"], []).append(b["cpu_time"] * unit)  # microseconds
    return runs


def win_figures(path):
    figures = {}
    with open(path, errors="replace") as f:
        for line in f:
            if not line.startswith("FIGURE "):
                continue
            parts = line[len("FIGURE "):].rstrip("\n").split("|")
            if len(parts) < 4:
                continue
            name, ours, ref = parts[0], parts[1], parts[2]
            try:
                o = float(ours)
                r = float(ref) if ref else None
            except ValueError:
                continue
            figures.setdefault(name, []).append((o, r))
    return figures


def main():
    native = native_runs(sys.argv[1])
    win = win_figures(sys.argv[2])
    out = ["| figure | ours | reference | ratio | goal | |", "|---|---|---|---|---|---|"]
    for name, (label, goal, check) in WIN_FIGURES.items():
        rounds = win.get(name, [])
        ours = [o for o, _ in rounds]
        refs = [r for _, r in rounds if r is not None]
        ratios = [o / r for o, r in rounds if r]
        met = check(ours, refs, ratios) if check and rounds else None
        label = f"{label} [{len(rounds)} runs]" if rounds else f"{label} [not measured]"
        out.append(row(label, ours, refs, ratios, goal, met))
    for base, label, goal in SCALE:
        big = native.get(f"{base}/10000", [])
        small = native.get(f"{base}/2000", [])
        refs = [5 * v for v in small]
        ratios = [b / r for b, r in zip(big, refs) if r]
        met = None
        if big and ratios:
            met = statistics.median(ratios) <= 1.25
            if "1500" in goal:
                met = met and statistics.median(big) < 1500
        out.append(row(f"{label} [{len(big)} runs]", big, refs, ratios, goal, met))
    history = native.get("BM_FormatHistory360", [])
    out.append(row(f"`history` reply, full ring of 360 (us CPU) [{len(history)} runs]", history, [], [], "", None))
    out.append("")
    out.append("Other native figures (us CPU, median and spread over the runs):")
    out.append("")
    out.append("| benchmark | us |")
    out.append("|---|---|")
    shown = {f"{b}/{n}" for b, _, _ in SCALE for n in (2000, 10000)} | {"BM_FormatHistory360"}
    for name in sorted(native):
        if name not in shown:
            out.append(f"| {name} | {spread(native[name])} |")
    print("\n".join(out))


if __name__ == "__main__":
    main()
