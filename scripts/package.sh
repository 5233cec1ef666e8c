#!/usr/bin/env bash
# For those who ship: installs what is missing, builds the two release executables and writes
# build/package/quorvel-VERSION-x64.msi (the installer) and build/package/quorvel-VERSION-x64.zip
# (the same files, for those who want no installer); prints the two paths. VERSION is the CMake
# project version.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${QV_BUILD_ROOT:-$root/build}
"$root/scripts/install-deps.sh" >&2
"$root/scripts/build.sh" win quorvel zelmor-mcp >&2
"$root/scripts/pack-release.sh" "$out/win" "$out/package"
