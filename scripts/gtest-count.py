#!/usr/bin/env python3
"""Runs one GoogleTest binary (given as a command), echoes its output and prints 'passed failed'
on the last line of stderr. A run that ends badly without reporting a failed test counts as
one failure, so a crash is never read as success."""
import re
import subprocess
import sys

cmd = sys.argv[1:]
proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
passed = failed = 0
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
rc = proc.wait()
if rc != 0 and failed == 0:
    failed = 1
    print(f"*** {' '.join(cmd)} exited with {rc} without a failed test: counted as one failure")
sys.stderr.write(f"{passed} {failed}\n")
