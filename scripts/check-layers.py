#!/usr/bin/env python3
"""Fails when a source folder includes a folder above it: includes must point downwards.

Reads every `#include "folder/..."` line under src/ and checks the folder against the layer
order below. Folders on the same layer may not include each other, except for the sideways
edges listed in ALLOWED_SIDEWAYS. Prints one line per wrong include and exits 1 if any.
"""
import pathlib
import re
import sys

# Lowest first. `ui` covers every folder under src/ui, which may include one another.
LAYERS = [
    {"util"},
    {"config"},
    {"core"},
    {"sampler", "procinfo", "gpu", "etw", "audio", "rules", "agents", "mcp_pipe"},
    {"ui"},
    {"main"},
]
# Sideways edges between sampling folders: (includer, included).
ALLOWED_SIDEWAYS = {
    ("sampler", "agents"),    # housekeeping of stale agent sessions runs on the tick
    ("sampler", "audio"),     # the tick reads the sound meters
    ("sampler", "etw"),       # the tick takes the traced frame counts
    ("sampler", "gpu"),       # the tick reads the graphics counters
    ("sampler", "procinfo"),  # detail ticks enumerate processes
    ("sampler", "rules"),     # every tick is checked against the alert rules
    ("mcp_pipe", "agents"),   # the pipe's report command feeds the agent registry
    ("mcp_pipe", "procinfo"), # replies list apps
    ("mcp_pipe", "sampler"),  # requests read the published snapshot
}
# Folders apart from the layers, with what they may include.
APART = {"companion": {"util"}}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/')
# The panel's pages, each in a room of its own under src/ui/panel: a page includes its own room,
# the frame and the kit, never another page.
PANEL_PAGES = {"overview", "detail", "app_detail", "settings", "alert_editor", "ai"}
PANEL_INCLUDE = re.compile(r'^\s*#\s*include\s+"ui/panel/([^"/]+)/')


def page_problems(src):
    problems = []
    panel = src / "ui" / "panel"
    for path in sorted(panel.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        room = path.relative_to(panel).parts[0]
        if room not in PANEL_PAGES:
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            m = PANEL_INCLUDE.match(line)
            if m and m.group(1) in PANEL_PAGES and m.group(1) != room:
                problems.append(f"{path}:{number}: page {room} includes page {m.group(1)}")
    return problems


def layer_of(folder):
    for i, names in enumerate(LAYERS):
        if folder in names:
            return i
    return None


def check(src):
    problems = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        folder = path.relative_to(src).parts[0]
        for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            target = m.group(1)
            where = f"{path}:{number}: {folder} includes {target}"
            if folder == target:
                continue
            if folder in APART:
                if target not in APART[folder]:
                    problems.append(where + " (not allowed for this folder)")
                continue
            mine, theirs = layer_of(folder), layer_of(target)
            if mine is None:
                problems.append(where + f" ({folder} has no layer)")
            elif theirs is None:
                problems.append(where + f" ({target} has no layer)")
            elif theirs > mine:
                problems.append(where + " (upwards)")
            elif theirs == mine and (folder, target) not in ALLOWED_SIDEWAYS:
                problems.append(where + " (sideways, not listed)")
    return problems


def main():
    root = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent
    problems = check(root / "src") + page_problems(root / "src")
    for p in problems:
        print(p)
    if problems:
        print(f"layering: {len(problems)} wrong include(s)")
        return 1
    print("layering: every include points downwards")
    return 0


if __name__ == "__main__":
    sys.exit(main())
