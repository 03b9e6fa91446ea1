#!/usr/bin/env bash
# A phone's folder, made on the spot: HEIC photos, motion photos (Google's,
# a JPEG with its clip after the picture; Samsung's, the clip in the SEF
# trailer), short clips with a location, and one clip of 1 GiB whose `moov`
# comes after its media data. tamlix-cli check against Exiv2 (on the
# photos it reads) and ExifTool -fast2 (on the whole folder), the positions
# each finds, what check reads of the big clip and the memory it takes, and
# strip-gps -o against cp + sync -f on the clips. A measurement, not a test:
# it prints tables and exits 0. bench/peers.sh runs it after its own tables.
#
# PHONES_PHOTOS   HEIC photos (300), PHONES_MOTION motion photos of each kind (100),
# PHONES_CLIPS    short clips of each kind, MP4 and MOV (50), PHONES_BIG_MIB (1024),
# PHONES_RUNS     timed runs (5), BUILD (build), PHONES_KEEP=1 keeps the folder
#
#   bench/phones.sh          (or as the last table of bench/peers.sh)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
photos=${PHONES_PHOTOS:-300} motion=${PHONES_MOTION:-100} clips=${PHONES_CLIPS:-50}
big_mib=${PHONES_BIG_MIB:-1024} runs=${PHONES_RUNS:-5}
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
cli=$build/bin/tamlix-cli
say() { printf '%s\n' "$*" >&2; }

reads=$build/bin/tamlix_bench_reads
[ -x "$cli" ] && [ -x "$reads" ] || make -C "$root" --no-print-directory build BUILD="$build"
need=()
for c in exiftool:libimage-exiftool-perl exiv2:exiv2 heif-enc:libheif-examples ffmpeg:ffmpeg strace:strace; do
  command -v "${c%%:*}" >/dev/null || need+=("${c#*:}")
done
[ -x /usr/bin/time ] || need+=(time)
if [ ${#need[@]} -gt 0 ]; then
  say "installing: ${need[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tamlix-phones.XXXXXX")
cleanup() { cd /; if [ "${PHONES_KEEP:-0}" = 1 ]; then say "kept $work"; else rm -rf "$work"; fi; }
trap cleanup EXIT
mkdir "$work/make" "$work/folder" "$work/big" "$work/out"
cd "$work/make"

# --- the files -------------------------------------------------------------
say "making $photos HEIC photos, $motion motion photos of each kind, $clips clips of each kind, a clip of $big_mib MiB"
gps=(-GPSLatitude=35.6586 -GPSLatitudeRef=N -GPSLongitude=139.7454 -GPSLongitudeRef=E)
et() { exiftool -q -q -overwrite_original "$@"; }
le32() { perl -e 'print pack("V", $ARGV[0])' "$1"; }
ff() { ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=$1:rate=$2" "${@:3}"; }
ff 4032x3024 1 -frames:v 1 photo.png
heif-enc -q 60 -o photo.heic photo.png >/dev/null
et "${gps[@]}" -Make=Apple -Model="iPhone 13" photo.heic
ff 1920x1440 1 -frames:v 1 -q:v 3 still.jpg
ff 640x480 30 -t 2 -pix_fmt yuv420p -c:v libx264 clip.mp4
et "-UserData:GPSCoordinates=35.6586, 139.7454, 10" clip.mp4
ff 640x480 30 -t 2 -pix_fmt yuv420p -c:v libx264 -f mov clip.mov
et "-Keys:GPSCoordinates=35.6586, 139.7454, 10" clip.mov
cp still.jpg google.jpg
et "${gps[@]}" -XMP-GCamera:MicroVideo=1 -XMP-GCamera:MicroVideoVersion=1 \
   -XMP-GCamera:MicroVideoOffset="$(stat -c %s clip.mp4)" google.jpg
cat clip.mp4 >>google.jpg
cp still.jpg samsung.jpg
et "${gps[@]}" -Make=samsung samsung.jpg
name=MotionPhoto_Data
block=$((8 + ${#name} + $(stat -c %s clip.mp4)))
{ printf '\x00\x00\x30\x0a'; le32 ${#name}; printf %s "$name"; cat clip.mp4
  printf SEFH; le32 106; le32 1; printf '\x00\x00\x30\x0a'; le32 $block; le32 $block; le32 24; printf SEFT
} >>samsung.jpg
for ((i = 1; i <= photos; i++)); do cp photo.heic "$work/folder/$(printf 'IMG_%04d.HEIC' "$i")"; done
for ((i = 1; i <= motion; i++)); do
  cp google.jpg "$work/folder/$(printf 'PXL_%04d.MP.jpg' "$i")"
  cp samsung.jpg "$work/folder/$(printf 'SAM_%04d.jpg' "$i")"
done
for ((i = 1; i <= clips; i++)); do
  cp clip.mp4 "$work/folder/$(printf 'VID_%04d.mp4' "$i")"
  cp clip.mov "$work/folder/$(printf 'MOV_%04d.MOV' "$i")"
done

# The big clip: the short clip's media data padded at its end to the size
# asked, so that the sample offsets still hold and `moov` follows it.
perl -e '
  my ($in, $out, $mib) = @ARGV;
  open(my $f, "<:raw", $in) or die; local $/; my $d = <$f>; close $f;
  my ($pos, $mdat) = (0, -1);
  while ($pos + 8 <= length $d) {
    my ($size, $type) = unpack("Na4", substr($d, $pos, 8));
    last if $size < 8;
    $mdat = $pos, last if $type eq "mdat";
    $pos += $size;
  }
  die "no mdat\n" if $mdat < 0;
  my $size = unpack("N", substr($d, $mdat, 4));
  my $pad = $mib * 1048576 - length $d;
  open(my $o, ">:raw", $out) or die;
  print $o substr($d, 0, $mdat), pack("N", $size + $pad), substr($d, $mdat + 4, $size - 4);
  my $chunk = pack("C*", map { int(rand(256)) } 1 .. 1048576);
  for (my $left = $pad; $left > 0; $left -= length $chunk) { print $o substr($chunk, 0, $left < length $chunk ? $left : length $chunk) }
  print $o substr($d, $mdat + $size);
  close $o;' clip.mp4 "$work/big/BIG_0001.mp4" "$big_mib"

# --- reading ---------------------------------------------------------------
cd "$work/folder"
mapfile -t all < <(ls)
mapfile -t exiv2_reads < <(ls | grep -v -e '\.mp4$' -e '\.MOV$')
# Exiv2 0.27 reads no HEIC: of the photos, it reads the motion photos.
mapfile -t motion_photos < <(ls | grep -e '^PXL_' -e '^SAM_')
declare -A times
timed() { # ID COMMAND...: PHONES_RUNS runs (after one untimed)
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
exiv2_gps=(exiv2 -q -Pkv -K Exif.GPSInfo.GPSLatitude -K Exif.GPSInfo.GPSLongitude)
timed start_cli "$cli" --version
timed start_exiv2 exiv2 --version
timed check "$cli" check "${all[@]}"
timed check_photos "$cli" check "${exiv2_reads[@]}"
timed reads_photos "$reads" "${exiv2_reads[@]}"
timed exiv2 "${exiv2_gps[@]}" "${exiv2_reads[@]}"
timed check_motion "$cli" check "${motion_photos[@]}"
timed exiv2_motion "${exiv2_gps[@]}" "${motion_photos[@]}"
timed exiftool exiftool -fast2 -n -q -q -p '$FileName $GPSLatitude $GPSLongitude $GPSCoordinates' "${all[@]}"

# Which files each says holds a position.
"$cli" check "${all[@]}" 2>/dev/null | sed 's/: .*//' | sort >"$work/found.cli" || true
exiv2 -q -Pkv -K Exif.GPSInfo.GPSLatitude "${exiv2_reads[@]}" 2>/dev/null | awk '{print $1}' | sort -u >"$work/found.exiv2" || true
exiftool -fast2 -q -q -if '$GPSLatitude or $GPSCoordinates' -p '$FileName' "${all[@]}" 2>/dev/null | sort >"$work/found.exiftool" || true
exiftool -ee -q -q -if '$GPSLatitude or $GPSCoordinates' -p '$FileName' "${all[@]}" 2>/dev/null | sort >"$work/found.exiftool_ee" || true

# --- the big clip ------------------------------------------------------------
cd "$work/big"
strace -f -e trace=read,pread64 -o "$work/strace" "$cli" check BIG_0001.mp4 >/dev/null 2>&1 || true
big_read=$(awk '/ p?read(64)?\(/ {n = $NF + 0; if (n > 0) s += n} END {print s + 0}' "$work/strace")
/usr/bin/time -f %M -o "$work/rss" "$cli" check BIG_0001.mp4 >/dev/null 2>&1 || true
big_rss=$(tail -n 1 "$work/rss")
/usr/bin/time -f %M -o "$work/rss_w" "$cli" strip-gps -o "$work/out" BIG_0001.mp4 >/dev/null 2>&1 || true
strip_rss=$(tail -n 1 "$work/rss_w")
fresh() { rm -rf "$work/out"; mkdir "$work/out"; sync -f "$work"; }
strip_clips=("$work/folder"/VID_*.mp4 "$work/folder"/MOV_*.MOV "$work/big/BIG_0001.mp4")
for ((r = 1; r <= runs; r++)); do
  fresh; t0=${EPOCHREALTIME/./}; "$cli" strip-gps -o "$work/out" "${strip_clips[@]}" >/dev/null 2>&1 || true
  t1=${EPOCHREALTIME/./}; times[strip]+="$((t1 - t0)) "
  fresh; t0=${EPOCHREALTIME/./}; cp -t "$work/out" -- "${strip_clips[@]}" && sync -f "$work/out"
  t1=${EPOCHREALTIME/./}; times[cp]+="$((t1 - t0)) "
done
fresh
"$cli" strip-gps -o "$work/out" "${strip_clips[@]}" >/dev/null 2>&1 || true
# A position has digits: a value written over with spaces reads as "," or nothing.
left=$(exiftool -ee -q -q -if '$GPSCoordinates =~ /\d/ or $GPSLatitude' -p '$FileName' "$work/out" 2>/dev/null | wc -l || true)

# --- tables --------------------------------------------------------------------
ratio() { awk -v a="$(median "$1")" -v b="$(median "$2")" -v na="$3" -v nb="$4" 'BEGIN {printf "%.1f", (na / a) / (nb / b)}'; }
echo
echo "A phone's folder: ${#all[@]} files ($photos HEIC, $((2 * motion)) motion photos, $((2 * clips)) clips), $(du -sh "$work/folder" | cut -f1); $(exiftool -ver) ExifTool, $(exiv2 --version | sed -n 1p)"
echo
echo "| command | files | median ms | vs the peer |"
echo "|---|---:|---:|---:|"
echo "| \`tamlix-cli check\` | ${#all[@]} | $(ms check) | $(ratio check exiftool "${#all[@]}" "${#all[@]}")x ExifTool -fast2 |"
echo "| \`tamlix-cli check\` (the photos) | ${#exiv2_reads[@]} | $(ms check_photos) | $(ratio check_photos exiv2 "${#exiv2_reads[@]}" "${#exiv2_reads[@]}")x Exiv2 |"
echo "| \`exiv2 -q -Pkv\` (GPS keys, the photos) | ${#exiv2_reads[@]} | $(ms exiv2) | |"
echo "| the system calls alone (the photos; see below) | ${#exiv2_reads[@]} | $(ms reads_photos) | $(ratio reads_photos exiv2 1 1)x Exiv2 |"
echo "| \`tamlix-cli check\` (the motion photos) | ${#motion_photos[@]} | $(ms check_motion) | $(ratio check_motion exiv2_motion 1 1)x Exiv2 |"
echo "| \`exiv2 -q -Pkv\` (the motion photos) | ${#motion_photos[@]} | $(ms exiv2_motion) | |"
echo "| \`exiftool -fast2\` | ${#all[@]} | $(ms exiftool) | |"
echo "| start-up: \`tamlix-cli --version\`, \`exiv2 --version\` | | $(ms start_cli), $(ms start_exiv2) | |"
echo
echo "Per file beyond start-up, the photos: check $(per_file check_photos start_cli ${#exiv2_reads[@]}) µs," \
  "Exiv2 $(per_file exiv2 start_exiv2 ${#exiv2_reads[@]}) µs; the motion photos: check" \
  "$(per_file check_motion start_cli ${#motion_photos[@]}) µs, Exiv2 $(per_file exiv2_motion start_exiv2 ${#motion_photos[@]}) µs."
echo
echo "The system calls alone: open, the size, the first 4 KiB and the last 512 bytes, close, on as many"
echo "threads as check (bench/ReadsBench.cpp); no reader that looks at a file's head and end gets under it."
echo
echo "Files in which each finds a position: tamlix-cli $(wc -l <"$work/found.cli"), Exiv2 $(wc -l <"$work/found.exiv2") (of the photos),"
echo "ExifTool -fast2 $(wc -l <"$work/found.exiftool"), ExifTool -ee $(wc -l <"$work/found.exiftool_ee") (it also reads the clips after the motion photos)."
missed=$(comm -13 "$work/found.cli" <(sort -u "$work/found.exiftool" "$work/found.exiftool_ee" "$work/found.exiv2") | wc -l)
echo "Files a peer finds a position in and tamlix-cli does not: $missed."
echo
echo "The clip of $big_mib MiB (\`moov\` after the media data): check reads $big_read bytes (read and pread64 calls"
echo "under strace), max RSS $((big_rss / 1024)) MiB; strip-gps -o max RSS $((strip_rss / 1024)) MiB."
echo
echo "| writing the $((${#strip_clips[@]})) clips into a fresh folder | median ms | |"
echo "|---|---:|---:|"
echo "| \`tamlix-cli strip-gps -o\` | $(ms strip) | $(ratio strip cp 1 1)x cp + sync -f |"
echo "| \`cp\` + \`sync -f\` | $(ms cp) | |"
echo
echo "Clips with a position ExifTool -ee still reads after strip-gps: $left."
exit 0
