#!/usr/bin/env bash
# The companion on pictures and clips in other containers, motion photos (a
# JPEG with a clip after it) and JPEGs with opaque data after the picture.
# Each file is made here, a position is written into it (ExifTool, or FFmpeg's
# own location tags), and ExifTool must read that position back (in the clip,
# for a motion photo) before the companion is asked; so no row can pass on a
# file that holds no position.
#
# HEIC, AVIF, PNG, WebP, TIFF, BigTIFF, PSD, RAF, GIF, XMP sidecars, SVG, PDF,
# ZIP and tar (and the photo each holds, read by ExifTool once taken out),
# Canon's recipe data (alone, after a JPEG and ending a TIFF), JPEG XL, JPEG
# 2000, MP4, MOV, Matroska, WebM, FLV and motion photos (cleaned; two dashcams'
# clips, clips with captions (also in Matroska), Ogg, FLAC and MP3 sound with a
# clip's location, and Insta360's clip and picture, whose position ExifTool
# reads with -ee or in tags of their own, likewise, at the end):
#   check           exit 1, one line starting with the file's name that does
#                   not say the file or a part of it is not read
#   strip-gps -o    exit 0, the line says it "removed" what check found; the
#                   copy has the input's length, differs from it in fewer
#                   than 4096 bytes (and in some) and in none of a clip's
#                   coded frames, holds no ISO 6709 text of the position,
#                   ExifTool reads no position in it (nor in its clip, cut
#                   out at the offset the file was made with), and it
#                   decodes to the same pixels and frames
#   strip-gps --in-place
#                   exit 0, and the file becomes that same copy
#   check (copy)    exit 0, nothing printed
# Containers not read yet (no row at present):
#   check           exit 1, one line starting with the file's name, "not
#                   checked" in it
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
for need in exiftool:libimage-exiftool-perl heif-enc:libheif-examples heif-convert:libheif-examples \
            avifenc:libavif-bin avifdec:libavif-bin cwebp:webp dwebp:webp ffmpeg:ffmpeg img2pdf:img2pdf \
            pdfimages:poppler-utils pdftoppm:poppler-utils zip:zip unzip:unzip JxrEncApp:libjxr-tools \
            JxrDecApp:libjxr-tools; do
    command -v "${need%%:*}" >/dev/null || missing+=("${need#*:} (for ${need%%:*})")
done
# ImageMagick's convert itself, not another program of that name.
convert -version 2>/dev/null | grep -q '^Version: ImageMagick' || missing+=("imagemagick (for convert)")
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
convert base.png photo.psd
convert base.png photo.gif
convert base.png photo.jp2
convert base.png photo.mng
# JPEG XR, as Windows keeps HDR screenshots: TIFF's IFDs under its own magic.
convert base.png BMP3:base.bmp
JxrEncApp -i base.bmp -o photo.jxr -q 1 >/dev/null
# cjxl writes a bare codestream; ExifTool puts it in a box container (-m:
# it calls that a minor change) with the Exif and XMP boxes.
cjxl --quiet base.png photo.jxl
exiftool -q -q -m -overwrite_original "${gps[@]}" "-XMP:GPSLatitude=$lat" "-XMP:GPSLongitude=$lon" photo.jxl
for f in photo.heic photo.avif photo.tif photo.png photo.webp photo.psd photo.gif photo.jp2 photo.mng photo.jxr; do
    et "${gps[@]}" "$f"
done
et "-XMP:GPSLatitude=$lat" "-XMP:GPSLongitude=$lon" photo.jp2
# A sidecar as a photo manager writes it beside a raw file: the position and
# other properties, which must stay.
exiftool -q -q -o photo.xmp "${gps[@]}" -XMP:Rating=3 -XMP:Title=Shared base.png
et "-UserData:GPSCoordinates=$coords" clip.mp4
et "-Keys:GPSCoordinates=$coords" clip.mov

# The position in XMP only (a MIME item), and as FFmpeg writes it: a MOV's
# udta ©xyz, an MP4's 3GPP loci, and with its own metadata tags the key
# "location" in udta/meta as well as loci.
heif-enc -q 50 -o photo-xmp.heic base.png >/dev/null
et "-XMP:GPSLatitude=$lat" "-XMP:GPSLongitude=$lon" photo-xmp.heic
cp base.png photo-xmp.png
et "-XMP:GPSLatitude=$lat" "-XMP:GPSLongitude=$lon" photo-xmp.png

# PNGs ImageMagick makes from geotagged JPEGs: the Exif in eXIf and each
# GPS tag again as a tEXt value ("exif:GPSLatitude"); XMP as a hex raw
# profile in zTXt ("Raw profile type xmp") and its GPS properties as tEXt
# values.
cp base.jpg geotagged.jpg
et "${gps[@]}" geotagged.jpg
convert geotagged.jpg magick.png
cp base.jpg geotagged-xmp.jpg
et "-XMP:GPSLatitude=$lat" "-XMP:GPSLongitude=$lon" geotagged-xmp.jpg
convert geotagged-xmp.jpg magick-xmp.png
# An SVG drawing: RDF metadata naming the position (ExifTool reads it as
# XMP), and the geotagged photo held as base64 in lines of 76, as drawing
# programs embed a picture.
{
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<svg xmlns="http://www.w3.org/2000/svg" '
    printf 'xmlns:xlink="http://www.w3.org/1999/xlink" width="64" height="48">\n<metadata><rdf:RDF '
    printf 'xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"><rdf:Description rdf:about="" '
    printf 'xmlns:exif="http://ns.adobe.com/exif/1.0/" exif:GPSLatitude="35,39.516N" exif:GPSLongitude="139,44.724E"/>'
    printf '</rdf:RDF></metadata>\n<image width="64" height="48" xlink:href="data:image/jpeg;base64,'
    base64 geotagged.jpg
    printf '"/>\n</svg>\n'
} >drawing.svg
# A portrait as Google's camera kept it: the original photo, geotagged, as
# base64 in the XMP property GImage:Data.
perl -MMIME::Base64 -e 'local $/; open(my $j, "<", "geotagged.jpg"); my $b = encode_base64(<$j>, "");
    print "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">",
          "<rdf:Description rdf:about=\"\" xmlns:GImage=\"http://ns.google.com/photos/1.0/image/\" ",
          "GImage:Mime=\"image/jpeg\" GImage:Data=\"$b\"/></rdf:RDF></x:xmpmeta>"' >portrait.xmp
exiftool -q -q -o portrait.jpg "-XMP<=portrait.xmp" base.jpg
# A PDF as a tool that puts photos into one makes it: the geotagged JPEG
# whole, Exif and all; ExifTool adds XMP naming the position as an update.
img2pdf geotagged.jpg -o photos.pdf
et "-XMP:GPSLatitude=$lat" "-XMP:GPSLongitude=$lon" photos.pdf
# An archive of photos as it is shared, stored (a zip tool's -0, as photos
# are often kept), with a note beside the photo.
printf 'Holiday photos\n' >notes.txt
zip -q -0 -X photos.zip geotagged.jpg notes.txt
tar cf photos.tar geotagged.jpg notes.txt
# A JPEG transcoded to JPEG XL bit for bit: cjxl keeps its Exif and XMP
# compressed with Brotli (brob boxes) and its other segments in the data
# that rebuilds it (jbrd).
cp geotagged.jpg geotagged-both.jpg
et "-XMP:GPSLatitude=$lat" "-XMP:GPSLongitude=$lon" geotagged-both.jpg
cjxl --quiet geotagged-both.jpg transcoded.jxl
# AVCHD: a camera's fix in the H.264 SEI's MDPM block (tag 0xB0 + the GPS
# tag, four bytes), put in by FFmpeg as unregistered user data (its own SEI
# taken out first: ExifTool reads the first user data only). Values with no
# zero byte, which an argument cannot hold (nor a comma or a colon, which
# part the filters): 8961/257 degrees and so on.
mdpm=$(printf 'MDPM\x08\xb1N\x01\x01\x01\xb2\x23\x01\x01\x01\xb3\x01\x01\x01\x01\xb4\x01\x01\x01\x01')
mdpm+=$(printf '\xb5E\x01\x01\x01\xb6\x8b\x01\x01\x01\xb7\x2d\x01\x01\x01\xb8\x01\x01\x01\x01')
for ts in mts m2ts; do
    opts=(-f mpegts)
    [ $ts = m2ts ] && opts+=(-mpegts_m2ts_mode 1)
    ff 10 -t 1 -pix_fmt yuv420p -c:v libx264 \
       -bsf:v "filter_units=remove_types=6,h264_metadata=sei_user_data=17ee8c60-f84d-11d9-8cd6-0800200c9a66+$mdpm" \
       "${opts[@]}" "clip.$ts"
done
# A BigTIFF ImageMagick makes from it: the XMP packet in tag 700 (ExifTool
# writes no BigTIFF).
convert geotagged-xmp.jpg TIFF64:magick-xmp.btf
# And with place names: IPTC (which ImageMagick keeps twice, as hex "iptc"
# and "8bim" raw profiles) and XMP's photoshop:City.
cp geotagged.jpg geotagged-places.jpg
et -IPTC:City=Tokyo -IPTC:Sub-location=Hachiko -IPTC:Country-PrimaryLocationName=Japan \
   -XMP-photoshop:City=Tokyo geotagged-places.jpg
convert geotagged-places.jpg magick-places.png
# A TIFF keeps IPTC in a field of its own and again in its image resources,
# whose digest (made current here) covers the field's block. ImageMagick
# drops the GPS IFD; ExifTool writes it again.
convert geotagged-places.jpg magick-places.tif
et "${gps[@]}" -IPTCDigest=new magick-places.tif
iso6709=+$lat+$lon/
ff 10 -t 1 -pix_fmt yuv420p -c:v libx264 -metadata location="$iso6709" clip-ffmpeg.mov
ff 10 -t 1 -pix_fmt yuv420p -c:v libx264 -metadata location="$iso6709" clip-loci.mp4
ff 10 -t 1 -pix_fmt yuv420p -c:v libx264 -movflags use_metadata_tags \
   -metadata location="$iso6709" clip-keys.mp4
# A phone's clip carried into Matroska by FFmpeg, which copies its location
# into a LOCATION tag under the tags' CRC, and one made as WebM.
ffmpeg -nostdin -v error -i clip-loci.mp4 -c copy clip.mkv
ff 10 -t 1 -c:v libvpx-vp9 -b:v 100k -metadata location="$iso6709" clip.webm
# FFmpeg copies the location into an FLV's onMetaData too.
ffmpeg -nostdin -v error -i clip-loci.mp4 -c copy clip.flv

# Where each motion photo's clip starts, and its length.
declare -A clip_at
clip_len=$(stat -c %s clip.mp4)

# Google: GPS-free Exif, XMP naming the clip's length, the clip after the EOI.
cp base.jpg google-motion.jpg
et -Make=Google -Model="Pixel 3" -XMP-GCamera:MicroVideo=1 -XMP-GCamera:MicroVideoVersion=1 \
   -XMP-GCamera:MicroVideoOffset="$(stat -c %s clip.mp4)" \
   -XMP-GCamera:MicroVideoPresentationTimestampUs=0 google-motion.jpg
clip_at[google-motion.jpg]=$(stat -c %s google-motion.jpg)
cat clip.mp4 >> google-motion.jpg

# Samsung: GPS-free Exif; after the EOI a block (0, type 0x0a30, name length,
# "MotionPhoto_Data", the clip), then the directory "SEFH", version, count,
# one entry (0, type, distance back to the block, block length), the
# directory's length and "SEFT".
cp base.jpg samsung-motion.jpg
et -Make=samsung -Model=SM-G991B samsung-motion.jpg
name=MotionPhoto_Data
clip_at[samsung-motion.jpg]=$(($(stat -c %s samsung-motion.jpg) + 8 + ${#name}))
block=$((8 + ${#name} + $(stat -c %s clip.mp4)))
{
    printf '\x00\x00\x30\x0a'; le32 ${#name}; printf %s "$name"; cat clip.mp4
    printf SEFH; le32 106; le32 1
    printf '\x00\x00\x30\x0a'; le32 $block; le32 $block
    le32 24; printf SEFT
} >> samsung-motion.jpg

# Fujifilm's RAF, built around the geotagged JPEG: a 148-byte header
# naming the preview (offset at 84, length at 88, big-endian), the preview,
# then raw data.
perl -e 'local $/; my $j = <STDIN>; my $h = pack("a16a4a8a32", "FUJIFILMCCD-RAW ", "0201", "FF383501", "X-T5");
    $h .= "\0" x (84 - length $h) . pack("NN", 148, length $j); $h .= "\0" x (148 - length $h);
    print $h, $j, "\x5a" x 4096;' <geotagged.jpg >fuji.raf

# Canon's recipe data, which ExifTool makes with XMP naming the position: as
# a file of their own, and appended (as Canon's raw converter does) to a
# JPEG, whose picture they follow with an EOI marker of their own, and to
# a TIFF.
exiftool -q -q -o recipe.vrd "-XMP:GPSLatitude=$lat" "-XMP:GPSLongitude=$lon" base.jpg
cp base.jpg recipe.jpg
ff 1 -frames:v 1 -pix_fmt rgb24 recipe.tif
et '-CanonVRD<=recipe.vrd' recipe.jpg recipe.tif

# Text after the picture's end; nothing else in these photos holds a position.
cut=$(stat -c %s base.jpg)
{ cat base.jpg; printf 'Breite (GPS) : N/A\n'; } > text-label.jpg
{ cat base.jpg; printf '+%s+%s/\n' "$lat" "$lon"; } > text-iso6709.jpg

# --- the table -------------------------------------------------------------
# file | kind (clean, motion, refused, trailer) | ExifTool's file type | bytes it must hold
rows=(
    "photo.heic|clean|HEIC|ftypheic"
    "photo-xmp.heic|clean|HEIC|application/rdf+xml"
    "photo.avif|clean|AVIF|ftypavif"
    "photo.tif|clean|TIFF|"
    "magick-xmp.btf|clean|BTF|exif:GPSLatitude"
    "photo.png|clean|PNG|eXIf"
    "photo-xmp.png|clean|PNG|XML:com.adobe.xmp"
    "magick.png|clean|PNG|exif:GPSLatitude"
    "magick-xmp.png|clean|PNG|Raw profile type xmp"
    "photo.webp|clean|Extended WEBP|EXIF"
    "fuji.raf|clean|RAF|FUJIFILMCCD-RAW"
    "photo.psd|clean|PSD|8BIM"
    "photo.gif|clean|GIF|XMP DataXMP"
    "photo.xmp|clean|XMP|x:xmpmeta"
    "drawing.svg|clean|SVG|data:image/jpeg;base64"
    "photos.pdf|clean|PDF|DCTDecode"
    "photos.zip|clean|ZIP|geotagged.jpg"
    "photos.tar|clean|TAR|ustar"
    "photo.jxl|clean|JXL|xml "
    "photo.jp2|clean|JP2|JpgTiffExif->JP2"
    "photo.mng|clean|MNG|eXIf"
    "photo.jxr|clean|JXR|"
    "portrait.jpg|clean|JPEG|GImage:Data"
    "recipe.vrd|clean|VRD|CANON OPTIONAL DATA"
    "recipe.jpg|clean|JPEG|CANON OPTIONAL DATA"
    "recipe.tif|clean|TIFF|CANON OPTIONAL DATA"
    "clip.mp4|clean|MP4|"$'\xa9'"xyz"
    "clip.mov|clean|MOV|com.apple.quicktime.location.ISO6709"
    "clip-ffmpeg.mov|clean|MOV|"$'\xa9'"xyz"
    "clip-loci.mp4|clean|MP4|loci"
    "clip-keys.mp4|clean|MP4|mdtalocation"
    "clip.mkv|clean|MKV|LOCATION"
    "clip.webm|clean|WEBM|LOCATION"
    "clip.flv|clean|FLV|location"
    "google-motion.jpg|motion|JPEG|MicroVideoOffset"
    "samsung-motion.jpg|motion|JPEG|MotionPhoto_Data"
    "text-label.jpg|trailer|JPEG|Breite (GPS) : N/A"
    "text-iso6709.jpg|trailer|JPEG|+35.6586+139.7454/"
)

trap - ERR
failed=0
fail() { echo "FAIL $row_file: $*" >&2; failed=1; }

# The position ExifTool reads (from the GPS tags, or the clip's coordinates,
# or a Matroska LOCATION tag's or an FLV's location string), to 4 decimals (it reads
# loci's fixed-point numbers as 35.65860 139.74539).
position() {
    { exiftool -n -s3 -Composite:GPSPosition "$1"
      exiftool -s3 -Matroska:Location -Flash:Location "$1" | sed -n 's|^\([+-][0-9.]*\)\([+-][0-9.]*\).*|\1 \2|p'; } |
        awk 'NF == 2 { printf "%.4f %.4f", $1, $2; exit }'
}

# Every tag ExifTool reads as a position, one "[group] name : value" line
# each: all tags (-a), embedded documents too (-ee3), by group and name
# (-G1 -s), numbers as stored (-n). A tag counts when its name holds "GPS",
# "Location" or "ISO6709" (any case; so GPS version and reference tags count
# too, as the JPEG strip leaves none of them), or its value holds an ISO 6709
# pair such as "+35.6586+139.7454" (a location box under another name), and
# its value holds more than blanks: a value overwritten with spaces or NULs
# reads as empty or blank and holds no position.
positions_read() {
    { exiftool -a -ee3 -G1 -s -n "$1" || true; } | awk '
        match($0, /^\[[^]]*\] +[^ ]+ +: /) {
            name = tolower($2); value = substr($0, RLENGTH + 1)
            if ((name ~ /gps|location|iso6709/ ||
                 value ~ /[+-][0-9][0-9](\.[0-9]+)?[+-][0-9][0-9][0-9](\.[0-9]+)?/) &&
                value ~ /[^ \t]/)
                print
        }'
}

# A digest of what the file decodes to, or nothing when it does not decode:
# the pixels of a picture (HEIC through libheif, AVIF through libavif, WebP
# through dwebp, a JPEG XL through djxl, a JPEG's first picture, a PNG and a
# TIFF through FFmpeg, a BigTIFF, a PSD, a GIF and a JPEG 2000 through
# ImageMagick, a RAF's preview JPEG), the frames of a clip; a sidecar's
# or Canon's recipe data's other properties.
decoded() {
    rm -f "$work/decoded.png"
    case $1 in
    *.heic) heif-convert "$1" "$work/decoded.png" >/dev/null 2>&1 && pixels "$work/decoded.png" ;;
    *.avif) avifdec "$1" "$work/decoded.png" >/dev/null 2>&1 && pixels "$work/decoded.png" ;;
    *.webp) dwebp -quiet "$1" -pam -o - 2>/dev/null | md5sum | cut -c1-32 ;;
    *.jpg|*.png|*.tif) pixels "$1" ;;
    *.btf) convert "$1" rgb:- 2>/dev/null | md5sum | cut -c1-32 ;;
    *.raf) exiftool -b -PreviewImage "$1" >"$work/decoded.jpg" 2>/dev/null && pixels "$work/decoded.jpg" ;;
    *.psd|*.gif|*.jp2|*.mng|*.jng) convert "$1[0]" rgb:- 2>/dev/null | md5sum | cut -c1-32 ;;
    *.jxr) JxrDecApp -i "$1" -o "$work/decoded.bmp" >/dev/null 2>&1 && md5sum <"$work/decoded.bmp" | cut -c1-32 ;;
    *.jxl) djxl "$1" "$work/decoded.png" >/dev/null 2>&1 && pixels "$work/decoded.png" ;;
    *.xmp|*.vrd) exiftool -s -a -XMP:all "--XMP-exif:GPS*" "$1" | md5sum | cut -c1-32 ;;
    *.svg) held_photo "$1" >"$work/decoded.jpg" && pixels "$work/decoded.jpg" ;;
    *.pdf) pdftoppm -r 30 "$1" 2>/dev/null | md5sum | cut -c1-32 ;;
    # An archive whose entries' CRC-32s hold: its photo's pixels.
    *.tar) tar -tf "$1" >/dev/null 2>&1 && held_photo "$1" >"$work/decoded.jpg" && pixels "$work/decoded.jpg" ;;
    *.zip) unzip -tq "$1" >/dev/null 2>&1 && held_photo "$1" >"$work/decoded.jpg" && pixels "$work/decoded.jpg" ;;
    *) ffmpeg -nostdin -v error -i "$1" -map 0:v -f framemd5 - 2>/dev/null | md5sum | cut -c1-32 ;;
    esac
}
pixels() {
    ffmpeg -nostdin -v error -i "$1" -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null |
        md5sum | cut -c1-32
}
empty_md5=d41d8cd98f00b204e9800998ecf8427e
# The photo an SVG holds as base64, or a PDF as its first picture.
held_photo() {
    case $1 in
    *.pdf) rm -f "$work"/held-*; pdfimages -j -f 1 -l 1 "$1" "$work/held" && cat "$work/held-000.jpg" ;;
    *.zip) unzip -p "$1" geotagged.jpg ;;
    */portrait*) perl -MMIME::Base64 -0777 -ne 'print decode_base64($1) if /GImage:Data="([^"]*)"/' "$1" ;;
    *.tar) tar -xOf "$1" geotagged.jpg ;;
    *) perl -MMIME::Base64 -0777 -ne 'print decode_base64($1) if /;base64,([^"]*)"/' "$1" ;;
    esac
}

# Where a clip's coded frames are, as ExifTool reads it: "FROM TO" (bytes,
# TO past the end), moved on by $2 (where the clip starts in its file).
media_data() {
    exiftool -s3 -n -MediaDataOffset -MediaDataSize "$1" |
        awk -v at="$2" '{ v[NR] = $1 } END { if (NR == 2) print at + v[1], at + v[1] + v[2] }'
}

# The clip of a motion photo, cut at the offset it was made with.
cut_clip() {
    dd if="$1" of="$2" iflag=skip_bytes,count_bytes bs=64K skip="${clip_at[$row_file]}" \
       count="$clip_len" status=none
}

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
    mkdir "$rowdir" "$rowdir-dropped" "$rowdir-in-place"

    # The file is what the row says, and holds a position ExifTool reads.
    got=$(exiftool -s3 -FileType "$path" || true)
    [ "$got" = "$type" ] || { fail "ExifTool reads file type '$got', not '$type'"; continue; }
    if [ -n "$marker" ] && ! grep -qF -- "$marker" "$path"; then
        fail "the file does not hold '$marker'"; continue
    fi
    case $kind in
    clean|refused)
        # ExifTool does not look into an archive, nor into a picture XMP
        # holds: the photo held is read.
        [[ $row_file == *.zip || $row_file == *.tar || $row_file == portrait* ]] ||
            [ "$(position "$path")" = "$lat $lon" ] || { fail "ExifTool reads no position in it"; continue; }
        if [[ $row_file == *.svg || $row_file == *.pdf || $row_file == *.zip || $row_file == *.tar ||
              $row_file == portrait* ]]; then
            held_photo "$path" >"$rowdir.photo.jpg"
            [ "$(position "$rowdir.photo.jpg")" = "$lat $lon" ] ||
                { fail "ExifTool reads no position in the photo it holds"; continue; }
        fi ;;
    motion)
        tags=$(exiftool -a "$path" || true)
        if grep -qi gps <<<"$tags"; then fail "the picture itself holds GPS"; continue; fi
        exiftool -b -ee -EmbeddedVideo -EmbeddedVideoFile "$path" >"$rowdir.clip.mp4" || true
        cut_clip "$path" "$rowdir.cut.mp4"
        cmp -s "$rowdir.clip.mp4" "$rowdir.cut.mp4" ||
            { fail "ExifTool's clip is not the one made at byte ${clip_at[$row_file]}"; continue; }
        [ "$(position "$rowdir.clip.mp4")" = "$lat $lon" ] ||
            { fail "ExifTool reads no position in its clip"; continue; } ;;
    trailer)
        # Only the text: a copy without it must come out clean.
        [ -z "$(exiftool -a -GPS:all "$path")" ] || { fail "ExifTool reads GPS tags in it"; continue; } ;;
    esac

    if [ "$kind" = clean ] || [ "$kind" = motion ]; then
        # What the picture and the clip decode to before the strip.
        before=$(decoded "$path" || true)
        if [ -z "$before" ] || [ "$before" = "$empty_md5" ]; then fail "it does not decode"; continue; fi
        if [ "$kind" = motion ]; then
            clip_before=$(decoded "$rowdir.cut.mp4" || true)
            if [ -z "$clip_before" ] || [ "$clip_before" = "$empty_md5" ]; then
                fail "its clip does not decode"; continue
            fi
        fi
        # Where a clip's coded frames are (its mdat, as ExifTool finds it):
        # they must stay as they were to the byte, since the frames'
        # checksums alone miss a change in bytes the decoder skips.
        case $row_file in
        *.mp4|*.mov) media=$(media_data "$path" 0 || true) ;;
        *-motion.jpg) media=$(media_data "$rowdir.cut.mp4" "${clip_at[$row_file]}" || true) ;;
        *) media=none ;;
        esac
        [ -n "$media" ] || { fail "ExifTool finds no coded frames in it"; continue; }

        # check names the position, and strip-gps says it removed just that.
        finds=""
        if expect 1 "" check; then
            if [[ $out == *"not checked"* || $out == *"not read"* ]]; then
                fail "check: wanted the position found, got '${out//$work\//}'"
            else
                finds=${out#"$path: "}
            fi
        fi
        expect 0 "removed $finds" strip-gps -o "$rowdir" || continue
        copy=$rowdir/$row_file
        size=$(stat -c %s "$copy" 2>/dev/null || echo none)
        [ "$size" = "$(stat -c %s "$path")" ] ||
            { fail "the copy has $size bytes, the input $(stat -c %s "$path")"; continue; }
        cmp -l "$path" "$copy" >"$rowdir.changed" || true
        changed=$(wc -l <"$rowdir.changed")
        if [ "$changed" -eq 0 ] || [ "$changed" -ge 4096 ]; then
            fail "the copy differs from the input in $changed bytes (wanted 1 to 4095)"
        fi
        if [ "$media" != none ]; then
            inside=$(awk -v from="${media% *}" -v to="${media#* }" \
                         '$1 - 1 >= from && $1 - 1 < to { n++ } END { print n + 0 }' "$rowdir.changed")
            [ "$inside" -eq 0 ] || fail "the copy differs in $inside bytes of the coded frames"
        fi
        if grep -qaF -- "+$lat+$lon" "$copy"; then fail "the copy holds the text +$lat+$lon"; fi
        left=$(positions_read "$copy" || true)
        [ -z "$left" ] || fail "ExifTool reads in the copy:"$'\n'"$left"
        if [[ $row_file == *.svg || $row_file == *.pdf || $row_file == *.zip || $row_file == *.tar ||
              $row_file == portrait* ]]; then
            held_photo "$copy" >"$rowdir.copy-photo.jpg"
            left=$(positions_read "$rowdir.copy-photo.jpg" || true)
            [ -z "$left" ] || fail "ExifTool reads in the copy's photo:"$'\n'"$left"
        fi
        [ "$(decoded "$copy")" = "$before" ] || fail "the copy does not decode as the input did"
        if [ "$kind" = motion ]; then
            cut_clip "$copy" "$rowdir.copy-clip.mp4"
            left=$(positions_read "$rowdir.copy-clip.mp4" || true)
            [ -z "$left" ] || fail "ExifTool reads in the copy's clip:"$'\n'"$left"
            [ "$(decoded "$rowdir.copy-clip.mp4")" = "$clip_before" ] ||
                fail "the copy's clip does not decode as the input's did"
        fi
        run check "$copy"
        if [ "$rc" -ne 0 ] || [ -n "$out" ]; then
            fail "check of the copy: exit $rc and '${out//$work\//}', not 0 and nothing"
        fi

        # In place: the file itself becomes that copy.
        cp "$path" "$rowdir-in-place/"
        saved=$path
        path=$rowdir-in-place/$row_file
        if expect 0 "" strip-gps --in-place && ! cmp -s "$path" "$copy"; then
            fail "strip-gps --in-place made another file than strip-gps -o"
        fi
        path=$saved
        continue
    fi

    checked=""
    [ "$kind" = refused ] && checked="not checked"
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

# Place names go only with --place-names; the picture, the length and a
# current IPTC digest stay.
places_read() {
    { exiftool -a -G1 -s "$1" || true; } |
        awk '/^\[[^]]*\] +(City|Sub-location|Country-PrimaryLocationName|Country|PhotoshopCity) +: +[^ ]/'
}
digest_warning() { exiftool -s3 -Warning "$1" | grep -c 'IPTCDigest is not current' || true; }
for row_file in magick-places.png magick-places.tif; do
    path=$work/$row_file
    if [ -z "$(places_read "$path")" ]; then
        fail "ExifTool reads no place name in it"
        continue
    fi
    expect 1 "" check && [[ $out == *"place name"* ]] && fail "check without --place-names names a place"
    expect 1 "place name" check --place-names || true
    mkdir -p "$work/places" "$work/places-kept"
    expect 0 "removed" strip-gps -o "$work/places-kept" || true
    [ -n "$(places_read "$work/places-kept/$row_file")" ] || fail "strip-gps without --place-names removed place names"
    if expect 0 "removed" strip-gps --place-names -o "$work/places"; then
        copy=$work/places/$row_file
        [ -z "$(places_read "$copy")$(positions_read "$copy")" ] ||
            fail "ExifTool still reads: $(places_read "$copy") $(positions_read "$copy")"
        [ "$(stat -c %s "$copy")" = "$(stat -c %s "$path")" ] || fail "the length changed"
        [ "$(pixels "$copy")" = "$(pixels "$path")" ] || fail "the pixels changed"
        [ "$(digest_warning "$copy")" = "$(digest_warning "$path")" ] || fail "the IPTC digest is no longer current"
    fi
done

# The transcoded JPEG XL: ExifTool reads no Brotli here, so the JPEG djxl
# rebuilds from it is read instead; after the strip it holds no position
# and the same pixels, and the file keeps its length.
row_file=transcoded.jxl path=$work/$row_file
if ! djxl "$path" "$work/rebuilt.jpg" >/dev/null 2>&1 || [ -z "$(positions_read "$work/rebuilt.jpg")" ]; then
    fail "djxl rebuilds no JPEG with a position from it"
else
    expect 1 "Exif GPS IFD" check || true
    mkdir "$work/transcoded"
    if expect 0 "removed" strip-gps -o "$work/transcoded"; then
        copy=$work/transcoded/$row_file
        if ! djxl "$copy" "$work/rebuilt-copy.jpg" >/dev/null 2>&1; then
            fail "djxl rebuilds no JPEG from the copy"
        else
            [ -z "$(positions_read "$work/rebuilt-copy.jpg")" ] ||
                fail "the rebuilt JPEG still holds: $(positions_read "$work/rebuilt-copy.jpg")"
            [ "$(pixels "$work/rebuilt-copy.jpg")" = "$(pixels "$work/rebuilt.jpg")" ] || fail "the pixels changed"
        fi
        [ "$(stat -c %s "$copy")" = "$(stat -c %s "$path")" ] || fail "the length changed"
        run check "$copy"
        [ "$rc" -eq 0 ] && [ -z "$out" ] || fail "check of the copy: exit $rc and '$out', not 0 and nothing"
    fi
fi

# The AVCHD clips: ExifTool reads the fix before the strip and only zeros
# after it (the values are written as zero, as in the other timed tracks);
# the frames and the length stay.
latitudes() { exiftool -ee -n -s3 -GPSLatitude "$1" | sort -u | tr '\n' ' '; }
for row_file in clip.mts clip.m2ts; do
    path=$work/$row_file
    if [ "$(latitudes "$path")" = "" ] || [ "$(latitudes "$path")" = "0 " ]; then
        fail "ExifTool reads no fix in it"
        continue
    fi
    expect 1 "timed GPS track" check || true
    mkdir -p "$work/avchd"
    expect 0 "removed" strip-gps -o "$work/avchd" || continue
    copy=$work/avchd/$row_file
    [ "$(latitudes "$copy")" = "0 " ] || fail "ExifTool reads in the copy: $(latitudes "$copy")"
    [ "$(stat -c %s "$copy")" = "$(stat -c %s "$path")" ] || fail "the length changed"
    [ "$(ffmpeg -nostdin -v error -i "$copy" -f framemd5 - | md5sum)" = \
      "$(ffmpeg -nostdin -v error -i "$path" -f framemd5 - | md5sum)" ] || fail "the frames changed"
    run check "$copy"
    [ "$rc" -eq 0 ] && [ -z "$out" ] || fail "check of the copy: exit $rc and '$out', not 0 and nothing"
done

# A dashcam's clip: its fixes in "freeGPS " blocks among the media data,
# listed by moov/gps (a version, a count, each block's offset and size).
# FFmpeg writes moov last: the list goes in after mvhd (moov grows) and the
# blocks into an mdat after moov, so no offset of the clip moves. ExifTool
# reads the blocks through the list (-ee), and looks for them in the media
# data when nothing else names them.
row_file=dashcam.mp4 path=$work/$row_file
be32() {
    printf '%b' "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 >> 24 & 255)) $(($1 >> 16 & 255)) \
                   $(($1 >> 8 & 255)) $(($1 & 255)))"
}
u32at() { od -An -tu4 --endian=big -j "$2" -N4 "$1" | tr -d ' '; }
bytes() { dd if="$1" iflag=skip_bytes,count_bytes skip="$2" count="$3" bs=64K status=none; }
gps_block() {   # 1024 bytes: size, "freeGPS ", the time at 52, an RMC sentence at 80
    local rmc='$GPRMC,1200'$1'.00,A,3539.5160,N,13944.7240,E,0.0,0.0,150623,,,A*00'
    { be32 1024; printf 'freeGPS '; head -c 40 /dev/zero; printf '2023061512%s00' "$1"
      head -c 14 /dev/zero; printf '%s' "$rmc"; head -c $((944 - ${#rmc})) /dev/zero; }
}
ff 10 -t 1 -pix_fmt yuv420p -c:v libx264 dash-base.mp4
len=$(stat -c %s dash-base.mp4) moov=0
while [ "$moov" -lt "$len" ] && [ "$(bytes dash-base.mp4 $((moov + 4)) 4)" != moov ]; do
    moov=$((moov + $(u32at dash-base.mp4 "$moov")))
done
moov_len=$(u32at dash-base.mp4 "$moov") mvhd_len=$(u32at dash-base.mp4 $((moov + 8)))
blocks=$((len + 40 + 8))
{
    bytes dash-base.mp4 0 "$moov"; be32 $((moov_len + 40)); printf moov
    bytes dash-base.mp4 $((moov + 8)) "$mvhd_len"
    be32 40; printf 'gps '; be32 257; be32 3; be32 "$blocks"; be32 1024; be32 0; be32 0
    be32 $((blocks + 1024)); be32 1024
    bytes dash-base.mp4 $((moov + 8 + mvhd_len)) $((moov_len - 8 - mvhd_len))
    be32 $((8 + 2048)); printf mdat; gps_block 00; gps_block 01
} >"$path"
# Another dashcam's clip: the same blocks named by no list (ExifTool looks
# for them through the media data, in steps of 32 KiB): two blocks of
# 32 KiB in an mdat after moov, each a fix as Novatek's binary record
# (the time at 0x30, "ANE", latitude and longitude as DDMM.MMMM floats).
perl -e 'my $b = "";
    for my $s (0, 1) {
        my $r = pack("Na8", 0x8000, "freeGPS ") . ("\0" x 36) . pack("V6", 12, 0, $s, 23, 6, 15) . "ANE\0" .
                pack("f<f<f<f<", 3539.516, 13944.724, 0, 0);
        $b .= $r . ("\0" x (0x8000 - length $r));
    }
    print pack("Na4", 8 + length $b, "mdat"), $b;' | cat dash-base.mp4 - >"$work/dashcam-unlisted.mp4"
# A drone's captions: a subtitle track (tx3g) whose text holds the fix.
printf '1\n00:00:00,000 --> 00:00:00,500\nLat:%s Lon:%s Alt:20\n\n' "$lat" "$lon" >fix.srt
ffmpeg -nostdin -v error -f lavfi -i testsrc=size=64x48:rate=10 -i fix.srt -t 1 -pix_fmt yuv420p \
       -c:v libx264 -c:s mov_text "$work/captions.mp4"
# A dashcam's QuickTime text track of NMEA sentences.
printf '1\n00:00:00,000 --> 00:00:00,500\n$GPRMC,120000,A,3539.5160,N,13944.7240,E,0.0,0.0,150623,,,A*00\n\n' >nmea.srt
ffmpeg -nostdin -v error -f lavfi -i testsrc=size=64x48:rate=10 -i nmea.srt -t 1 -pix_fmt yuv420p \
       -c:v libx264 -c:s mov_text "$work/nmea.mov"

# Insta360's trailer after a clip (INSV) and after a picture (INSP): its
# GPS record (two fixes of 53 bytes), then the last 78 bytes (that record's
# id and length, the trailer's length at 38, the magic at the end).
insta360() {
    perl -e 'local $/; my $d = <STDIN>; my ($lat, $lon) = @ARGV;
        my $gps = join "", map { pack("VVvaa8aa8aa8a8a8", 1686830400 + $_, 0, 0, "A", pack("d<", $lat), "N",
                                      pack("d<", $lon), "E", pack("d<", 0), pack("d<", 0), pack("d<", 20)) } 0 .. 1;
        print $d, $gps, pack("vV", 0x700, length $gps), "\0" x 32, pack("V", length($gps) + 78), "\0" x 4,
              "8db42d694ccc418790edff439fe026bf";' "$lat" "$lon" <"$1" >"$work/$2"
}
ff 10 -t 1 -pix_fmt yuv420p -c:v libx264 insta-base.mp4
insta360 insta-base.mp4 insta360.mp4
insta360 base.jpg insta360.jpg

# Files whose position ExifTool reads among their embedded documents (-ee):
# check finds a timed GPS track, strip-gps removes it at the length, and
# ExifTool reads no position in the copy, whose frames or pixels stay.
ee_position() { exiftool -q -q -ee -n -p '$GPSLatitude $GPSLongitude' "$1" | awk 'NR == 1 { printf "%.4f %.4f", $1, $2 }'; }
for row_file in dashcam.mp4 dashcam-unlisted.mp4 captions.mp4 nmea.mov insta360.mp4 insta360.jpg; do
    path=$work/$row_file
    if [ "$(ee_position "$path")" != "$lat $lon" ]; then
        fail "ExifTool reads no position in it"
    elif mkdir "$work/ee-$row_file" && expect 1 "timed GPS track" check &&
         expect 0 "removed" strip-gps -o "$work/ee-$row_file"; then
        copy=$work/ee-$row_file/$row_file
        [ -z "$(positions_read "$copy")" ] || fail "ExifTool still reads: $(positions_read "$copy")"
        [ "$(stat -c %s "$copy")" = "$(stat -c %s "$path")" ] || fail "the length changed"
        [ "$(decoded "$copy")" = "$(decoded "$path")" ] || fail "the frames changed"
        run check "$copy"
        [ "$rc" -eq 0 ] && [ -z "$out" ] || fail "check of the copy: exit $rc and '$out', not 0 and nothing"
    fi
done

# The drone's captions carried into Matroska by FFmpeg (as SubRip), each cluster under a
# CRC-32. ExifTool does not read Matroska's subtitles, so FFmpeg takes them
# out: the fix before the strip and none after; the frames, the length and
# every top-level element's CRC-32 hold.
ffmpeg -nostdin -v error -i "$work/captions.mp4" -map 0 -c:v copy -c:s srt "$work/captions.mkv"
subtitles() { ffmpeg -nostdin -v error -i "$1" -map 0:s -f srt - 2>/dev/null || true; }
crcs_wrong() {
    python3 - "$1" <<'PY'
import sys, zlib
d = open(sys.argv[1], 'rb').read()
def num(i, marker):
    n = 1
    while not d[i] & (0x80 >> (n - 1)): n += 1
    v = d[i] if marker else d[i] & (0xFF >> n)
    for k in range(1, n): v = v << 8 | d[i + k]
    return n, v
def element(i):
    a, ident = num(i, True)
    b, size = num(i + a, False)
    return ident, i + a + b, i + a + b + size
_, _, i = element(0)
_, data, end = element(i)   # the segment
wrong, i = 0, data
while i < end:
    ident, data, stop = element(i)
    if d[data] == 0xBF and zlib.crc32(d[data + 6:stop]) != int.from_bytes(d[data + 2:data + 6], 'little'):
        wrong += 1
    i = stop
print(wrong)
PY
}
row_file=captions.mkv path=$work/$row_file
if ! subtitles "$path" | grep -q "Lat:$lat"; then
    fail "FFmpeg reads no caption with the position in it"
elif mkdir "$work/out-mkv" && expect 1 "timed GPS track" check && expect 0 "removed" strip-gps -o "$work/out-mkv"; then
    copy=$work/out-mkv/$row_file
    [ "$(stat -c %s "$copy")" = "$(stat -c %s "$path")" ] || fail "the length changed"
    if subtitles "$copy" | grep -q "$lat"; then fail "FFmpeg still reads the caption"; fi
    [ "$(crcs_wrong "$copy")" = 0 ] || fail "elements' CRC-32s are wrong in the copy"
    [ "$(decoded "$copy")" = "$(decoded "$path")" ] || fail "the frames changed"
    run check "$copy"
    [ "$rc" -eq 0 ] && [ -z "$out" ] || fail "check of the copy: exit $rc and '${out//$work\//}', not 0 and nothing"
fi

# A phone clip's position as FFmpeg carries it into Ogg (Vorbis, Opus) and
# FLAC comments, an MP3's ID3 tag (TXXX), an M4A's location box, an AIFF's
# ID3 chunk, a CAF's information chunk, a WMA's attributes and the APE tags
# of WavPack and TTA, the FLAC's, the MP3's and the M4A's cover (`covr`)
# being the geotagged photo: ExifTool (or, where it reads no location, as
# in CAF, WMA, WavPack and TTA, FFmpeg) reads the
# location (and the cover's GPS) before the strip and none after; the
# sound, the length and every Ogg page's CRC hold. Some hold the location
# as a user types it for FFmpeg, unpadded (Nairobi's "-1.2921+36.8219/").
unpadded=-1.2921+36.8219/
sine() {
    ffmpeg -nostdin -v error -f lavfi -i sine=d=1 "${@:1:$#-1}" -metadata location="${loc:-$iso6709}" "${@: -1}"
}
loc=$unpadded sine -c:a libvorbis "$work/sound.ogg"
sine -c:a libopus "$work/sound.opus"
sine -i geotagged.jpg -map 0 -map 1 -c:v copy -disposition:v attached_pic "$work/sound.flac"
loc=$unpadded sine -i geotagged.jpg -map 0 -map 1 -c:v copy -disposition:v attached_pic -c:a libmp3lame \
    "$work/sound.mp3"
sine -i geotagged.jpg -map 0 -map 1 -c:v copy -disposition:v attached_pic "$work/sound.m4a"
sine -write_id3v2 1 "$work/sound.aiff"
sine "$work/sound.caf"
sine -c:a wmav2 "$work/sound.wma"
loc=$unpadded sine "$work/sound.wv"
sine "$work/sound.tta"
sound_location() {
    { exiftool -s3 -Vorbis:Location -ID3:UserDefinedText "$1" 2>/dev/null | sed 's/^(location) *//'
      ffprobe -v error -show_entries format_tags=location -of default=nw=1:nk=1 "$1"; } | awk 'NF' | sort -u
}
ogg_crcs_wrong() {
    python3 - "$1" <<'PY'
import sys
table = []
for i in range(256):
    r = i << 24
    for _ in range(8): r = ((r << 1) ^ 0x04C11DB7 if r & 0x80000000 else r << 1) & 0xFFFFFFFF
    table.append(r)
d, i, wrong = open(sys.argv[1], 'rb').read(), 0, 0
while d[i:i + 4] == b'OggS':
    end = i + 27 + d[i + 26] + sum(d[i + 27:i + 27 + d[i + 26]])
    page = bytearray(d[i:end]); page[22:26] = bytes(4); crc = 0
    for b in page: crc = ((crc << 8) & 0xFFFFFFFF) ^ table[(crc >> 24) ^ b]
    wrong += crc != int.from_bytes(d[i + 22:i + 26], 'little'); i = end
print(wrong)
PY
}
cover_gps() { exiftool -b -Picture -CoverArt "$1" | exiftool -q -q -n -s3 -GPSLatitude -; }
for row_file in sound.ogg sound.opus sound.flac sound.mp3 sound.m4a sound.aiff sound.caf sound.wma sound.wv \
                sound.tta; do
    path=$work/$row_file
    covered=false
    [[ $row_file != sound.flac && $row_file != sound.mp3 && $row_file != sound.m4a ]] || covered=true
    want=$iso6709
    [[ $row_file != sound.ogg && $row_file != sound.mp3 && $row_file != sound.wv ]] || want=$unpadded
    if [ "$(sound_location "$path")" != "$want" ]; then
        fail "ExifTool reads no location in it"
    elif $covered && [ -z "$(cover_gps "$path")" ]; then
        fail "ExifTool reads no GPS in its cover"
    elif mkdir "$work/out-$row_file" && expect 1 "location" check && expect 0 "removed" strip-gps -o "$work/out-$row_file"; then
        copy=$work/out-$row_file/$row_file
        [ "$(stat -c %s "$copy")" = "$(stat -c %s "$path")" ] || fail "the length changed"
        [ -z "$(sound_location "$copy" | tr -d ' ')" ] || fail "ExifTool or FFmpeg still reads its location"
        ! $covered || [ -z "$(cover_gps "$copy")" ] || fail "ExifTool still reads its cover's GPS"
        [[ $row_file != sound.o* ]] || [ "$(ogg_crcs_wrong "$copy")" = 0 ] || fail "pages' CRCs are wrong in the copy"
        [ "$(ffmpeg -v error -i "$copy" -map 0:a -f md5 -)" = "$(ffmpeg -v error -i "$path" -map 0:a -f md5 -)" ] ||
            fail "the sound changed"
        run check "$copy"
        [ "$rc" -eq 0 ] && [ -z "$out" ] || fail "check of the copy: exit $rc and '${out//$work\//}', not 0 and nothing"
    fi
done

# Sound as bare frames, with no tag before them (FFmpeg's MP3 without ID3,
# AAC in ADTS, MP2): clean. With ID3v1's title naming a position after
# them: ExifTool reads it before the strip and not after; the sound and
# the length hold.
ffmpeg -nostdin -v error -f lavfi -i sine=d=1 -id3v2_version 0 "$work/bare.mp3"
ffmpeg -nostdin -v error -f lavfi -i sine=d=1 -c:a aac -f adts "$work/bare.aac"
ffmpeg -nostdin -v error -f lavfi -i sine=d=1 -c:a mp2 "$work/bare.mp2"
for row_file in bare.mp3 bare.aac bare.mp2; do
    path=$work/$row_file
    run check "$path"
    [ "$rc" -eq 0 ] && [ -z "$out" ] || fail "check: exit $rc and '${out//$work\//}', not 0 and nothing"
done
{ cat "$work/bare.mp3"; printf 'TAG%-125s' "GPS $iso6709"; } >"$work/bare-v1.mp3"
row_file=bare-v1.mp3 path=$work/bare-v1.mp3
v1_title() { exiftool -s3 -ID3v1:Title "$1" | tr -d ' '; }
if [ "$(v1_title "$path")" != "GPS$iso6709" ]; then
    fail "ExifTool reads no title naming the position"
elif mkdir "$work/out-bare" && expect 1 "location" check && expect 0 "removed" strip-gps -o "$work/out-bare"; then
    copy=$work/out-bare/$row_file
    [ "$(stat -c %s "$copy")" = "$(stat -c %s "$path")" ] || fail "the length changed"
    [ -z "$(v1_title "$copy")" ] || fail "ExifTool still reads the title"
    [ "$(ffmpeg -v error -i "$copy" -map 0:a -f md5 -)" = "$(ffmpeg -v error -i "$path" -map 0:a -f md5 -)" ] ||
        fail "the sound changed"
fi

# A geotagged photo made into a clip without re-encoding (Motion JPEG in
# AVI, MOV, MP4 and Matroska): each frame is the photo, its Exif kept.
# ExifTool reads the GPS of the first frame taken out before the strip and
# none after; the frames decode as before, the length and the clusters'
# CRC-32s hold.
frame_gps() { ffmpeg -v error -i "$1" -c:v copy -frames:v 1 -f mjpeg - | exiftool -q -q -n -s3 -GPSLatitude -; }
for row_file in still.avi still.mov still.mp4 still.mkv; do
    path=$work/$row_file
    ffmpeg -nostdin -v error -loop 1 -framerate 5 -i geotagged.jpg -t 1 -c:v copy "$path"
    if [ -z "$(frame_gps "$path")" ]; then
        fail "ExifTool reads no GPS in its first frame"
    elif mkdir "$work/out-$row_file" && expect 1 "Exif GPS IFD" check &&
         expect 0 "removed" strip-gps -o "$work/out-$row_file"; then
        copy=$work/out-$row_file/$row_file
        [ "$(stat -c %s "$copy")" = "$(stat -c %s "$path")" ] || fail "the length changed"
        [ -z "$(frame_gps "$copy")" ] || fail "ExifTool still reads the first frame's GPS"
        [ "$(decoded "$copy")" = "$(decoded "$path")" ] || fail "the frames changed"
        [[ $row_file != *.mkv ]] || [ "$(crcs_wrong "$copy")" = 0 ] || fail "elements' CRC-32s are wrong in the copy"
    fi
done

# cjxl's bare codestream holds no metadata: clean. With a position's text
# appended, where the codestream ends is not known: it cannot be made clean.
cjxl --quiet base.png bare.jxl
{ cat bare.jxl; printf '+%s+%s/\n' "$lat" "$lon"; } >bare-text.jxl
row_file=bare.jxl path=$work/bare.jxl
run check "$path"
[ "$rc" -eq 0 ] && [ -z "$out" ] || fail "check: exit $rc and '${out//$work\//}', not 0 and nothing"
row_file=bare-text.jxl path=$work/bare-text.jxl
mkdir "$work/out-bare-text"
expect 1 "unparsed bytes at 0" check && expect 1 "the codestream" strip-gps -o "$work/out-bare-text"
[ -z "$(ls -A "$work/out-bare-text")" ] || fail "strip-gps -o wrote a copy"

# ImageMagick's JNG keeps the JPEG's Exif in its JPEG data (JDAT), where
# ExifTool reads none: check finds it, the strip clears it there (the
# chunk's CRC written anew), and the JPEG data read alone holds none.
convert geotagged.jpg magick.jng
jdat() { perl -e 'local $/; $_ = <STDIN>; /(....)JDAT/s and print substr($_, $+[0], unpack("N", $1));' <"$1"; }
row_file=magick.jng path=$work/magick.jng
jdat "$path" >magick-jdat.jpg
if [ "$(position magick-jdat.jpg)" != "$lat $lon" ]; then
    fail "ExifTool reads no position in its JPEG data"
elif mkdir "$work/out-jng" && expect 1 "Exif GPS IFD" check && expect 0 "removed" strip-gps -o "$work/out-jng"; then
    copy=$work/out-jng/magick.jng
    [ "$(stat -c %s "$copy")" = "$(stat -c %s "$path")" ] || fail "the length changed"
    jdat "$copy" >magick-jdat-copy.jpg
    left=$(positions_read magick-jdat-copy.jpg || true)
    [ -z "$left" ] || fail "ExifTool reads in its JPEG data: $left"
    [ "$(decoded "$copy")" = "$(decoded "$path")" ] || fail "the pixels changed"
    run check "$copy"
    [ "$rc" -eq 0 ] && [ -z "$out" ] || fail "check of the copy: exit $rc and '${out//$work\//}', not 0 and nothing"
fi

# A track and a map ExifTool prints from the geotagged photo, in the print
# formats its GPX and KML examples use: check finds the points, and the
# copy is XML that Python's parser reads, of the same length, whose points
# are all zero.
gpx_fmt='#[HEAD]<?xml version="1.0" encoding="utf-8"?>
#[HEAD]<gpx version="1.0" creator="ExifTool $ExifToolVersion" xmlns="http://www.topografix.com/GPX/1/0">
#[HEAD]<trk><trkseg>
#[BODY]<trkpt lat="$gpslatitude#" lon="$gpslongitude#"></trkpt>
#[TAIL]</trkseg></trk></gpx>'
kml_fmt='#[HEAD]<?xml version="1.0" encoding="UTF-8"?>
#[HEAD]<kml xmlns="http://www.opengis.net/kml/2.2"><Document>
#[BODY]<Placemark><name>$filename</name><Point><coordinates>$gpslongitude#,$gpslatitude#,0</coordinates></Point></Placemark>
#[TAIL]</Document></kml>'
points() {
    python3 - "$1" <<'PY'
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
for e in root.iter():
    tag = e.tag.rsplit('}', 1)[-1]
    if tag == 'trkpt': print(float(e.get('lat')), float(e.get('lon')))
    if tag == 'coordinates': print((e.text or '').strip() or '0')
PY
}
for fmt in gpx kml; do
    row_file=track.$fmt path=$work/$row_file
    fmt_text=${fmt}_fmt
    printf '%s\n' "${!fmt_text}" >"$work/$fmt.fmt"
    exiftool -q -q -p "$work/$fmt.fmt" geotagged.jpg geotagged-xmp.jpg >"$path" || true
    if [ "$(points "$path" | grep -c "${lat%??}")" -ne 2 ]; then
        fail "ExifTool wrote no two points at the photo's position: $(cat "$path")"
    elif mkdir "$work/out-$fmt" && expect 1 "location" check && expect 0 "removed" strip-gps -o "$work/out-$fmt"; then
        copy=$work/out-$fmt/$row_file
        [ "$(stat -c %s "$copy")" = "$(stat -c %s "$path")" ] || fail "the length changed"
        left=$(points "$copy" 2>&1 | grep -v -x -e '0.0 0.0' -e '0' || true)
        [ -z "$left" ] || fail "Python reads in the copy: $left"
        run check "$copy"
        [ "$rc" -eq 0 ] && [ -z "$out" ] || fail "check of the copy: exit $rc and '${out//$work\//}', not 0 and nothing"
    fi
done

# A coordinate in words ("Lat: ... Lon: ...") in a text each format keeps
# for people (a comment, a caption, keywords), written by ExifTool: check
# finds a location, and the copy keeps its length and its pictures while
# ExifTool reads the words no more.
words="Lat: $lat Lon: $lon"
word_rows=(
    "words.jpg|-Comment=$words"
    "words.png|-PNG:Comment=$words"
    "words-iptc.png|-IPTC:Caption-Abstract=$words"
    "words.gif|-Comment=$words"
    "words.jp2|-IPTC:Caption-Abstract=$words"
    "words.mp4|-ItemList:Comment=$words"
    "words.mov|-UserData:Comment=$words"
    "words.pdf|-PDF:Keywords=$words"
)
for word_row in "${word_rows[@]}"; do
    row_file=${word_row%%|*} path=$work/$row_file
    case $row_file in
    *.jpg) cp base.jpg "$path" ;;
    *.png) cp base.png "$path" ;;
    *.gif|*.jp2) convert base.png "$path" ;;
    *.pdf) img2pdf base.jpg -o "$path" ;;
    *) ff 10 -t 1 -pix_fmt yuv420p -c:v libx264 "$path" ;;
    esac
    exiftool -q -q -m -overwrite_original "${word_row#*|}" "$path" || true
    if ! exiftool -a -s3 "$path" | grep -qF "$lat"; then
        fail "ExifTool reads no words naming the position"
    elif mkdir "$work/out-$row_file" && expect 1 "location" check &&
         expect 0 "removed" strip-gps -o "$work/out-$row_file"; then
        copy=$work/out-$row_file/$row_file
        [ "$(stat -c %s "$copy")" = "$(stat -c %s "$path")" ] || fail "the length changed"
        left=$(exiftool -a -ee3 -s "$copy" | grep -F "$lat" || true)
        [ -z "$left" ] || fail "ExifTool reads in the copy: $left"
        [ "$(decoded "$copy")" = "$(decoded "$path")" ] || fail "the pictures changed"
    fi
done

if [ "$failed" -ne 0 ]; then
    echo "other_containers: some rows failed" >&2
    exit 1
fi
echo "other_containers: ${#rows[@]} rows, the place names, the dashcams', captioned, sound and Insta360 files, tracks and coordinates in words pass"
