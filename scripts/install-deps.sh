#!/usr/bin/env bash
# Installs whatever the build, the tests and the monitor under Wine need (Debian packages only).
set -euo pipefail
packages=(
  cmake ninja-build clang libclang-rt-14-dev g++ googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  wine wine64 xvfb x11-utils imagemagick xdotool fonts-dejavu-core python3
  nlohmann-json3-dev nodejs wixl msitools zip
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Debian's nodejs comes without npm; a nodejs that bundles its own npm needs no second one.
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
