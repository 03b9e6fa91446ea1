#!/usr/bin/env bash
# The companion fails closed on files it cannot take apart: pictures and
# clips in other containers, motion photos (a JPEG with a clip after it) and
# JPEGs with opaque data after the picture. Each file is made here, a
# position is written into it with ExifTool, and ExifTool must read that
# position back (in the clip, for a motion photo) before the companion is
# asked; so no row can pass on a file that holds no position.
#
# Whole files (HEIC, AVIF, TIFF, PNG, WebP, MP4, MOV) and motion photos:
#   check           exit 1, one line starting with the file's name
#                   ("not checked" in it for a whole file)
#   strip-gps -o    exit 1, nothing written, the line says "do not share it"
# JPEGs with text after the picture (no position elsewhere):
#   check           exit 1, one line starting with the file's name
#   strip-gps -o    exit 1, nothing written, the line names --drop-trailer
#   strip-gps --drop-trailer -o
#                   exit 0, the copy is the input up to the picture's end,
#                   and check finds that copy clean
#
# usage: other_containers.sh TAMLIX-CLI
set -euo pipefail
cli=${1:?usage: other_containers.sh TAMLIX-CLI}
export LC_ALL=C
[ -x "$cli" ] || { echo "other_containers: no program $cli" >&2; exit 1; }
cli=$(realpath "$cli")

# Commands the files are made with, and the Debian package of each
# (scripts/install-deps.sh installs them).
missing=()
for need in exiftool:libimage-exiftool-perl heif-enc:libheif-examples avifenc:libavif-bin \
            cwebp:webp ffmpeg:ffmpeg; do
    command -v "${need%%:*}" >/dev/null || missing+=("${need#*:} (for ${need%%:*})")
done
if [ ${#missing[@]} -gt 0 ]; then
    printf 'other_containers: missing package: %s\n' "${missing[@]}" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trap 'echo "other_containers: making the files failed: $BASH_COMMAND" >&2' ERR
cd "$work"

# --- the files -------------------------------------------------------------
lat=35.6586 lon=139.7454
gps=("-GPSLatitude=$lat" -GPSLatitudeRef=N "-GPSLongitude=$lon" -GPSLongitudeRef=E)
coords="$lat, $lon, 10"
et() { exiftool -q -q -overwrite_original "$@"; }
le32() {   # a 32-bit number, little-endian
    printf '%b' "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) \
                   $(($1 >> 16 & 255)) $(($1 >> 24 & 255)))"
}

ff() { ffmpeg -nostdin -v error -f lavfi -i "testsrc=size=64x48:rate=$1" "${@:2}"; }
ff 1 -frames:v 1 base.png
ff 1 -frames:v 1 -q:v 3 base.jpg       # JFIF and a comment, no Exif; ends at its EOI
ff 1 -frames:v 1 -pix_fmt rgb24 photo.tif
ff 10 -t 1 -pix_fmt yuv420p -c:v libx264 clip.mp4
ff 10 -t 1 -pix_fmt yuv420p -c:v libx264 clip.mov
heif-enc -q 50 -o photo.heic base.png >/dev/null
avifenc -s 10 base.png photo.avif >/dev/null
cp base.png photo.png
cwebp -quiet base.png -o photo.webp
for f in photo.heic photo.avif photo.tif photo.png photo.webp; do et "${gps[@]}" "$f"; done
et "-UserData:GPSCoordinates=$coords" clip.mp4
et "-Keys:GPSCoordinates=$coords" clip.mov

# Google: GPS-free Exif, XMP naming the clip's length, the clip after the EOI.
cp base.jpg google-motion.jpg
et -Make=Google -Model="Pixel 3" -XMP-GCamera:MicroVideo=1 -XMP-GCamera:MicroVideoVersion=1 \
   -XMP-GCamera:MicroVideoOffset="$(stat -c %s clip.mp4)" \
   -XMP-GCamera:MicroVideoPresentationTimestampUs=0 google-motion.jpg
cat clip.mp4 >> google-motion.jpg

# Samsung: GPS-free Exif; after the EOI a block (0, type 0x0a30, name length,
# "MotionPhoto_Data", the clip), then the directory "SEFH", version, count,
# one entry (0, type, distance back to the block, block length), the
# directory's length and "SEFT".
cp base.jpg samsung-motion.jpg
et -Make=samsung -Model=SM-G991B samsung-motion.jpg
name=MotionPhoto_Data
block=$((8 + ${#name} + $(stat -c %s clip.mp4)))
{
    printf '\x00\x00\x30\x0a'; le32 ${#name}; printf %s "$name"; cat clip.mp4
    printf SEFH; le32 106; le32 1
    printf '\x00\x00\x30\x0a'; le32 $block; le32 $block
    le32 24; printf SEFT
} >> samsung-motion.jpg

# Text after the picture's end; nothing else in these photos holds a position.
cut=$(stat -c %s base.jpg)
{ cat base.jpg; printf 'Breite (GPS) : N/A\n'; } > text-label.jpg
{ cat base.jpg; printf '+%s+%s/\n' "$lat" "$lon"; } > text-iso6709.jpg

# --- the table -------------------------------------------------------------
# file | kind (whole, motion, trailer) | ExifTool's file type | bytes it must hold
rows=(
    "photo.heic|whole|HEIC|ftypheic"
    "photo.avif|whole|AVIF|ftypavif"
    "photo.tif|whole|TIFF|"
    "photo.png|whole|PNG|eXIf"
    "photo.webp|whole|Extended WEBP|EXIF"
    "clip.mp4|whole|MP4|"$'\xa9'"xyz"
    "clip.mov|whole|MOV|com.apple.quicktime.location.ISO6709"
    "google-motion.jpg|motion|JPEG|MicroVideoOffset"
    "samsung-motion.jpg|motion|JPEG|MotionPhoto_Data"
    "text-label.jpg|trailer|JPEG|Breite (GPS) : N/A"
    "text-iso6709.jpg|trailer|JPEG|+35.6586+139.7454/"
)

trap - ERR
failed=0
fail() { echo "FAIL $row_file: $*" >&2; failed=1; }

# The position ExifTool reads (from the GPS tags, or the clip's coordinates).
position() { exiftool -n -s3 -Composite:GPSPosition "$1"; }

# Runs the companion: sets rc, out (standard output) and err.
run() {
    rc=0
    "$cli" "$@" >"$work/out.txt" 2>"$work/err.txt" || rc=$?
    out=$(cat "$work/out.txt")
    err=$(cat "$work/err.txt")
}

# Runs the companion on the row's file and wants exit status $1 and one line
# on standard output that starts with the file's name and holds $2.
expect() {
    local status=$1 text=$2
    shift 2
    run "$@" "$path"
    if [ "$rc" -ne "$status" ] || [ "$(printf '%s' "$out" | grep -c '')" -ne 1 ] ||
       [[ $out != "$path:"* ]] || [[ $out != *"$text"* ]]; then
        local args=$*
        fail "${args//$work\//}: wanted exit $status and one line '$row_file: ${text:+...$text}...';" \
             "got exit $rc and '${out//$work\//}' (stderr: '$err')"
        return 1
    fi
}

for row in "${rows[@]}"; do
    IFS='|' read -r row_file kind type marker <<<"$row"
    path=$work/$row_file
    rowdir=$work/out-$row_file
    mkdir "$rowdir" "$rowdir-dropped"

    # The file is what the row says, and holds a position ExifTool reads.
    got=$(exiftool -s3 -FileType "$path" || true)
    [ "$got" = "$type" ] || { fail "ExifTool reads file type '$got', not '$type'"; continue; }
    if [ -n "$marker" ] && ! grep -qF -- "$marker" "$path"; then
        fail "the file does not hold '$marker'"; continue
    fi
    case $kind in
    whole)
        [ "$(position "$path")" = "$lat $lon" ] || { fail "ExifTool reads no position in it"; continue; } ;;
    motion)
        tags=$(exiftool -a "$path" || true)
        if grep -qi gps <<<"$tags"; then fail "the picture itself holds GPS"; continue; fi
        exiftool -b -ee -EmbeddedVideo -EmbeddedVideoFile "$path" >"$rowdir.clip.mp4" || true
        [ "$(position "$rowdir.clip.mp4")" = "$lat $lon" ] ||
            { fail "ExifTool reads no position in its clip"; continue; } ;;
    trailer)
        # Only the text: a copy without it must come out clean.
        [ -z "$(exiftool -a -GPS:all "$path")" ] || { fail "ExifTool reads GPS tags in it"; continue; } ;;
    esac

    checked=""
    [ "$kind" = whole ] && checked="not checked"
    expect 1 "$checked" check || true

    refusal="do not share it"
    [ "$kind" = trailer ] && refusal="--drop-trailer"
    expect 1 "$refusal" strip-gps -o "$rowdir" || true
    written=$(find "$rowdir" -mindepth 1 -printf '%f ')
    [ -z "$written" ] || fail "strip-gps -o wrote: $written"

    [ "$kind" = trailer ] || continue
    expect 0 "" strip-gps --drop-trailer -o "$rowdir-dropped" || continue
    copy=$rowdir-dropped/$row_file
    size=$(stat -c %s "$copy" 2>/dev/null || echo none)
    if [ "$size" != "$cut" ] || ! cmp -s -n "$cut" "$path" "$copy"; then
        fail "the copy ($size bytes) is not the input's first $cut bytes"
    fi
    run check "$copy"
    if [ "$rc" -ne 0 ] || [ -n "$out" ]; then
        fail "check of the copy: exit $rc and '$out', not 0 and nothing"
    fi
done

if [ "$failed" -ne 0 ]; then
    echo "other_containers: some rows failed" >&2
    exit 1
fi
echo "other_containers: ${#rows[@]} rows pass"
