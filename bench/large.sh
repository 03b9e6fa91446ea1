#!/usr/bin/env bash
# Memory of the companion on a file far larger than it holds: a JPEG whose
# compressed data runs for LARGE_GIB GiB (a sparse file: no disk is used)
# with a geotagged photo appended after it, so that the only position lies
# near the end. `check --thorough` must find it, `strip-gps --in-place` and
# `-o` must remove it, each within 64 MiB (the peak resident memory, from
# /usr/bin/time). A measurement, not a test: it prints a table; it exits 1
# when a position is missed or left, or the memory is over the limit.
#
#   bench/large.sh                 (4 GiB; -o writes 4 GiB to the disk)
#   LARGE_GIB=1 bench/large.sh
#
# BUILD    build folder (build); TMPDIR where the files go
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
gib=${LARGE_GIB:-4}
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
cli=$build/bin/tamlix-cli
limit_kib=$((64 * 1024))
[ -x "$cli" ] || { echo "large.sh: build the companion first ($cli)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "large.sh: /usr/bin/time is missing (Debian package time)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/var/tmp}/tamlix-large.XXXXXX")
trap 'rm -rf "$work"' EXIT
photo=$root/tests/corpus/real/gps/apple_iphone_xr_tiny.jpg

# SOI, a frame header, a scan header, GIB GiB of zeros as compressed data,
# EOI, then the photo.
python3 - "$work/large.jpg" "$gib" "$photo" <<'PY'
import sys
path, gib, photo = sys.argv[1], int(sys.argv[2]), sys.argv[3]
with open(path, 'wb') as f:
    f.write(bytes.fromhex('ffd8' 'ffc0000b080010001001011100' 'ffda0008010100003f00'))
    f.seek(gib << 30)
    f.write(b'\x12\x34\xff\xd9')
    f.write(open(photo, 'rb').read())
PY

status=0
printf '%-34s %10s %12s  %s\n' command seconds "max RSS MiB" line
run() {  # name, expected pattern of the line, command...
    local name=$1 want=$2; shift 2
    local out
    out=$(/usr/bin/time -f '%e %M' -o "$work/time" "$@" 2>&1 || true)
    read -r secs kib < <(tail -n 1 "$work/time")
    printf '%-34s %10s %12s  %s\n' "$name" "$secs" "$((kib / 1024))" "${out:-(nothing)}"
    if ! grep -q -- "$want" <<<"$out" && ! { [ -z "$want" ] && [ -z "$out" ]; }; then status=1; fi
    [ "$kib" -le "$limit_kib" ] || status=1
}
run "check --thorough" "picture 2: Exif GPS IFD" "$cli" check --thorough "$work/large.jpg"
mkdir "$work/out"
run "strip-gps -o" "removed picture 2" "$cli" strip-gps -o "$work/out" "$work/large.jpg"
rm -f "$work/out/large.jpg"
run "strip-gps --in-place" "removed picture 2" "$cli" strip-gps --in-place "$work/large.jpg"
run "check --thorough (after)" "" "$cli" check --thorough "$work/large.jpg"
exit $status
