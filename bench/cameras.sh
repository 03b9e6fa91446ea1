#!/usr/bin/env bash
# A camera's and the web's folder, made on the spot: TIFF files beside
# JPEGs of the same shot (as raw + JPEG pairs are kept), PNG and WebP files,
# each with a position written by ExifTool. tamlix-cli check against Exiv2
# (exiv2 -q -Pkv with the GPS keys) and ExifTool -fast2 on the same files,
# and the files each finds a position in. A measurement, not a test: it
# prints a table and exits 0. bench/peers.sh runs it after its own tables.
#
# CAMERAS_EACH   files of each kind (200), CAMERAS_RUNS timed runs (5),
# BUILD          build folder (build), CAMERAS_KEEP=1 keeps the folder
#
#   bench/cameras.sh          (or as a table of bench/peers.sh)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
each=${CAMERAS_EACH:-200} runs=${CAMERAS_RUNS:-5}
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
cli=$build/bin/tamlix-cli
say() { printf '%s\n' "$*" >&2; }

reads=$build/bin/tamlix_bench_reads
[ -x "$cli" ] && [ -x "$reads" ] || make -C "$root" --no-print-directory build BUILD="$build"
need=()
for c in exiftool:libimage-exiftool-perl exiv2:exiv2 cwebp:webp ffmpeg:ffmpeg; do
  command -v "${c%%:*}" >/dev/null || need+=("${c#*:}")
done
if [ ${#need[@]} -gt 0 ]; then
  say "installing: ${need[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tamlix-cameras.XXXXXX")
cleanup() { cd /; if [ "${CAMERAS_KEEP:-0}" = 1 ]; then say "kept $work"; else rm -rf "$work"; fi; }
trap cleanup EXIT
mkdir "$work/make" "$work/folder"
cd "$work/make"

say "making $each files of each kind (TIFF, JPEG, PNG, WebP)"
gps=(-GPSLatitude=35.6586 -GPSLatitudeRef=N -GPSLongitude=139.7454 -GPSLongitudeRef=E -Make=Camera -Model=Bench)
ff() { ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=$1:rate=1" -frames:v 1 "${@:2}"; }
ff 1600x1200 -pix_fmt rgb24 shot.tif
ff 1600x1200 -q:v 3 shot.jpg
ff 1024x768 shot.png
cwebp -quiet -q 80 shot.png -o shot.webp
exiftool -q -q -overwrite_original "${gps[@]}" shot.tif shot.jpg shot.png shot.webp
for ((i = 1; i <= each; i++)); do
  n=$(printf '%04d' "$i")
  cp shot.tif "$work/folder/DSC_$n.TIF"
  cp shot.jpg "$work/folder/DSC_$n.JPG"
  cp shot.png "$work/folder/web_$n.png"
  cp shot.webp "$work/folder/web_$n.webp"
done

cd "$work/folder"
mapfile -t all < <(ls)
declare -A times
timed() { # ID COMMAND...: CAMERAS_RUNS runs after one untimed
  local id=$1 t0 t1
  shift
  "$@" >/dev/null 2>&1 || true
  for ((r = 1; r <= runs; r++)); do
    t0=${EPOCHREALTIME/./}
    "$@" >/dev/null 2>&1 || true
    t1=${EPOCHREALTIME/./}
    times[$id]+="$((t1 - t0)) "
  done
}
# Medians in microseconds; ms() shows one in milliseconds.
median() { tr ' ' '\n' <<<"${times[$1]}" | grep . | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
ms() { awk -v us="$(median "$1")" 'BEGIN {printf "%.1f", us / 1000}'; }
# Microseconds a file beyond the program's start ($2: the start's ID), over $3 files.
per_file() { awk -v a="$(median "$1")" -v s="$(median "$2")" -v n="$3" 'BEGIN {printf "%.1f", (a - s) / n}'; }
timed start_cli "$cli" --version
timed start_exiv2 exiv2 --version
timed check "$cli" check "${all[@]}"
timed reads "$reads" "${all[@]}"
timed exiv2 exiv2 -q -Pkv -K Exif.GPSInfo.GPSLatitude -K Exif.GPSInfo.GPSLongitude "${all[@]}"
timed exiftool exiftool -fast2 -n -q -q -p '$FileName $GPSLatitude $GPSLongitude' "${all[@]}"

"$cli" check "${all[@]}" 2>/dev/null | sed 's/: .*//' | sort >"$work/found.cli" || true
exiv2 -q -Pkv -K Exif.GPSInfo.GPSLatitude "${all[@]}" 2>/dev/null | awk '{print $1}' | sort -u >"$work/found.exiv2" || true
exiftool -fast2 -q -q -if '$GPSLatitude' -p '$FileName' "${all[@]}" 2>/dev/null | sort >"$work/found.exiftool" || true

ratio() { awk -v a="$(median "$1")" -v b="$(median "$2")" 'BEGIN {printf "%.1f", b / a}'; }
echo
echo "A camera's and the web's folder: ${#all[@]} files ($each each of TIFF, JPEG, PNG, WebP), $(du -sh . | cut -f1);"
echo "ExifTool $(exiftool -ver), $(exiv2 --version | sed -n 1p); medians of $runs runs, warm cache"
echo
echo "| command | files | median ms | |"
echo "|---|---:|---:|---:|"
echo "| \`tamlix-cli check\` | ${#all[@]} | $(ms check) | $(ratio check exiv2)x Exiv2, $(ratio check exiftool)x ExifTool -fast2 |"
echo "| \`exiv2 -q -Pkv\` (GPS keys) | ${#all[@]} | $(ms exiv2) | |"
echo "| the system calls alone (see below) | ${#all[@]} | $(ms reads) | $(ratio reads exiv2)x Exiv2 |"
echo "| \`exiftool -fast2\` | ${#all[@]} | $(ms exiftool) | |"
echo "| start-up: \`tamlix-cli --version\`, \`exiv2 --version\` | | $(ms start_cli), $(ms start_exiv2) | |"
echo
echo "Per file beyond start-up: check $(per_file check start_cli ${#all[@]}) µs, Exiv2 $(per_file exiv2 start_exiv2 ${#all[@]}) µs."
echo
echo "The system calls alone: open, the size, the first 4 KiB and the last 512 bytes, close, on as many"
echo "threads as check (bench/ReadsBench.cpp); no reader that looks at a file's head and end gets under it."
echo
echo "Files in which each finds a position: tamlix-cli $(wc -l <"$work/found.cli"), Exiv2 $(wc -l <"$work/found.exiv2"),"
echo "ExifTool -fast2 $(wc -l <"$work/found.exiftool"); a peer finds one where tamlix-cli does not:" \
  "$(comm -13 "$work/found.cli" <(sort -u "$work/found.exiv2" "$work/found.exiftool") | wc -l)."
exit 0
