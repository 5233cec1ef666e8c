#!/usr/bin/env python3
"""Runs one GoogleTest binary (given as a command), echoes its output and prints 'passed failed'
on the last line of stderr. A run that ends badly without reporting a failed test, or that never
prints GoogleTest's closing summary (a crash behind a launcher that hides the exit code), counts
as one failure, so a crash is never read as success."""
import re
import subprocess
import sys

cmd = sys.argv[1:]
proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
passed = failed = 0
finished = False
for raw in proc.stdout:
    line = raw.decode("utf-8", "replace")
    if line.startswith("ALSA lib "):
        continue  # Wine's sound driver complaining about a machine without a sound card
    sys.stdout.write(line)
    sys.stdout.flush()
    if line.startswith("[       OK ] "):
        passed += 1
    elif re.match(r"^\[  FAILED  \] \S+ \(\d+ ms\)", line):
        failed += 1
    elif re.match(r"^\[==========\] \d+ tests? from \d+ test suites? ran\.", line):
        finished = True
rc = proc.wait()
if (rc != 0 or not finished) and failed == 0:
    failed = 1
    print(f"*** {' '.join(cmd)} exited with {rc} (summary seen: {finished}) without a failed test: "
          "counted as one failure")
sys.stderr.write(f"{passed} {failed}\n")
