#!/usr/bin/env bash
# Packs one built release: pack-release.sh BIN_DIR OUT_DIR writes OUT_DIR/quorvel-VERSION-x64.msi
# and OUT_DIR/quorvel-VERSION-x64.zip from BIN_DIR's quorvel.exe and zelmor-mcp.exe, and prints
# their paths. VERSION is BIN_DIR/version/version.txt, written by CMake from the project version
# (the one the executables' version resources carry). scripts/package.sh packs build/win; the
# installer's upgrade test also packs build/win/next, the same code one patch version on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
version=$(tr -d '[:space:]' < "$bin/version/version.txt")
if ! [[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
  echo "pack-release: no usable version in $bin/version/version.txt: '$version'" >&2
  exit 1
fi
msi="$out/quorvel-$version-x64.msi"
zip="$out/quorvel-$version-x64.zip"

# wixl takes Source paths relative to the current folder: stage the files under their shipped names.
stage="$out/stage-$version"
rm -rf "$stage" && mkdir -p "$stage"
cp "$bin/quorvel.exe" "$bin/zelmor-mcp.exe" "$root/res/quorvel.ico" "$stage/"
# Windows line ends, for the text files a user opens from the install folder.
sed 's/$/\r/' "$root/LICENSE" > "$stage/LICENSE.txt"
sed 's/$/\r/' "$root/packaging/README.txt" > "$stage/README.txt"

rm -f "$msi" "$zip"
(cd "$stage" && wixl -a x64 -D Version="$version" -o "$msi" "$root/packaging/quorvel.wxs")
(cd "$stage" && zip -q -X "$zip" quorvel.exe zelmor-mcp.exe LICENSE.txt README.txt)
rm -rf "$stage"
echo "$msi"
echo "$zip"
