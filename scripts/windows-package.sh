#!/usr/bin/env bash
# Puts the Windows program into build/windows/bin (Tamlix.exe, tamlix-cli.exe,
# Vornik2.dll, JpegTIFFTag.csv) and zips that folder as
# build/windows/Tamlix-<version>-win64.zip.
set -euo pipefail

build=${1:-build/windows/cmake}
win=$(dirname "$build")
bin=$win/bin
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=Tamlix-$version-win64

rm -rf "$bin" "$win/$name" "$win/$name.zip"
cmake --install "$build" --prefix "$bin" --strip >/dev/null
# The zip holds one folder named after the release.
cp -r "$bin" "$win/$name"
(cd "$win" && cmake -E tar cf "$name.zip" --format=zip "$name")
rm -rf "${win:?}/$name"
echo "Windows program: $bin"
echo "zip:             $win/$name.zip"
