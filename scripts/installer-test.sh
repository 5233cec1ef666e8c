#!/usr/bin/env bash
# The installer's life cycle under Wine (scripts/installer_test.py): builds the package and a
# second one a patch version newer, then installs, runs, upgrades and uninstalls in a brand-new
# Wine prefix under the build folder, never the test suite's. Prints GoogleTest-style lines.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${QV_BUILD_ROOT:-$root/build}
work="$out/installer-test"
export WINEPREFIX="$work/prefix"
. "$root/scripts/wine-env.sh"

packaged=$("$root/scripts/package.sh")
mapfile -t shipped <<<"$packaged"
"$root/scripts/build.sh" win quorvel_next zelmor-mcp_next zqpipe >&2
wineserver -k 2>/dev/null || true  # a server a stopped earlier run left on the old prefix
rm -rf "$work" && mkdir -p "$work"
packaged=$("$root/scripts/pack-release.sh" "$out/win/next" "$work/next-package")
mapfile -t next <<<"$packaged"

ensure_display
# A brand-new prefix. The session that wineboot starts has no working Task Scheduler service:
# it ends here, and the checks run in a session of their own, kept up until they finish.
wineboot -i >/dev/null 2>&1 || true
wineserver -w
wineserver -p
trap 'wineserver -k 2>/dev/null || true; [ -z "${XVFB_PID:-}" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT

export QV_INSTALLER_WORK="$work" QV_WIN_BIN="$out/win"
export QV_MSI="${shipped[0]}" QV_ZIP="${shipped[1]}" QV_NEXT_MSI="${next[0]}"
python3 "$root/scripts/installer_test.py"
