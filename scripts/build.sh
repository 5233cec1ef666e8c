#!/usr/bin/env bash
# Builds the native core with its tests (build/native) and the Windows program (build/win).
# `build.sh win TARGET...` builds only those targets of the Windows build (scripts/package.sh: the
# two shipped executables).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
what=${1:-all}
targets=()
for t in "${@:2}"; do targets+=(--target "$t"); done
# QV_BUILD_ROOT lets several checkouts or people build side by side without sharing a tree.
out=${QV_BUILD_ROOT:-$root/build}
if [ "$what" = all ] || [ "$what" = native ]; then
  cmake -S "$root" -B "$out/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  cmake --build "$out/native" -j "$jobs"
fi
if [ "$what" = all ] || [ "$what" = win ]; then
  cmake -S "$root" -B "$out/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-posix.cmake" >/dev/null
  cmake --build "$out/win" -j "$jobs" "${targets[@]}"
fi
