#!/usr/bin/env bash
# Runs each fuzz target for a fixed number of runs (or, given SECONDS, for
# that long: a soak) on a seed corpus made in a temporary folder, one target
# at a time on one core, one line per target. Exits non-zero when a target
# finds a crash, a sanitizer report or a failed check; that target's folder
# (log and crashing input) is then kept and named.
#
# usage: fuzz/run.sh BINDIR [RUNS] [SECONDS]
#
# Adding a target: build fuzz/<name>.cpp with tamlix_fuzz_target(<name>) in
# fuzz/CMakeLists.txt, write a seed_<name> function below and add the name
# and its maximum input length to TARGETS.
set -euo pipefail

bindir=${1:?usage: fuzz/run.sh BINDIR [RUNS] [SECONDS]}
runs=${2:-20000}
seconds=${3:-}
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bindir=$(cd "$bindir" && pwd)

# name:max_len
TARGETS=(fuzz_exif:65536 fuzz_tagtable:8192 fuzz_settings:12000 fuzz_report:12000
         fuzz_gpspatch:16384 fuzz_hexconvert:600 fuzz_vornik2:65536 fuzz_locator:32768 fuzz_xmp:8192
         fuzz_lazyread:8192 fuzz_isobmff:16384)
TARGETS+=(fuzz_riff:16384)
TARGETS+=(fuzz_png:16384)
TARGETS+=(fuzz_tiff:16384)

work=$(mktemp -d "${TMPDIR:-/tmp}/tamlix-fuzz.XXXXXX")
keep=0
trap '[ "$keep" -eq 1 ] || rm -rf "$work"' EXIT

# Writes the bytes given as hex (spaces allowed) to a file.
hexfile() { printf '%b' "$(printf '%s' "$2" | tr -d ' \n' | sed 's/../\\x&/g')" >"$1"; }

seed_fuzz_exif() {
    local d=$1 f
    # Real files: both byte orders, GPS with N/S/E/W, an empty GPS IFD, a
    # version-only GPS IFD, no GPS, no Exif, bad TIFF magic, no APP0 marker.
    for f in gps/apple_iphone_xr_tiny.jpg gps/kodak_cx7530_S_decmin.jpg \
             gps/fuji_s1pro_W_decmin.jpg gps_empty/nikon_e995_gps_count0.jpg \
             gps_version_only/canon_40d.jpg nogps/fuji_e500_mm.jpg noexif/tiny_1445_bytes.jpg \
             malformed/bad_tiff_magic_613b.jpg malformed/no_app0_marker_exif_at_24.jpg; do
        [ -f "$src/tests/corpus/real/$f" ] && head -c 65536 "$src/tests/corpus/real/$f" >"$d/real_${f//\//_}"
    done
    [ -f "$src/res/sample.jpg" ] && head -c 65536 "$src/res/sample.jpg" >"$d/sample.jpg"
    local app1='ffd8ffe1 0000 457869660000'
    # II, one IFD0 entry (GPS pointer), GPS IFD with N and latitude rationals.
    hexfile "$d/ii_gps_lat.bin" "$app1 49492a0008000000 0100 2588 0400 01000000 1a000000 00000000
        0200 0100 0200 02000000 4e000000 0200 0500 03000000 38000000 00000000
        23000000 01000000 27000000 01000000 630b0000 64000000 ffd9"
    # MM, GPS latitude whose second rational is cut after its numerator.
    hexfile "$d/mm_gps_cut.bin" "$app1 4d4d002a00000008 0001 8825 0004 00000001 0000001a 00000000
        0001 0002 0005 00000003 0000002c 00000000 00000023 00000001 00000027"
    # Degrees -2^31 / -1, minutes 0/0, seconds with a denominator of 10^9.
    hexfile "$d/ii_gps_int_min.bin" "$app1 49492a0008000000 0100 2588 0400 01000000 1a000000 00000000
        0100 0400 0500 03000000 2c000000 00000000
        00000080 ffffffff 00000000 00000000 01000000 00ca9a3b"
    # IFD0 declaring 65535 entries, one present; Make text without a NUL at the end.
    hexfile "$d/mm_ifd0_overflow.bin" "$app1 4d4d002a00000008 ffff 010f 0002 00000010 00000016 4e6f4e756c"
    # 0th-IFD offset that wraps a 32-bit sum.
    hexfile "$d/ii_ifd0_wrap.bin" "$app1 49492a00f8ffffff 0000"
    # "Exif" at 190, the TIFF header at 196 cut after 7 of its 8 bytes.
    { head -c 190 /dev/zero; printf 'Exif\0\0II*\0\10\0\0'; } >"$d/tiff_header_cut.bin"
    # Two GPS pointers: the second walk must replace the first.
    hexfile "$d/ii_two_gps_pointers.bin" "$app1 49492a0008000000 0200 2588 0400 01000000 26000000
        2588 0400 01000000 26000000 00000000 0100 0100 0200 02000000 53000000 ffd9"
}

seed_fuzz_tagtable() {
    local d=$1
    cp "$src/res/JpegTIFFTag.csv" "$d/JpegTIFFTag.csv"
    printf '0x010F,Make\r\n0x0110,"Model"\r\n0x8825\r\n,0x1,x\r\n' >"$d/rows.csv"
    printf '0x123456789,Nine digits\r\n0XABCD,Upper\r\n0xG,Bad digit\r\n' >"$d/hex.csv"
    printf '0x1,%s\r\n0x2,"%s"\r\n' "$(printf 'N%.0s' {1..80})" "$(printf 'Q%.0s' {1..70})" >"$d/long_names.csv"
    printf '0x1,%s\x88\xdc\r\n' "$(printf 'a%.0s' {1..62})" >"$d/lead_byte_cut.csv"
    printf '0x%s,long line\r\n' "$(printf '0%.0s' {1..300})" >"$d/long_line.csv"
    printf '0x1,a\n0x2,b\r0x3,c\0\r\n\r\n\r\n' >"$d/mixed_ends.csv"
}

seed_fuzz_settings() {
    local d=$1
    # A default record, one with a list, one with an entry of 256 bytes and
    # no NUL, and a record one byte short.
    head -c 9116 /dev/zero >"$d/zero.bin"
    { printf '/tmp/a.jpg\0'; head -c 245 /dev/zero; printf '/tmp/b.jpg\0'; head -c 8849 /dev/zero; } >"$d/list.bin"
    { head -c 256 /dev/zero | tr '\0' 'x'; printf '/tmp/c.jpg\0'; head -c 8849 /dev/zero; } >"$d/no_nul.bin"
    head -c 9115 /dev/zero >"$d/short.bin"
}

seed_fuzz_locator() {
    local d=$1 f
    # Real files cut to 64 KiB: Exif after JFIF, XMP with GPS, a long GPS
    # IFD, stray bytes before a marker; the whole tiny one and the sample.
    for f in gps/apple_iphone_xr_tiny.jpg gps/kodak_cx7530_S_decmin.jpg gps/nikon_d5000_sec_den0.jpg \
             gps/sony_hx5v_19_gps_entries.jpg gps/zero_coords_make_456.jpg exif_late/xmp_exif_at_26590.jpg \
             gps_version_only/nikon_d300_mm.jpg noexif/tiny_1445_bytes.jpg; do
        [ -f "$src/tests/corpus/real/$f" ] && head -c 65536 "$src/tests/corpus/real/$f" >"$d/real_${f//\//_}"
    done
    [ -f "$src/res/sample.jpg" ] && head -c 65536 "$src/res/sample.jpg" >"$d/sample.jpg"
    # A Photoshop PSD: no colour mode data, an Exif resource with a GPS IFD,
    # an XMP resource with a GPS property, no layers.
    hexfile "$d/psd.bin" "384250530001000000000000000300000001000000010008000300000000000000f23842494d04220000000000504d4d002a000000080001
        88250004000000010000001a00000000000200010002000000024e0000000002000500000003000000380000000000000023000000010000
        00270000000100000bb8000000643842494d04240000000000893c783a786d706d65746120786d6c6e733a783d2761646f62653a6e733a6d
        6574612f273e3c7264663a4465736372697074696f6e20786d6c6e733a657869663d27687474703a2f2f6e732e61646f62652e636f6d2f65
        7869662f312e302f2720657869663a4750534c617469747564653d2733352c33392e354e272f3e3c2f783a786d706d6574613e0000000000
        0000000000"
    # Fujifilm's RAF around the tiny one: a header naming the preview JPEG.
    f=$src/tests/corpus/real/gps/apple_iphone_xr_tiny.jpg
    [ -f "$f" ] && perl -e 'local $/; my $j = <STDIN>;
        my $h = pack("a16a4a8a32", "FUJIFILMCCD-RAW ", "0201", "FF383501", "X-T5");
        $h .= "\0" x (84 - length $h) . pack("NN", 148, length $j); $h .= "\0" x (148 - length $h);
        print $h, $j, "\x5a" x 64;' <"$f" >"$d/raf.bin"
    # A GIF: a comment, raw XMP with a GPS attribute and its landing zone,
    # a picture, a coordinate string after the trailer. An XMP sidecar.
    perl -e 'my $x = "<x:xmpmeta xmlns:x=\x27adobe:ns:meta/\x27><rdf:Description xmlns:exif=\x27http://ns.adobe.com/exif/1.0/\x27 exif:GPSLatitude=\x271\x27/></x:xmpmeta>";
        print "GIF89a\x01\0\x01\0\0\0\0", "\x21\xfe\x04GPS!\0", "\x21\xff\x0bXMP DataXMP", $x, pack("C*", 1, reverse(0..255)), "\0",
              "\x2c\0\0\0\0\x01\0\x01\0\0\x02\x02\x4c\x01\0\x3b+35.6586+139.7454/";' >"$d/gif.bin"
    printf "\xef\xbb\xbf<?xml version='1.0'?>\n<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><rdf:Description xmlns:exif='http://ns.adobe.com/exif/1.0/' exif:GPSLongitude='2'/></rdf:RDF></x:xmpmeta>\n" >"$d/sidecar.xmp"
    # A JPEG XL container: an Exif box with a GPS IFD, an XMP box, Exif
    # compressed with Brotli, a codestream.
    perl -e 'sub box { pack("N", 8 + length $_[1]) . $_[0] . $_[1] }
        my $tiff = "MM\0*" . pack("NnnnNNN", 8, 1, 0x8825, 4, 1, 26, 0) . pack("nnnNa4N", 1, 1, 2, 2, "N", 0);
        my $x = "<x:xmpmeta xmlns:x=\x27adobe:ns:meta/\x27><rdf:Description xmlns:exif=\x27http://ns.adobe.com/exif/1.0/\x27 exif:GPSLatitude=\x271\x27/></x:xmpmeta>";
        print box("JXL ", "\r\n\x87\n"), box("ftyp", "jxl \0\0\0\0jxl "), box("Exif", pack("N", 0) . $tiff),
              box("xml ", $x), box("brob", "Exif\x1b\x8f"), box("jxlc", "\xff\x0a");' >"$d/jxl.bin"
    # The tiny one transcoded to JPEG XL: its Exif compressed with Brotli,
    # the data that rebuilds it.
    [ -f "$f" ] && command -v cjxl >/dev/null && cjxl --quiet "$f" "$d/jxl_transcoded.bin" 2>/dev/null
    # An AVCHD clip: time-stamped packets, a camera's fix in the SEI's MDPM block.
    local sei
    sei="17ee8c60-f84d-11d9-8cd6-0800200c9a66+$(printf 'MDPM\x02\xb1N\x01\x01\x01\xb2\x23\x01\x01\x01')"
    command -v ffmpeg >/dev/null && ffmpeg -nostdin -v error -f lavfi -i testsrc=size=32x32:rate=5 -t 0.4 \
        -pix_fmt yuv420p -c:v libx264 -bsf:v "filter_units=remove_types=6,h264_metadata=sei_user_data=$sei" \
        -f mpegts -mpegts_m2ts_mode 1 "$d/avchd.bin"
    # The tiny one made into clips without re-encoding: Motion JPEG frames
    # keeping its Exif, in AVI, MP4 and Matroska (under a cluster's CRC).
    local ext
    for ext in avi mp4 mkv; do
        [ -f "$f" ] && command -v ffmpeg >/dev/null && ffmpeg -nostdin -v error -loop 1 -framerate 5 -i "$f" -t 0.4 \
            -c:v copy -f "${ext/mkv/matroska}" "$d/still_$ext.bin"
    done
    # Titles naming a coordinate in words: a clip's, a track's and a
    # chapter's, in Matroska, MP4, AVI, MP3 (ID3 chapters) and Ogg.
    if command -v ffmpeg >/dev/null; then
        local words="Lat: 35.6586 Lon: 139.7454" chapters="$d/chapters.txt"
        printf ';FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=200\ntitle=%s\n' "$words" >"$chapters"
        for ext in mkv mp4 avi; do
            ffmpeg -nostdin -v error -f lavfi -i testsrc=size=16x16:rate=5 -i "$chapters" -map 0 -map_chapters 1 \
                -t 0.4 -metadata title="$words" -metadata:s:v title="$words" -f "${ext/mkv/matroska}" "$d/titles_$ext.bin"
        done
        for ext in mp3 ogg; do
            ffmpeg -nostdin -v error -f lavfi -i sine=d=0.1 -i "$chapters" -map 0 -map_chapters 1 \
                -metadata title="$words" -f "$ext" "$d/titles_$ext.bin"
        done
        rm -f "$chapters"
    fi
    # An M4A whose cover (covr) is the tiny one.
    [ -f "$f" ] && command -v ffmpeg >/dev/null && ffmpeg -nostdin -v error -f lavfi -i sine=d=0.1 -i "$f" \
        -map 0 -map 1 -c:v copy -disposition:v attached_pic -f ipod "$d/cover_m4a.bin"
    # A coordinate in words in the texts formats keep for people: a GIF's
    # comment over two sub-blocks, a MOV's text record in udta, a PDF's
    # title and its subject in UTF-16 hex, a PNG's comment under its CRC.
    local words='Lat: 35.6586 Lon: 139.7454'
    perl -e 'print "GIF89a", pack("vvCCC", 1, 1, 0, 0, 0), "\x21\xfe\x05", substr($ARGV[0], 0, 5),
        "\x15", substr($ARGV[0], 5), "\x00\x3b"' "$words" >"$d/words_gif.bin"
    perl -e 'sub box { pack("N", 8 + length $_[1]) . $_[0] . $_[1] }
        print box("ftyp", "qt  \0\0\0\0qt  "),
              box("moov", box("udta", box("\xa9cmt", pack("nn", length $ARGV[0], 0x55c4) . $ARGV[0])))' \
        "$words" >"$d/words_mov.bin"
    printf '%%PDF-1.4\n1 0 obj << /Title (%s) /Subject <FEFF004C00610074003A002000330035002E0036003500380036>' \
        "$words" >"$d/words_pdf.bin"
    printf ' >> endobj\ntrailer << /Info 1 0 R >>\n%%%%EOF\n' >>"$d/words_pdf.bin"
    perl -MCompress::Zlib -e 'sub chunk { pack("N", length $_[1]) . $_[0] . $_[1] . pack("N", crc32($_[0] . $_[1])) }
        print "\x89PNG\r\n\x1a\n", chunk("IHDR", pack("NNCCCCC", 1, 1, 8, 0, 0, 0, 0)),
              chunk("tEXt", "Comment\0$ARGV[0]"), chunk("zTXt", "Comment\0\0" . compress($ARGV[0])),
              chunk("IEND", "")' "$words" >"$d/words_png.bin"
    # A dashcam's transport stream: a PMT declaring private data, NMEA
    # sentences in its PES, a binary fix on a PID no table names.
    perl -e 'sub pk { my ($pid, $p) = @_; substr(pack("CnC", 0x47, 0x4000 | $pid, 0x10) . $p . "\xff" x 184, 0, 188) }
        print pk(0, pack("H*", "0000b00d0001c100000001e10000000000")),
              pk(0x100, pack("H*", "0002b0120001c10000e101f00006e300f00000000000")),
              pk(0x300, "\0\0\1\xbd\0\0\x80\0\0\$GPRMC,120000,A,3539.516,N,13944.724,E,0.0,0.0,010124,,,A*00\r\n"),
              pk(0x301, "\0" x 24 . "ANE" . "\0" x 13);' >"$d/ts_data.bin"
    # A drone's subtitles: a cue with its fix, one without.
    { printf '1\r\n00:00:00,000 --> 00:00:00,033\r\n[iso: 100] [latitude: 35.658600] [longitude: 139.745400]\r\n\r\n'
      printf '2\r\n00:00:00,033 --> 00:00:00,066\r\nHOME\r\n'; } >"$d/subtitles.bin"
    # A bitmap whose colour profile, after its pixels, holds "GPS".
    perl -e 'my $info = pack("VVVvvVV", 124, 2, 1, 1, 24, 0, 8) . "\0" x 100;
        substr($info, 56, 4) = "DEBM"; substr($info, 112, 8) = pack("VV", 132, 6);
        my $b = $info . "\0" x 8 . "GPS 35"; print "BM", pack("VVV", 14 + length $b, 0, 138), $b;' >"$d/bmp.bin"
    # Exiv2's metadata file: its header, an Exif APP1 with a GPS IFD, EOI.
    printf '\xff\x01Exiv2\xff\xe1\x00\x34' >"$d/exv.bin"
    printf 'Exif\0\0II*\0\x08\0\0\0\x01\0\x25\x88\x04\0\x01\0\0\0\x1a\0\0\0\0\0\0\0' >>"$d/exv.bin"
    printf '\x01\0\x01\0\x02\0\x02\0\0\0N\0\0\0\0\0\0\0\xff\xd9' >>"$d/exv.bin"
    # Minolta's MRW: a PRD block, then a TTW block holding a TIFF with a GPS IFD.
    printf '\0MRM\0\0\0\x44\0PRD\0\0\0\x08\x01\x01\x01\x01\x01\x01\x01\x01\0TTW\0\0\0\x2c' >"$d/mrw.bin"
    printf 'MM\0*\0\0\0\x08\0\x01\x88\x25\0\x04\0\0\0\x01\0\0\0\x1a\0\0\0\0' >>"$d/mrw.bin"
    printf '\0\x01\0\x01\0\x02\0\0\0\x02N\0\0\0\0\0\0\0raw' >>"$d/mrw.bin"
    # An SVG drawing: a document type, metadata with a GPS property, a tiny
    # JPEG with a GPS IFD as base64 in lines, a font's data.
    { printf '<?xml version="1.0"?>\n<!DOCTYPE svg [ <!ENTITY a "b"> ]>\n<svg xmlns:exif="http://ns.adobe.com/exif/1.0/">'
      printf '<metadata><rdf:Description exif:GPSLatitude="35,39.5N"/></metadata><image href="data:image/jpeg;base64,'
      printf '\xff\xd8\xff\xe1\x00\x34Exif\0\0II*\0\x08\0\0\0\x01\0\x25\x88\x04\0\x01\0\0\0\x1a\0\0\0\0\0\0\0' |
          cat - <(printf '\x01\0\x01\0\x02\0\x02\0\0\0N\0\0\0\0\0\0\0\xff\xd9') | base64 -w 40
      printf '"/><style>src:url(data:font/woff2;base64,d09GMiBHUFM=)</style></svg>\n'; } >"$d/svg.bin"
    # The same drawing gzipped, under a file name.
    gzip -c "$d/svg.bin" >"$d/svgz.bin"
    # Apple's photo adjustments: a property list, its edits compressed in <data>.
    { printf '<?xml version="1.0"?>\n<plist version="1.0"><dict><key>adjustmentData</key><data>\n'
      printf 'bplist00 GPS 35.6586 N' | perl -MCompress::Zlib -e 'local $/; print compress(<STDIN>)' | base64 -w 20
      printf '</data><key>adjustmentFormatIdentifier</key><string>com.apple.photo</string></dict></plist>\n'; } >"$d/aae.bin"
    # A PDF: a JPEG with a GPS IFD (its length by reference), compressed
    # XMP, an object stream, an update after the first end.
    perl -MCompress::Zlib -e 'my $tiff = "II*\0" . pack("VvvvVV", 8, 1, 0x8825, 4, 1, 26) . pack("V", 0) .
            pack("vvvVa4V", 1, 1, 2, 2, "N", 0);
        my $jpeg = "\xff\xd8\xff\xe1" . pack("n", 8 + length $tiff) . "Exif\0\0" . $tiff . "\xff\xd9";
        my $xmp = compress("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:Description xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" exif:GPSLatitude=\"1\"/></x:xmpmeta>");
        my $objs = compress("<< /Title (GPS) >>");
        print "%PDF-1.7\n1 0 obj\n<< /Filter [/DCTDecode] /Length 2 0 R >>\nstream\n$jpeg\nendstream\nendobj\n",
              "2 0 obj ", length $jpeg, " endobj\n3 0 obj << /Type /Metadata /Filter /FlateDecode /Length ", length $xmp,
              " >>\nstream\n$xmp\nendstream\nendobj\n4 0 obj << /Type /ObjStm /Filter /FlateDecode >> stream\r\n$objs",
              "\r\nendstream endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n5 0 obj << >> endobj\n%%EOF\n";' >"$d/pdf.bin"
    # Sigma's X3F (a JPEG preview with a GPS IFD, UTF-16 properties, the
    # directory), Canon's CRW (the JPEG, a heap holding a name, recipe data
    # with XMP after the heap) and a JPEG followed by such recipe data.
    perl -e 'my $jpeg = "\xff\xd8\xff\xe1\x00\x34Exif\0\0II*\0" . pack("VvvvVV", 8, 1, 0x8825, 4, 1, 26) .
            pack("V", 0) . pack("vvvVa4V", 1, 1, 2, 2, "N", 0) . "\xff\xd9";
        my $x = "<rdf:Description xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" exif:GPSLatitude=\"35,39.5N\"/>";
        my $xmp = pack("NN", 0xFFFF00F6, length $x) . $x;
        sub vrd { my ($b, $last) = @_; my $sig = "CANON OPTIONAL DATA\0"; my $f = $sig . pack("N", length $b);
            $f .= "\0" x (64 - length($f) - length($last)); $sig . "\0\1\0\0" . pack("N", length $b) . $b . $f . $last }
        my $hdr = "FOVb" . pack("V", 0x00020003) . "\0" x 96;
        my $ima = "SECi" . pack("V6", 0x00020000, 2, 18, 1, 1, 0) . $jpeg;
        my $prop = "SECp" . pack("V6", 0x00020000, 1, 0, 0, 0, 9) . join("", map { "$_\0" } split //, "CAMMANUF\0SIGMA\0");
        my ($ja, $pa) = (length $hdr, length($hdr) + length $ima);
        open(my $o, ">", "$ARGV[0]/x3f.bin"); print $o $hdr, $ima, $prop, "SECd", pack("VV", 0x00020000, 2),
            pack("VVa4VVa4V", $ja, length $ima, "IMA2", $pa, length $prop, "PROP", $pa + length $prop);
        my $sub = "Tamlix" . "\0" x 26 . pack("vvVV", 1, 0x0810, 32, 0) . pack("V", 32);
        my $heap = $jpeg . $sub; my $dir = length $heap;
        $heap .= pack("vvVVvVVV", 2, 0x2007, length $jpeg, 0, 0x300a, length $sub, length $jpeg, $dir);
        open($o, ">", "$ARGV[0]/crw.bin");
        print $o "II", pack("V", 26), "HEAPCCDR", pack("V", 0x00010002), "\0" x 8, $heap, vrd($xmp, pack("V", $dir));
        open($o, ">", "$ARGV[0]/jpeg_vrd.bin"); print $o $jpeg, vrd($xmp, "\xff\xd9");' "$d"
    # A JPEG whose Exif thumbnail holds a GPS IFD of its own, with Exif among
    # Photoshop's image resources and a comment holding a coordinate string.
    perl -e 'my $tiff = "II*\0" . pack("VvvvVV", 8, 1, 0x8825, 4, 1, 26) . pack("V", 0) . pack("vvvVa4V", 1, 1, 2, 2, "N", 0);
        my $thumb = "\xff\xd8\xff\xe1" . pack("n", 8 + length $tiff) . "Exif\0\0" . $tiff . "\xff\xd9";
        my $ifds = "II*\0" . pack("VvV", 8, 0, 14) . pack("v", 2) . pack("vvVV", 0x201, 4, 1, 44) .
            pack("vvVV", 0x202, 4, 1, length $thumb) . pack("V", 0) . $thumb;
        my $irb = "Photoshop 3.0\0" . "8BIM" . pack("nnN", 0x0422, 0, length $tiff) . $tiff;
        sub seg { "\xff" . chr($_[0]) . pack("n", 2 + length $_[1]) . $_[1] }
        print "\xff\xd8", seg(0xE1, "Exif\0\0" . $ifds), seg(0xED, $irb), seg(0xFE, "at +35.6586+139.7454/"), "\xff\xd9";' \
        >"$d/jpeg_segments.bin"
    # A ZIP archive: a JPEG with a GPS IFD stored, the same deflated with its
    # sizes in a descriptor after it, a note naming a position.
    perl -MCompress::Zlib -e 'my $tiff = "II*\0" . pack("VvvvVV", 8, 1, 0x8825, 4, 1, 26) . pack("V", 0) .
            pack("vvvVa4V", 1, 1, 2, 2, "N", 0);
        my $jpeg = "\xff\xd8\xff\xe1" . pack("n", 8 + length $tiff) . "Exif\0\0" . $tiff . "\xff\xd9";
        my ($d, $st) = deflateInit(-WindowBits => -15); my ($a) = $d->deflate($jpeg); my ($b) = $d->flush();
        my ($out, $dir) = ("", "");
        for my $e (["a.jpg", $jpeg, $jpeg, 0, 0], ["b.jpg", $jpeg, $a . $b, 8, 8], ["c.txt", "latitude: 35.6586", "latitude: 35.6586", 0, 0]) {
            my ($name, $data, $packed, $method, $flags) = @$e;
            my $sizes = pack("VVV", crc32($data), length $packed, length $data);
            my $fields = pack("vvV", $flags, $method, 0);
            $dir .= pack("Vvv", 0x02014B50, 20, 20) . $fields . $sizes . pack("vvvvvVV", length $name, 0, 0, 0, 0, 0, length $out) . $name;
            $out .= pack("Vv", 0x04034B50, 20) . $fields . ($flags ? "\0" x 12 : $sizes) . pack("vv", length $name, 0) .
                $name . $packed . ($flags ? pack("V", 0x08074B50) . $sizes : "");
        }
        print $out, $dir, pack("VvvvvVVv", 0x06054B50, 0, 0, 3, 3, length $dir, length $out, 0);' >"$d/zip.bin"
    # A tar archive holding the JPEG with a GPS IFD and a note, and the same gzipped.
    perl -e 'my $tiff = "II*\0" . pack("VvvvVV", 8, 1, 0x8825, 4, 1, 26) . pack("V", 0) . pack("vvvVa4V", 1, 1, 2, 2, "N", 0);
        my $jpeg = "\xff\xd8\xff\xe1" . pack("n", 8 + length $tiff) . "Exif\0\0" . $tiff . "\xff\xd9";
        for my $m (["a.jpg", $jpeg], ["n.txt", "Lat: 35.6586"]) {
            my ($name, $data) = @$m;
            my $h = pack("a100a8a8a8a12a12a8a1a100a6a2", $name, "0000644", "", "", sprintf("%011o", length $data), "", " " x 8, "0", "", "ustar", "00");
            $h .= "\0" x (512 - length $h); my $sum = unpack("%32C*", $h);
            substr($h, 148, 8) = sprintf("%06o\0 ", $sum);
            print $h, $data, "\0" x ((512 - length($data) % 512) % 512);
        }
        print "\0" x 1024;' >"$d/tar.bin"
    gzip -c "$d/tar.bin" >"$d/tgz.bin"
    # A fuzz find: an APP1 segment read as XMP for its <exif: alone, whose
    # bytes were used after reads that may give their pages back.
    hexfile "$d/paged_xmp.bin" "ffd8fe00630000000c6a50201e6a70326801000000000000c8000025ffd8ffe1007e686f783a786d706f62652e63c26f7800000000000000
        000000000000000044757569644a546966706766457869662d3eb6aa3249492a00080000000100258804ffffffffffffffffffffffffffff
        ffffff0200020000004e0000000000000000000045786d6c203c783a786d706d6574613e3c657869663a47505341746c6974756b6b6b6b6b
        6b6b6b6b6bcb27ffbb"
    # JSON as a photo service's sidecar and a metadata tool write it.
    printf '{"geoData": {"latitude": 35.6586, "longitudeE7": [1397454000, "x"]}, "GPS:GPSLatitudeRef": "N",\n' >"$d/json.bin"
    printf ' "note": "GPS on", "where": "+35.6586+139.7454/", "ok": [true, false, null, -1.5e3]}\n' >>"$d/json.bin"
    # XML text: a track, a clip's metadata (items named by an attribute), a
    # property list, a feed's point, a comment; and the clip metadata in a
    # movie's xml box.
    printf '<?xml version="1.0"?>\n<!-- GPS on --><gpx><trkpt lat="35.6586" lon="139.7454"><ele>4</ele></trkpt>\n' >"$d/xml.bin"
    printf '<Group name="ExifGPS"><Item name="Latitude" value="35:39:30"/></Group><plist><dict><key>lat</key>' >>"$d/xml.bin"
    printf '<real>35.6</real></dict></plist><georss:point>35.6 139.7</georss:point><![CDATA[+35.6586+139.7454/]]>' >>"$d/xml.bin"
    printf '<city>Tokyo</city></gpx><?pi x?>\n' >>"$d/xml.bin"
    perl -e 'sub box { pack("N", 8 + length $_[1]) . $_[0] . $_[1] }
        my $x = q(<M><Group name="ExifGPS"><Item name="Latitude" value="35:39:30"/></Group></M>);
        print box("ftyp", "isom\0\0\0\0isom"), box("moov", box("meta", "\0" x 4 . box("hdlr", "\0" x 8 . "nrtm" . "\0" x 13) .
              box("xml ", "\0" x 4 . $x)));' >"$d/movie_xml.bin"
    # A JPEG holding a JPEG with a GPS IFD as base64 in its XMP (a portrait's
    # original), and the same as a JSON value with escaped slashes and as a
    # data URI in XML text.
    perl -MMIME::Base64 -e 'my $tiff = "II*\0" . pack("VvvvVV", 8, 1, 0x8825, 4, 1, 26) . pack("V", 0) .
            pack("vvvVa4V", 1, 1, 2, 2, "N", 0);
        my $jpeg = "\xff\xd8\xff\xe1" . pack("n", 8 + length $tiff) . "Exif\0\0" . $tiff . "\xff\xd9";
        my $b = encode_base64($jpeg); (my $j = encode_base64($jpeg, "")) =~ s|/|\\/|g;
        my $x = "<x:xmpmeta><rdf:Description GImage:Data=\"$b\"/></x:xmpmeta>";
        open(my $o, ">", "$ARGV[0]/xmp_picture.bin");
        print $o "\xff\xd8\xff\xe1", pack("n", 31 + length $x), "http://ns.adobe.com/xap/1.0/\0", $x, "\xff\xd9";
        open($o, ">", "$ARGV[0]/json_picture.bin"); print $o "{\"thumb\": \"$j\"}";
        open($o, ">", "$ARGV[0]/xml_picture.bin"); print $o "<kml><href>data:image/jpeg;base64,$b</href></kml>";' "$d"
    # A Mac's AppleDouble file: an attribute holding a sidecar's JSON, a
    # comment naming a fix, then a resource fork.
    perl -e 'my @a = (["com.example.where", "{\"latitude\": 35.6586}"], ["kMDItemComment", "GPS 35.6586 N"]);
        my ($list, $vals) = ("", ""); my $len = 0; $len += int((11 + length($_->[0]) + 1 + 3) / 4) * 4 for @a;
        my $at = 50 + 34 + 36 + $len;
        for (@a) { my $e = pack("NNnC", $at, length $_->[1], 0, 1 + length $_->[0]) . $_->[0] . "\0";
                   $list .= $e . "\0" x ((4 - length($e) % 4) % 4); $vals .= $_->[1]; $at += length $_->[1]; }
        my $info = "\0" x 34 . "ATTR" . "\0" x 30 . pack("n", scalar @a) . $list . $vals;
        print pack("NN", 0x00051607, 0x00020000), "Mac OS X        ", pack("n", 2), pack("NNN", 9, 50, length $info),
              pack("NNN", 2, 50 + length $info, 8), $info, "fork GPS";' >"$d/appledouble.bin"
    # An icon: a bitmap, then a PNG whose eXIf holds a GPS IFD.
    perl -MCompress::Zlib -e 'sub ch { pack("N", length $_[1]) . $_[0] . $_[1] . pack("N", crc32($_[0] . $_[1])) }
        my $tiff = "II*\0" . pack("VvvvVV", 8, 1, 0x8825, 4, 1, 26) . pack("V", 0) . pack("vvvVa4V", 1, 1, 2, 2, "N", 0);
        my $png = "\x89PNG\r\n\x1a\n" . ch("IHDR", pack("NNCCCCC", 1, 1, 8, 0, 0, 0, 0)) . ch("eXIf", $tiff) . ch("IEND", "");
        my $bmp = pack("V", 40) . "\0" x 36;
        print pack("vvv", 0, 1, 2), pack("CCCCvvVV", 1, 1, 0, 0, 1, 32, length $bmp, 38),
              pack("CCCCvvVV", 1, 1, 0, 0, 1, 32, length $png, 38 + length $bmp), $bmp, $png;' >"$d/ico.bin"
    # A bare JPEG XL codestream, then Exif and a clip's box header.
    printf '\xff\x0a\xcb\xf0\x93\x50ZZZZExif\0\0MM\0*\0\0\0\x08\0\0\0\0\0\x18ftypisom\0\0\0\0isom' >"$d/codestream.bin"
    # A PSD whose layer section holds a smart object: the tiny one, placed.
    [ -f "$f" ] && perl -e 'local $/; my $j = <STDIN>;
        my $rec = "liFD" . pack("N", 7) . "\x05a1b2c" . pack("N", 1) . "\0xJPEG8BIM" . pack("NN", 0, length $j) . "\0" .
                  $j . "\0" x 13;
        my $blk = pack("NN", 0, length $rec) . $rec . "\0" x ((4 - length($rec) % 4) % 4);
        my $sec = pack("NN", 0, 0) . "8BIMlnk2" . pack("N", length $blk) . $blk;
        print "8BPS\0\x01", "\0" x 6, pack("nNNnn", 3, 1, 1, 8, 3), pack("NN", 0, 0), pack("N", length $sec), $sec,
              "\0" x 5;' <"$f" >"$d/psd_smart.bin"
    # A Matroska file: a cluster, tags under a CRC-32 (a LOCATION string, a
    # nested ISO6709 tag), the tiny one attached, a seek index.
    [ -f "$f" ] && perl -MCompress::Zlib -e 'local $/; my $j = <STDIN>;
        sub el { my ($id, $d) = @_; pack("H*", $id) . "\x01" . substr(pack("Q>", length $d), 1) . $d }
        sub crc { my ($id, $d) = @_; el($id, el("bf", pack("V", crc32($d))) . $d) }
        sub st { el("67c8", el("45a3", $_[0]) . el("4487", $_[1]) . ($_[2] // "")) }
        my $tags = crc("1254c367", el("7373", el("63c0", "") . st("LOCATION", "+35.6586+139.7454/",
                                                               st("ISO6709", "+35.6586+139.7454/"))));
        my $att = crc("1941a469", el("61a7", el("466e", "a.jpg") . el("465c", $j)));
        my $seek = el("114d9b74", el("4dbb", el("53ab", "\x12\x54\xc3\x67") . el("53ac", pack("Q>", 0))));
        print el("1a45dfa3", el("4282", "webm")), el("18538067", $seek . el("1f43b675", el("a3", "GPS")) . $tags . $att);' \
        <"$f" >"$d/matroska.bin"
    # A Matroska clip with text tracks: a caption in a block group under the
    # cluster's CRC-32, a laced block, and a zlib-compressed track.
    perl -MCompress::Zlib -e 'sub el { my ($id, $d) = @_; pack("H*", $id) . "\x01" . substr(pack("Q>", length $d), 1) . $d }
        sub crc { my ($id, $d) = @_; el($id, el("bf", pack("V", crc32($d))) . $d) }
        sub track { el("ae", el("d7", chr $_[0]) . el("83", chr $_[1]) . el("86", $_[2]) . ($_[3] // "")) }
        my $cap = "GPS (139.7454, 35.6586, 19)";
        my $tracks = el("1654ae6b", track(1, 1, "V_VP9") . track(2, 0x11, "S_TEXT/UTF8") .
                                    track(3, 0x11, "S_TEXT/ASS", el("6d80", el("6240", el("5034", el("4254", "\0"))))));
        my $cluster = crc("1f43b675", el("e7", "\0") . el("a3", "\x81\0\0\x80GPS") .
                          el("a0", el("a1", "\x82\0\0\0" . $cap) . el("9b", "\x05")) .
                          el("a3", "\x82\0\0\x02\x01\x03abc" . $cap) . el("a3", "\x83\0\0\0" . compress($cap)));
        print el("1a45dfa3", el("4282", "matroska")), el("18538067", $tracks . $cluster);' >"$d/matroska_text.bin"
    # A JPEG 2000 file: Exif in its uuid box, an xml box, a codestream.
    perl -e 'sub box { pack("N", 8 + length $_[1]) . $_[0] . $_[1] }
        my $tiff = "II*\0" . pack("VvvvVV", 8, 1, 0x8825, 4, 1, 26) . pack("V", 0) . pack("vvvVa4V", 1, 1, 2, 2, "N", 0);
        print box("jP  ", "\r\n\x87\n"), box("ftyp", "jp2 \0\0\0\0jp2 "), box("jp2h", box("ihdr", "\0" x 14)),
              box("uuid", "JpgTiffExif->JP2" . $tiff), box("xml ", "<x:xmpmeta><exif:GPSAltitude>1</exif:GPSAltitude></x:xmpmeta>"),
              box("jp2c", "\xff\x4f\xff\x51");' >"$d/jp2.bin"
    # Two pictures one after the other, the second with an XMP GPS attribute,
    # and text after the end.
    { printf '\xff\xd8\xff\xd9\xff\xd8\xff\xe1\x00\x7ehttp://ns.adobe.com/xap/1.0/\0'
      printf "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:Description xmlns:exif='http://ns.adobe.com/exif/1.0/' exif:GPSLatitude='1'/>"
      printf '</x:xmpmeta>\xff\xd9GPS'; } >"$d/appended_xmp.bin"
    # After a picture: a coordinate string; a video's ftyp box (a motion
    # photo); Samsung's trailer. A PNG and a TIFF header as whole files.
    printf '\xff\xd8\xff\xd9junk +35.6586+139.7454/' >"$d/iso6709.bin"
    printf '\xff\xd8\xff\xd9\0\0\0\x18ftypisom\0\0\0\0isommp42\0\0\0\x08free' >"$d/motion.bin"
    printf '\xff\xd8\xff\xd9MotionPhoto_DataSEFH\x6a\0\0\0\x01\0\0\0\0\0\x30\x0a\x14\0\0\0\x10\0\0\0\x18\0\0\0SEFT' >"$d/sef.bin"
    printf '\x89PNG\r\n\x1a\n\0\0\0\0IEND\xae\x42\x60\x82' >"$d/png.bin"
    printf 'II*\0\x08\0\0\0\0\0' >"$d/tiff.bin"
    # A picture, then a WebP whose EXIF chunk's GPS IFD runs over the TIFF
    # header that a reader of the head's first "Exif" takes (found by fuzzing).
    hexfile "$d/window_view.bin" "ffd8ff000204007a4e000073dcffff01011100ffd952494646f800000057454250565038580a0000000800000000000000000045584946da
        00000049492a000800000003000f01020004000000004342a4010000000000000074000000258804000100000032000000001c0000020000
        000500013f000200ffd8ffe1013245786966000049492a000800000003000f010200040002000043c0be963d040001000000450000000400
        0500457869660000520000aa0000006874740000000045584946da00000049492a000800000003000f010200040000000043428300000000
        0000000074000000258804000100000032000000001c49492a0000000500013f000200020000004e00000002009600ff34ff0056ff89504e
        470d0a1a0a0000001804000000000003020000000001007c2c010000240003fe0000000000ff000001000000000000000000000000"
    # Ogg: a Vorbis stream whose comment packet crosses two pages (a
    # location, a GPS comment), pages with their CRCs; a FLAC file with a
    # comment block and a picture block holding the tiny photo.
    perl -e 'sub crc { my $c = 0; for my $b (unpack "C*", $_[0]) { $c ^= $b << 24;
                 for (1 .. 8) { $c = $c & 0x80000000 ? (($c << 1) ^ 0x04C11DB7) & 0xFFFFFFFF : ($c << 1) & 0xFFFFFFFF } }
                 $c }
        sub page { my ($flags, $data, $open) = @_; my $n = length $data; my $lacing = "\xff" x int($n / 255);
                   $lacing .= chr($n % 255) unless $open;
                   my $p = "OggS\0" . chr($flags) . "\0" x 8 . pack("VVV", 7, 0, 0) . chr(length $lacing) . $lacing . $data;
                   substr($p, 22, 4) = pack("V", crc($p)); $p }
        my @c = ("TITLE=" . "x" x 210, "LOCATION=+35.6586+139.7454/", "COMMENT=GPS on");
        my $com = "\x03vorbis" . pack("V", 4) . "Lavf" . pack("V", scalar @c) . join("", map { pack("V", length) . $_ } @c) . "\x01";
        print page(2, "\x01vorbis" . "\0" x 23), page(0, substr($com, 0, 255), 1), page(1, substr($com, 255)),
              page(4, "GPS sound");' >"$d/ogg.bin"
    [ -f "$f" ] && perl -e 'local $/; my $j = <STDIN>;
        sub blk { my ($t, $d) = @_; chr($t) . substr(pack("N", length $d), 1) . $d }
        my $vc = pack("V", 4) . "Lavf" . pack("V", 1) . pack("V", 27) . "LOCATION=+35.6586+139.7454/";
        my $pic = pack("NN", 3, 10) . "image/jpeg" . pack("N", 0) . "\0" x 16 . pack("N", length $j) . $j;
        print "fLaC", blk(0, "\0" x 34), blk(4, $vc), blk(0x86, $pic), "GPS frames";' <"$f" >"$d/flac.bin"
    # FLV: a picture tag, onMetaData with a location string, a latitude and
    # a nested object; onXMPData; a tag cut short.
    perl -e 'sub s2 { pack("n", length $_[0]) . $_[0] } sub str { "\x02" . s2($_[0]) }
        sub tag { my ($t, $d) = @_; chr($t) . substr(pack("N", length $d), 1) . "\0" x 7 . $d . pack("N", 11 + length $d) }
        my $meta = str("onMetaData") . "\x08" . pack("N", 3) . s2("location") . str("+35.6586+139.7454/") .
            s2("latitude") . "\0" . pack("d>", 35.6586) . s2("gps") . "\x03" . s2("lon") . "\0" . pack("d>", 139.7) .
            "\0\0\x09\0\0\x09";
        my $xmp = str("onXMPData") . "\x08" . pack("N", 1) . s2("liveXML") . str("<x:xmpmeta><rdf:Description " .
            "xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" exif:GPSLatitude=\"35,39.5N\"/></x:xmpmeta>") . "\0\0\x09";
        print "FLV\x01\x05", pack("NN", 9, 0), tag(9, "GPS frame"), tag(18, $meta), tag(18, $xmp),
            substr(tag(18, str("+35.6586+139.7454/")), 0, 20);' >"$d/flv.bin"
    # ID3: FFmpeg's location (TXXX), a UTF-16 title, a cover photo, a
    # compressed frame; the sound; ID3v1 at the end.
    [ -f "$f" ] && perl -e 'local $/; my $j = <STDIN>;
        sub ss { my $n = shift; pack("C4", $n >> 21 & 127, $n >> 14 & 127, $n >> 7 & 127, $n & 127) }
        sub fr { my ($id, $d, $fl) = @_; $id . ss(length $d) . pack("n", $fl // 0) . $d }
        my $t = fr("TXXX", "\x03location\0+35.6586+139.7454/") .
            fr("TIT2", "\x01\xff\xfe" . join("", map { "$_\0" } split //, "Latitude: 35.6586")) .
            fr("APIC", "\0image/jpeg\0\x03\0" . $j) . fr("TXXX", "\x03gps\0" . "x" x 9, 8) . "\0" x 16;
        print "ID3\x04\0\0", ss(length $t), $t, "\xff\xfb\x90\0 GPS", "TAG", "+35.6586+139.7454/", "\0" x 107;' \
        <"$f" >"$d/id3.bin"
    # ASF: the content description's title, FFmpeg's location attribute, a
    # cover photo (WM/Picture), a position's number in a metadata library
    # record inside the header extension; the data; XMP after it.
    [ -f "$f" ] && perl -e 'local $/; my $j = <STDIN>;
        sub g { pack("VvvC8", hex $_[0], hex $_[1], hex $_[2], map { hex } unpack("(A2)8", $_[3])) }
        sub w { join("", map { "$_\0" } split //, $_[0]) . "\0\0" }
        sub obj { g(@_[0 .. 3]) . pack("Q<", 24 + length $_[4]) . $_[4] }
        sub at { my ($n, $t, $v) = @_; pack("v", length w($n)) . w($n) . pack("vv", $t, length $v) . $v }
        my $title = w("GPS 35.6586 139.7454");
        my $cd = obj("75B22633", "668E", "11CF", "A6D900AA0062CE6C", pack("v5", length $title, 0, 0, 0, 0) . $title);
        my $ecd = obj("D2D0A440", "E307", "11D2", "97F000A0C95EA850", pack("v", 2) . at("location", 0,
            w("+35.6586+139.7454/")) . at("WM/Picture", 1, "\x03" . pack("V", length $j) . w("image/jpeg") . w("") . $j));
        my $rec = pack("vvvvV", 0, 0, length w("WM/Latitude"), 4, 8) . w("WM/Latitude") . pack("Q<", 356586);
        my $lib = obj("44231C94", "9498", "49D1", "A1411D134E457054", pack("v", 1) . $rec);
        my $ext = obj("5FBF03B5", "A92E", "11CF", "8EE300C00C205365", "\0" x 16 . pack("vV", 6, length $lib) . $lib);
        my $kids = $cd . $ecd . $ext;
        print g("75B22630", "668E", "11CF", "A6D900AA0062CE6C"), pack("Q<VCC", 30 + length $kids, 3, 1, 2), $kids,
            obj("75B22636", "668E", "11CF", "A6D900AA0062CE6C", "\0" x 26 . "GPS +35.6586+139.7454/"),
            obj("BE7ACFCB", "97A9", "42E8", "9C71999491E3AFAC", "<x:xmpmeta><rdf:Description " .
                "xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" exif:GPSLatitude=\"35,39.5N\"/></x:xmpmeta>");' \
        <"$f" >"$d/asf.bin"
    # Bare MP3 frames (no tag before them), then ID3v1 naming a position.
    perl -e 'my $f = "\xff\xfb\x90\0GPS +35.6586+139.7454/"; $f .= "\0" x (417 - length $f);
        print $f x 3, "TAG", "Lat: 35.6586", " " x 82, "+35.6586+139.7454/", "\0" x 12, "\x0c";' >"$d/bare_mp3.bin"
    # WavPack: a block, then an APE tag (header, FFmpeg's location, a
    # cover that is the tiny one, footer).
    [ -f "$f" ] && perl -e 'local $/; my $j = <STDIN>;
        sub item { my ($k, $v, $fl) = @_; pack("VV", length $v, $fl // 0) . $k . "\0" . $v }
        my $items = item("title", "Walk") . item("location", "+35.6586+139.7454/") .
            item("Cover Art (Front)", "cover.jpg\0" . $j, 2);
        sub part { "APETAGEX" . pack("VVVV", 2000, length($items) + 32, 3, $_[0]) . "\0" x 8 }
        print "wvpk", pack("V", 24), "\0" x 24, "GPS +35.6586+139.7454/", part(0xA0000000), $items,
            part(0x80000000);' <"$f" >"$d/wavpack.bin"
    # AIFF: a title naming a coordinate, a comment, the sound, FFmpeg's ID3
    # chunk; CAF: the information chunk's location, the audio data to the end.
    perl -e 'sub ck { my ($id, $d) = @_; $id . pack("N", length $d) . $d . ("\0" x (length($d) % 2)) }
        my $id3 = "\x03location\0+35.6586+139.7454/";
        $id3 = "TXXX" . pack("N", length $id3) . "\0\0" . $id3;
        my $b = "AIFF" . ck("COMM", "\1" x 18) . ck("NAME", "Lat: 35.6586") .
            ck("COMT", pack("nNnn", 1, 0, 0, 7) . "35.6586") . ck("SSND", "GPS sound") .
            ck("ID3 ", "ID3\x04\0\0" . pack("N", length $id3) . $id3);
        print "FORM", pack("N", length $b), $b;' >"$d/aiff.bin"
    perl -e 'sub ck { $_[0] . pack("Q>", length $_[1]) . $_[1] }
        print "caff\0\x01\0\0", ck("desc", "\1" x 32),
            ck("info", pack("N", 2) . "title\0Walk\0location\0+35.6586+139.7454/\0"),
            "data", "\xff" x 8, "GPS +35.6586+139.7454/";' >"$d/caf.bin"
}

# The same files as the locator's: what is read lazily is what it walks.
seed_fuzz_lazyread() { seed_fuzz_locator "$@"; }

# Files of tests/support/ContainerBuilder with a one-entry GPS IFD: a HEIC
# whose Exif item lies in two extents stored last first, beside an XMP item
# and Samsung's mpvd clip; one whose item lies in idat, named by 32-bit IDs;
# a clip's location boxes and keys, Canon's CMT4 and an XMP uuid box; a
# JPEG with Samsung's trailer holding a clip after its mpv2 header; a
# dashcam's clip whose moov/gps lists two GPS blocks in mdat; a clip whose
# subtitle track (tx3g) captions each frame with its fix; a clip with
# Insta360's trailer (a preview and a GPS record); a clip with Sony's rtmd
# track holding GPS items; a JPEG whose
# head shows a reader a GPS IFD no walk takes apart, which a strip of
# another GPS IFD would turn into one holding values.
seed_fuzz_isobmff() {
    local d=$1
    hexfile "$d/heic.bin" "000000186674797068656963000000006d69663168656963000000b96d657461000000000000002168646c72000000000000000070696374
        000000000000000000000000000000004c69696e6600000000000200000015696e66650200000000010000457869660000000029696e6665
        02000000000200006d696d65006170706c69636174696f6e2f7264662b786d6c0000000040696c6f63010000004440000200010000000000
        0000d90002000000180000001800000000000000180002000000000000010900010000000000000082000000ba6d64617400000000000001
        0001000200020000004e000000000000000000000049492a0008000000010025880400010000001a003c783a786d706d65746120786d6c6e
        733a783d2761646f62653a6e733a6d6574612f273e3c7264663a4465736372697074696f6e20786d6c6e733a657869663d27687474703a2f
        2f6e732e61646f62652e636f6d2f657869662f312e302f2720657869663a4750534c617469747564653d2731272f3e3c2f783a786d706d65
        74613e000000646d7076640000001c6674797069736f6d0000000069736f6d69736f326d703431000000126d6461740000000209f0ffd925
        b80000002e6d6f6f7600000026756474610000001ea978797a001215c72b33352e363538362b3133392e373435342f"
    hexfile "$d/idat.bin" "000000186674797068656963000000006d69663168656963000000bc6d657461000000000000002168646c72000000000000000070696374
        000000000000000000000000000000002569696e6600000000000100000017696e66650300000000010001000045786966000000002c696c
        6f630200000048040000000100010001000100000001000000000000000000000000000000360000003e6964617400000006457869660000
        49492a0008000000010025880400010000001a00000000000000010001000200020000004e00000000000000000000086d646174"
    hexfile "$d/mp4.bin" "0000001c6674797069736f6d0000000069736f6d69736f326d703431000000126d6461740000000209f0ffd925b8000001226d6f6f760000
        00ac756474610000001ea978797a001215c72b33352e363538362b3133392e373435342f000000276c6f63690000000015c7486f6d650000
        008bb3330023999900280000656172746800000000005f6d657461000000000000002168646c7200000000000000006d6469726170706c00
        000000000000000000000032696c73740000002aa978797a000000226461746100000001000000002b33352e363538362b3133392e373435
        342f0000002e7472616b00000026756474610000001ea978797a001215c72b33352e363538362b3133392e373435342f0000004075756964
        85c0b687820f11e08111f4ce462b6a4800000028434d543449492a0008000000010001000200020000004e00000000000000000000000000
        0000009a75756964be7acfcb97a942e89c71999491e3afac3c783a786d706d65746120786d6c6e733a783d2761646f62653a6e733a6d6574
        612f273e3c7264663a4465736372697074696f6e20786d6c6e733a657869663d27687474703a2f2f6e732e61646f62652e636f6d2f657869
        662f312e302f2720657869663a4750534c617469747564653d2731272f3e3c2f783a786d706d6574613e"
    # QuickTime's compressed movie header: a zlib stream of a moov box whose udta holds ©xyz.
    perl -MCompress::Zlib -e 'sub box { pack("N", 8 + length $_[1]) . $_[0] . $_[1] }
        my $movie = box("moov", box("udta", box("\xa9xyz", pack("nn", 18, 0x15c7) . "+35.6586+139.7454/")));
        print box("ftyp", "qt  \0\0\0\0qt  "), box("mdat", "\0" x 8),
              box("moov", box("cmov", box("dcom", "zlib") . box("cmvd", pack("N", length $movie) . compress($movie))));' \
        >"$d/cmov.bin"
    # A clip whose udta holds Fujifilm's MVTG: Exif IFDs without a header.
    hexfile "$d/mvtg.bin" "0000001466747970717420200000000071742020000000106d64617400000000000000000000007a6d6f6f7600000072756474610000006a
        4d56544711111111111111111111111111111111010025880400010000001200000000000000020001000200020000004e00000002000500
        030000003000000000000000230000000100000027000000010000001e0000000100000011111111111111111111"
    hexfile "$d/sef.bin" "ffd8ffc0000b080001000101011100ffda0008010100003f001234ff0056ffd0789affd90000300a100000004d6f74696f6e50686f746f5f
        446174616d707632000000000000001c6674797069736f6d0000000069736f6d69736f326d703431000000126d6461740000000209f0ffd9
        25b80000002e6d6f6f7600000026756474610000001ea978797a001215c72b33352e363538362b3133392e373435342f534546486a000000
        010000000000300a7c0000007c0000001800000053454654"
    hexfile "$d/dashcam.bin" "0000001c6674797069736f6d0000000069736f6d69736f326d703431000000886d646174000000406672656547505320244750524d432c31
        3230302c412c333533392e352c4e2c31333934342e372c450000000000000000000000000000000000000000000000406672656547505320
        244750524d432c31323031000000000000000000000000000000000000000000000000000000000000000000000000000000000000000030
        6d6f6f7600000028677073200000010100000003000000240000004000000000000000000000006400000040"
    hexfile "$d/captions.bin" "0000001c6674797069736f6d0000000069736f6d69736f326d703431000000426d646174001b47505320283133392e373435342c2033352e
        363538362c20323029001b4c61743a33352e36353836204c6f6e3a3133392e3734353420413a000001096d6f6f76000001017472616b0000
        005c746b68640000000000000000000000000000000100000000000000000000000000000000000000000000000000000000000000000000
        000000000000000000000000000000000000000000000000000000000000000000000000009d6d6469610000002168646c72000000000000
        00007362746c00000000000000000000000000000000746d696e660000006c7374626c000000207374736400000000000000010000001074
        78336700000000000000000000001c737473630000000000000001000000010000000200000001000000147374737a000000000000001d00
        000002000000147374636f000000000000000100000024"
    hexfile "$d/unlisted.bin" "0000001c6674797069736f6d0000000069736f6d69736f326d703431000001506d6461740707070707070707070707070707070707070707
        0707070707070707070707070000000000000000000000000000000000000000000000000000000000000000000000000000000000000080
        6672656547505320244750524d432c3132303030302c412c333533392e3531362c4e2c31333934342e3732342c4500000000000000000000
        0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000
        000000000000000000000000000000806672656547505320244750524d432c31323030303100000000000000000000000000000000000000
        0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000
        00000000000000000000000000000000000000000000000000000000000001096d6f6f76000001017472616b0000005c746b686400000000
        0000000000000000000000010000000000000000000000000000000000000000000000000000000000000000000000000000000000000000
        0000000000000000000000000000000000000000000000000000009d6d6469610000002168646c7200000000000000007669646500000000
        000000000000000000000000746d696e660000006c7374626c00000020737473640000000000000001000000106176633100000000000000
        000000001c737473630000000000000001000000010000000200000001000000147374737a00000000000000100000000200000014737463
        6f000000000000000100000024"
    hexfile "$d/gap_overlap.bin" "0000001c6674797069736f6d0000000069736f6d69736f326d703431000000886d646174000000406672656547505320244750524d432c31
        3230302c412c333533392e352c4e2c3133342e372c45000000000000002a0000000000000000000000000000004066726565475053202447
        50524d43302c3630300000000000000000000000000000000000000000000000000000000000000000000000000000000000000000306d6f
        6f7600000028677073200000000001010000000300000024000000400000000000ffffffffffffffffffffffffff00000000000064000000
        40"
    hexfile "$d/partial_list.bin" "0000001c6674797069736f6d0000000069736f6d69736f326d703431000000886d646174000000406672656547505320244750524d432c31
        3230302c412c333533392e352c4e2c31333934342e372c450000000000000000000000000000000000000000000000406672656547505320
        244750524d432c3132303100000000000000000000000000003d00f500000000000000000000000000000000000000000000000000000030
        6d6f6f7600000028677073200000010100000003000000240000004000000000000000000000000000000000000000000000000000000000
        0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000
        000000000000000000000000000000006400000040"
    hexfile "$d/mebx.bin" "0000001466747970717420200000000071742020000000506d6461740000000a6f72696500010000001a6c6b65792b33352e363538362b31
        33392e373435342f0000000a6f72696500010000001a6c6b65792b33352e363538362b3133392e373435342f000001a26d6f6f760000019a
        7472616b0000005c746b68640000000000000000000000000000000100000000000000000000000000000000000000000000000000000000
        00000000000000000000000000000000000000000000000000000000000000000000000000000000000001366d6469610000002168646c72
        00000000000000006d657461000000000000000000000000000000010d6d696e66000001057374626c000000b97374736400000000000000
        01000000a96d6562780000000000000001000000996b657973000000486c6b6579000000306b6579646d647461636f6d2e6170706c652e71
        7569636b74696d652e6c6f636174696f6e2e49534f3637303900000010647479700000000000000001000000496f726965000000316b6579
        646d647461636f6d2e6170706c652e717569636b74696d652e766964656f2d6f7269656e746174696f6e0000001064747970000000000000
        00010000001c737473630000000000000001000000010000000200000001000000147374737a000000000000002400000002000000147374
        636f00000000000000010000001c"
    # Cameras' own boxes: Nikon's tags with GPS fields, Ricoh's TIFF maker box.
    hexfile "$d/nikon.bin" "0000001466747970717420200000000071742020000000a46d6f6f760000009c75647461000000604e4344540000000c4e43484430313030
        0000004c4e43544700000001000200064e494b4f4e0001200001000200024e00012000020005000300000023000000010000002700000001
        00000c180000006400000011000200047800790000000034524d4b4e4d4d002a00000008000188250004000000010000001a000000000001
        00010002000000024e00000000000000"
    # Two TIFF headers in one unknown box, the first one's GPS table over the
    # second's GPS IFD: clearing that one changed what the first read (found
    # by fuzzing).
    hexfile "$d/two_tiffs_in_box.bin" "ffd8ffc0000b080001000101011100ffda0008010100003f001234ff0056ffd0789affd90000300a100000004d6f74696f6e50686f746f5f
        446174616d707632000000000000001c6674797069736f6d0000000069736f6d69736f326d703431000000126d6461740000000209f0ffd9
        25b80000002e6d6f6f7600000026756474610000001ea978797a001215c7ffffffffffffffffffff00000000000000000000000000ffffff
        ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffd0789affd9004578696600300a100000004d6f74
        69494955006f6e50686f746f5f446174616d7076320000000000000000001866747970686569630000ab72aaaaaaaaaaae55555549492a00
        08000000010025880400010000001a00000000000b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0ba8a8a8a8a8a8a8
        a8a8a8a8a8a8a8a8a8a8a8a8a8a8a80b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b07000000000061646f50686f746f5f
        b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2446174616d706d7076320000000000000000001866747970686569
        6300005555555555555555555549492a0008000000010025880400010000001a00000000000b0b0b0b3a00000b0b0b0b0b0b0b0b0b0b0b0b
        0b0b0b0b0b0b0b0b0b3d00010001ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff
        ffff2b33352e363538362bffffffffffff006b2f534546486a000000010000000000300a7c0000007c0000001800000053454654"
    hexfile "$d/djmd.bin" "000000146674797069736f6d0000000069736f6d0000006e6d6461740a150a130a116476746d5f776d323635652e70726f746f1a1a1a1822
        160a1408001141414141414141411942424242424242420a150a130a116476746d5f776d323635652e70726f746f1a1a1a1822160a140800
        114141414141414141194242424242424242000001096d6f6f76000001017472616b0000005c746b68640000000000000000000000000000
        0001000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000
        00000000000000000000000000000000009d6d6469610000002168646c7200000000000000006d6574610000000000000000000000000000
        0000746d696e660000006c7374626c0000002073747364000000000000000100000010646a6d6400000000000000000000001c7374736300
        00000000000001000000010000000200000001000000147374737a000000000000003300000002000000147374636f000000000000000100
        00001c"
    hexfile "$d/window_cut.bin" "ffd856ffd0789affd9004578696600300a100000004d6f746949814955006f6e50686f746f4900000000000000001c6674797069736f6d00
        00000069736f6d69736f346d703431000000886d6461740000004066726565475053202447a8524d452c313230302c412c33358149552e6f
        6e50686f746f5f446174ffffffffff8c000000ff49492a0000313230302c412c3335814955006f5b3c18746900010045786966000000002c
        6966000049492a0008000000010025880400010020001a0000000000000600086d789affd9004578696600300a100000004d6f7469498149
        55006f6e50686f746f4900000000000000001c6674797069736f6d0000000069736f6d69736f346d703431000000886d6461740000004066
        726565475053202447a8524d452c313230302c412c33358149552e6f6e50686f746f5f446174ffffffffff8c000000ff49492a0000313230
        302c412c3335814955006f5b3c18746900010045786966000000002c6966000049492a0008000000010025880400010020001a0000000000
        000600086d6461186674793f686569630000558d55555545555555555549492a0008000000010025880480656547505320244750524d432c
        2c336461186674793f686569630000558d55555545555555555549492a0008000000010025880480656547505320244750524d432c2c3335
        814955006f6e5068556f746f5f446174616d707632555555ffffffff555555ffff554938ffff49"
    hexfile "$d/insta360.bin" "0000001c6674797069736f6d0000000069736f6d69736f326d703431ffd8ffd900020400000040fd8a6400000000000041a3923a014dd441
        404e07ce1951da7761404500000000000000000000000000000000000000000000344041fd8a6400000000000041a3923a014dd441404e07
        ce1951da7761404500000000000000000000000000000000000000000000344000076a000000000000000000000000000000000000000000
        0000000000000000000000000000c2000000000000003864623432643639346363633431383739306564666634333966653032366266"
    hexfile "$d/rtmd.bin" "0000001c6674797069736f6d0000000069736f6d69736f326d703431000000c86d646174001c000000000000000000000000000000000000
        0000000000000000850100024e00850200180000002300000001000000270000000100000c1800000064850300024500850400180000008b
        000000010000002c00000001000010f800000064001c0000000000000000000000000000000000000000000000000000850100024e008502
        00180000002300000001000000270000000100000c1800000064850300024500850400180000008b000000010000002c00000001000010f8
        00000064000001ad6d6f6f760000006c6d766864000000000000000000000000000000010000000200000000000000000000000000000000
        0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000
        0000000000000000000001397472616b0000005c746b68640000000000000000000000000000000100000000000000000000000000000000
        00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000d5
        6d646961000000206d6468640000000000000000000000000000000100000002000000000000002168646c7200000000000000006d657461
        000000000000000000000000000000008c6d696e66000000847374626c000000207374736400000000000000010000001072746d64000000
        00000000000000001873747473000000000000000100000002000000010000001c7374736300000000000000010000000100000002000000
        01000000147374737a000000000000006000000002000000147374636f000000000000000100000024"
    hexfile "$d/window_gps.bin" "ffd8ffc0000b080001000101011100ffda0008010100003f001234ff0056ffd0789affd9004578696600300a100000004d6f746949495500
        6f6e50686f746f5f446174616d7076320000000000000000001866747970686569630000558d55555555555555555549492a000800000001
        0025880400010000001a00000000000b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b
        0b0b0b0b0b0b0b0b0b0b0b0b0b0b07000000000061646f50686f746f5fb2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2b2
        b2b2446174616d70763200000000000000000018667479706865696300005555555555555555555549492a00080000000100258804000100
        00001a00000000000b0b0b0b3a00000b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b3d00010001000200020000004e00000000000000
        000000086d001cffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"
    # Pentax's PENT in udta: "GPS_" at 0xC7, a latitude from 0xCF, a preview JPEG at 0x7D3.
    perl -e 'sub box { pack("N", 8 + length $_[1]) . $_[0] . $_[1] }
        my $p = "PENTAX" . "\0" x (0x7D3 - 6); substr($p, 0xC7, 10) = "GPS_\2\2\0\0N\0";
        substr($p, 0xD1, 8) = pack("VV", 35, 1); $p .= "\xff\xd8\xff\xd9";
        print box("ftyp", "qt  \0\0\0\0qt  "), box("moov", box("udta", box("PENT", $p)));' >"$d/pentax.bin"
    # Subtitle tracks (handler subt): WebVTT cues (a cue box, its id and
    # text) and ISO's simple text, each two samples naming a fix.
    perl -e 'sub box { pack("N", 8 + length $_[1]) . $_[0] . $_[1] } sub full { box($_[0], "\0\0\0\0" . $_[1]) }
        my $fix = "GPS (139.7454, 35.6586, 20)";
        for my $f (["wvtt", box("vttc", box("iden", "1") . box("payl", $fix))], ["sbtt", $fix]) {
            my ($fmt, $s) = @$f;
            my $stbl = box("stbl", full("stsd", pack("N", 1) . box($fmt, "\0" x 8)) . full("stsc", pack("N4", 1, 1, 2, 1)) .
                                   full("stsz", pack("NN", length $s, 2)) . full("stco", pack("NN", 1, 36)));
            my $trak = box("trak", full("tkhd", pack("N3", 0, 0, 1) . "\0" x 68) .
                                   box("mdia", full("hdlr", "\0\0\0\0subt" . "\0" x 13) . box("minf", $stbl)));
            open(my $o, ">", "$ARGV[0]/$fmt.bin"); binmode $o;
            print $o box("ftyp", "isom\0\0\0\0isomiso2mp41"), box("mdat", $s . $s), box("moov", $trak);
        }' "$d"
}

seed_fuzz_xmp() {
    local d=$1 ex='http://ns.adobe.com/exif/1.0/'
    # First byte: even = one main packet, odd < 0xF0 = extended XMP in
    # chunks, 0xF0 and up = FLIR segments. Real packets (attributes, elements),
    # their padding squeezed.
    xmp_from() {
        { printf '\0'; dd if="$src/tests/corpus/real/$1" iflag=skip_bytes,count_bytes skip="$2" count="$3" \
            bs=4096 status=none | tr -s ' \n'; } >"$d/$4"
    }
    [ -f "$src/tests/corpus/real/gps/nokia_lumia800_W.jpg" ] && xmp_from gps/nokia_lumia800_W.jpg 15676 8420 nokia_attrs.xml
    [ -f "$src/tests/corpus/real/gps/nikon_d5000_sec_den0.jpg" ] && xmp_from gps/nikon_d5000_sec_den0.jpg 10192 3909 d5000_elements.xml
    local body="<rdf:Description xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#' xmlns:e='$ex' e:GPSLatitude='1' e:Make='x'><e:GPSVersionID><rdf:Seq><rdf:li>2</rdf:li></rdf:Seq></e:GPSVersionID><GPSAltitude xmlns='$ex'/><e:gpsTrack rdf:parseType='Resource'><e:a>&amp;</e:a></e:gpsTrack><!-- c --><![CDATA[x]]></rdf:Description>"
    printf '\0<?xpacket begin="" id="x"?><x:xmpmeta xmlns:x="adobe:ns:meta/">%s</x:xmpmeta><?xpacket end="w"?>\0\0' "$body" >"$d/forms.xml"
    printf '\0<e:GPSLatitude xmlns:e="%s">1</e:GPSLatitude>' "$ex" >"$d/root.xml"
    # Positions in other words: Google's earth pose, Darwin Core's place.
    printf '\0<a xmlns:p="http://ns.google.com/photos/dd/1.0/earthpose/" xmlns:w="http://rs.tdwg.org/dwc/index.htm">%s%s</a>' \
        '<p:Latitude>1</p:Latitude><p:Timestamp>2</p:Timestamp>' '<w:x w:decimalLatitude="1" w:locality="y"/>' >"$d/other_words.xml"
    printf '\0<a xmlns:e="%s"><e:GPSLatitude>1</e:GPSLongitude></a>' "$ex" >"$d/mismatch.xml"
    # Texts people write that name a coordinate, one holding a position
    # property; a title as an attribute; a GPS name in a writer's namespace.
    printf '\0<a xmlns:d="http://purl.org/dc/elements/1.1/" xmlns:t="http://ns.adobe.com/tiff/1.0/" xmlns:e="%s" %s>%s%s</a>' \
        "$ex" 't:ImageDescription="Lat: 35.6586"' '<d:description><r>Latitude 35.6586</r></d:description>' \
        '<e:UserComment><e:GPSAltitude>1</e:GPSAltitude>+35.6586+139.7454/</e:UserComment>' >"$d/captions.xml"
    printf '\0<a xmlns:d="http://purl.org/dc/elements/1.1/" d:title = "Lat: 35.6586"><w:GPSPoint xmlns:w="urn:w"/></a>' \
        >"$d/title_attribute.xml"
    printf '\x0b<x:xmpmeta xmlns:x="adobe:ns:meta/">%s</x:xmpmeta>' "$body" >"$d/extended_3_chunks.xml"
    # FFF, big-endian version 100, directory at 0x40: a GPS record (0x2B) at 0x80.
    hexfile "$d/flir.bin" "f1 46464600 00000000000000000000000000000000 00000064 00000040 00000001
        00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000
        002b0001 00000064 00000001 00000080 00000020 00000000 00000000 00000000
        00000000000000000000000000000000 00000000000000000000000000000000
        00000001 32323030 53004500 00000000 4040404040404040 4141414141414141"
}

# Report inputs: mode (bit 0: the record is the content's bytes), cell
# width, line height, scroll positions, then file name NUL tag name NUL
# content.
seed_fuzz_report() {
    local d=$1 f
    for f in gps/fuji_s1pro_W_decmin.jpg gps/kodak_cx7530_S_decmin.jpg nogps/fuji_e500_mm.jpg \
             noexif/tiny_1445_bytes.jpg gps_empty/nikon_e995_gps_count0.jpg; do
        [ -f "$src/tests/corpus/real/$f" ] || continue
        { printf '\0\10\20\0\0a.jpg\0Make\0'; head -c 11000 "$src/tests/corpus/real/$f"; } >"$d/${f//\//_}"
    done
    # A name of 300 bytes whose cut falls inside a double-byte character
    # ("写" is 8E CA), and a 40-byte tag name with a lead byte at byte 28.
    { printf '\0\7\16\3\2'; printf 'x%.0s' {1..245}; printf '\x8e\xca%.0s' {1..27}; printf '\0';
      printf 'T%.0s' {1..27}; printf '\x88\x9f'; printf 'n%.0s' {1..11}; printf '\0';
      head -c 11000 "$src/tests/corpus/real/gps/fuji_s1pro_W_decmin.jpg"; } >"$d/long_texts.bin"
    # A record of bytes: counts, positions and texts as they come.
    { printf '\1\10\20\0\0b.jpg\0\0'; head -c 9000 "$src/res/sample.jpg"; } >"$d/raw_record.bin"
}

seed_fuzz_gpspatch() { seed_fuzz_exif "$@"; }

seed_fuzz_hexconvert() {
    local d=$1 i=0 t
    # The converter's own examples, full-width digits (82 4F 82 50), a
    # trail byte equal to 'A' ("ア" is 83 41), a cut at 255 bytes.
    for t in '255' 'ff' '12 34' ' 12 34' '0x10' '-5' '1,000' 'FFFFFFFF' '80000000' '123456789' \
             '4294967296' '' '\x82\x4f\x82\x50' '1\x83\x41' "$(printf '9%.0s' {1..254})\\x83\\x41"; do
        printf -- "$t" >"$d/text_$i"
        i=$((i + 1))
    done
}

seed_fuzz_vornik2() {
    local d=$1 f
    for f in noexif/tiny_1445_bytes.jpg gps/apple_iphone_xr_tiny.jpg; do
        [ -f "$src/tests/corpus/real/$f" ] && cp "$src/tests/corpus/real/$f" "$d/${f//\//_}"
    done
    # Small pictures in several codings, when the encoder is at hand.
    if command -v cjpeg >/dev/null; then
        { printf 'P6 24 16 255\n'; head -c 1152 "$src/res/sample.jpg"; } >"$d/rgb.ppm"
        { printf 'P5 17 9 255\n'; tail -c 153 "$src/res/sample.jpg"; } >"$d/grey.pgm"
        cjpeg -quality 75 "$d/rgb.ppm" >"$d/baseline.jpg"
        cjpeg -progressive -sample 2x1 "$d/rgb.ppm" >"$d/progressive.jpg"
        cjpeg -arithmetic -restart 1 "$d/rgb.ppm" >"$d/arithmetic.jpg"
        cjpeg "$d/grey.pgm" >"$d/grey.jpg"
        head -c 300 "$d/baseline.jpg" >"$d/truncated.jpg"
        rm -f "$d/rgb.ppm" "$d/grey.pgm"
    fi
}

# RIFF files with a one-entry GPS IFD: a WebP whose EXIF chunk follows its
# picture data; one whose EXIF chunk starts with "Exif\0\0", beside an XMP
# chunk, with a coordinate string after the RIFF; an AVI with INFO, movi
# and idx1 and a further AVIX part; an AVI whose stream data (strd) holds
# Exif IFDs and whose frames' list, with its index, holds a text stream's
# caption; a WAV with XMP in _PMX.
seed_fuzz_riff() {
    local d=$1
    hexfile "$d/webp.bin" "524946465800000057454250565038580a0000000800000000000000000056503820060000009d012a475053455849462c00000049492a00
        08000000010025880400010000001a00000000000000010001000200020000004e00000000000000"
    hexfile "$d/webp_xmp.bin" "52494646da00000057454250565038580a00000008000000000000000000455849463200000045786966000049492a000800000001002588
        0400010000001a00000000000000010001000200020000004e00000000000000584d5020820000003c783a786d706d65746120786d6c6e73
        3a783d2761646f62653a6e733a6d6574612f273e3c7264663a4465736372697074696f6e20786d6c6e733a657869663d27687474703a2f2f
        6e732e61646f62652e636f6d2f657869662f312e302f2720657869663a4750534c617469747564653d2731272f3e3c2f783a786d706d6574
        613e2b33352e363538362b3133392e373435342f"
    hexfile "$d/avi.bin" "5249464676000000415649204c495354140000006864726c617669680800000000000000000000004c4953541e000000494e464f49434d54
        120000002b33352e363538362b3133392e373435342f4c495354100000006d6f766930306463030000004750530069647831100000000000
        00000000000000000000000000005249464610000000415649584c495354040000006d6f7669"
    hexfile "$d/avi_text.bin" "52494646d6000000415649204c495354700000006864726c4c495354480000007374726c7374726808000000766964734d4a504773747264
        2c0000004156494600000000010025880400010000001200000000000000010001000200020000004e000000000000004c49535414000000
        7374726c737472680800000074787473202020204c4953542a0000006d6f76693030646302000000ffd93031747814000000475053203335
        2e36353836203133392e3734353469647831200000003030646310000000040000000200000030317478100000000e00000014000000"
    hexfile "$d/wav.bin" "52494646b200000057415645666d742010000000000000000000000000000000000000006461746103000000475053005f504d5882000000
        3c783a786d706d65746120786d6c6e733a783d2761646f62653a6e733a6d6574612f273e3c7264663a4465736372697074696f6e20786d6c
        6e733a657869663d27687474703a2f2f6e732e61646f62652e636f6d2f657869662f312e302f2720657869663a4750534c61746974756465
        3d2731272f3e3c2f783a786d706d6574613e"
}

# PNG files with a one-entry GPS IFD: in eXIf; in hex raw profiles, one in
# tEXt after "Exif\0\0", one in a stored zlib stream of zTXt; beside them
# compressed XMP in iTXt, a tEXt value named by a GPS tag, a caBX chunk
# holding "GPS" and a coordinate string after IEND.
seed_fuzz_png() {
    local d=$1
    hexfile "$d/exif.bin" "89504e470d0a1a0a0000000d49484452000000010000000108000000003a7e9b550000002c6558496649492a000800000001002588040001
        0000001a00000000000000010001000200020000004e00000000000000b848dbe10000000d494441547801010200fdff0000000200017e05
        0dd20000000049454e44ae426082"
    hexfile "$d/raw_profiles.bin" "89504e470d0a1a0a0000000d49484452000000010000000108000000003a7e9b550000008b744558745261772070726f66696c6520747970
        652065786966000a657869660a20202020202035300a34353738363936363030303034393439326130303038303030303030303130303235
        38383034303030313030303030303161303030303030303030303030303030313030303130300a3032303030323030303030303465303030
        30303030303030303030300af9181e910000008b7a5458745261772070726f66696c65207479706520415050310000780101690096ff0a41
        5050310a20202020202034340a34393439326130303038303030303030303130303235383830343030303130303030303031613030303030
        30303030303030303030313030303130303032303030323030303030300a346530303030303030303030303030300a17ad13d06512e00200
        00000d494441547801010200fdff0000000200017e050dd20000000049454e44ae426082"
    hexfile "$d/text.bin" "89504e470d0a1a0a0000000d49484452000000010000000108000000003a7e9b55000000a369545874584d4c3a636f6d2e61646f62652e78
        6d70000100000078010182007dff3c783a786d706d65746120786d6c6e733a783d2761646f62653a6e733a6d6574612f273e3c7264663a44
        65736372697074696f6e20786d6c6e733a657869663d27687474703a2f2f6e732e61646f62652e636f6d2f657869662f312e302f27206578
        69663a4750534c617469747564653d2731272f3e3c2f783a786d706d6574613edcda2d1a15b4197200000013744558744750534c61746974
        7564650033352e3635383696deaaf200000008636142586332706120475053b5502ce20000000d494441547801010200fdff000000020001
        7e050dd20000000049454e44ae4260822b33352e363538362b3133392e373435342f"
    # A JNG whose JPEG data (one JDAT) holds Exif with a GPS IFD, then an
    # MNG holding an eXIf chunk after a picture's IEND.
    perl -MCompress::Zlib -e 'sub ch { pack("N", length $_[1]) . $_[0] . $_[1] . pack("N", crc32($_[0] . $_[1])) }
        my $tiff = pack("H*", "49492a000800000001002588040001000000" . "1a000000" . "00000000" .
                              "010001000200020000004e000000000000");
        my $jpeg = "\xff\xd8\xff\xe1" . pack("n", 8 + length $tiff) . "Exif\0\0" . $tiff . "\xff\xd9";
        print "\x8bJNG\r\n\x1a\n", ch("JHDR", "\0" x 16), ch("JDAT", $jpeg), ch("IEND", "");' >"$d/jng.bin"
    perl -MCompress::Zlib -e 'sub ch { pack("N", length $_[1]) . $_[0] . $_[1] . pack("N", crc32($_[0] . $_[1])) }
        print "\x8aMNG\r\n\x1a\n", ch("MHDR", "\0" x 28), ch("IHDR", "\0" x 13), ch("IEND", ""),
              ch("eXIf", pack("H*", "49492a000800000001002588040001000000" . "1a000000" . "00000000" .
                                    "010001000200020000004e000000000000")), ch("MEND", "");' >"$d/mng.bin"
}

# TIFF structures with a two-entry GPS IFD: named by the chain's second
# IFD beside XMP in tag 700; big-endian, by the Exif IFD that a SubIFD
# names; inside a JPEG preview of an ORF's IFD1; inside an RW2's JpgFromRaw
# that a SubIFD of JPEG compression names again; a BigTIFF header.
seed_fuzz_tiff() {
    local d=$1
    # Found by fuzzing: a GPS IFD whose value runs into Canon's recipe data
    # at the file's end; clearing it would change them.
    hexfile "$d/gps_into_vrd.bin" "49492a0008000000010025880400010000001a00000000000000010001000200410000004e0000000000000043414e4f4e204f5054494f4e
        414c2044415441000001000000000061ffff00f6000000593c7264663a4465736372697074696f6e20786d6c6e733a657869663d22687474
        703a2f2f6e732e61646f62642e636f6d2f657869662f322e302f2220657869663a4750534c617469747564653d2233352c33392e354e222f
        3e43414e4f4e204f5054494f4e414c2044415441000000006100000000000000000000000000000000000000000000000000000000000000
        000000000000000000"
    hexfile "$d/chain.bin" "49492a00d2000000230000000100000027000000010000005e0b000064000000020001000200020000004e00000002000500030000000800
        0000000000003c783a786d706d65746120786d6c6e733a783d2761646f62653a6e733a6d6574612f273e3c7264663a446573637269707469
        6f6e20786d6c6e733a657869663d27687474703a2f2f6e732e61646f62652e636f6d2f657869662f312e302f2720657869663a4750534c61
        7469747564653d2731272f3e3c2f783a786d706d6574613e0100258804000100000020000000000000000100bc020100820000003e000000
        c0000000"
    hexfile "$d/subifd_mm.bin" "4d4d002a000000700000002300000001000000270000000100000b5e00000064000200010002000000024e00000000020005000000030000
        000800000000000188250004000000010000002000000000000000000000000187690004000000010000003e000000000000005000000056
        0001014a0004000000020000006800000000"
    hexfile "$d/orf_preview.bin" "4949524f9e000000ffd8ffe1005845786966000049492a003e000000230000000100000027000000010000005e0b00006400000002000100
        0200020000004e00000002000500030000000800000000000000010025880400010000002000000000000000ffc0000b0800010001010111
        00ffda0008010100003f001234ffd900020001020400010000000800000002020400010000007700000000000000000080000000"
    hexfile "$d/rw2_jpeg.bin" "49495500aa000000ffd8ffe1005845786966000049492a003e000000230000000100000027000000010000005e0b00006400000002000100
        0200020000004e00000002000500030000000800000000000000010025880400010000002000000000000000ffc0000b0800010001010111
        00ffda0008010100003f001234ffd90003000301030001000000070000001101040001000000080000001701040001000000770000000000
        000002002e00070077000000080000004a010400010000008000000000000000"
    hexfile "$d/bigtiff.bin" "49492b000800000000000000000000000000000000000000"
    # BigTIFF: GPS IFD, XMP and a JPEG preview (II); SubIFDs in the entry, the Exif IFD, IFD8 pointers (MM).
    hexfile "$d/bigtiff_ii.bin" "49492b00080000009801000000000000230000000100000027000000010000005e0b00006400000002000000000000000100020002000000
        000000004e0000000000000002000500030000000000000010000000000000000000000000000000ffd8ffe1005845786966000049492a00
        3e000000230000000100000027000000010000005e0b000064000000020001000200020000004e0000000200050003000000080000000000
        0000010025880400010000002000000000000000ffc0000b080001000101011100ffda0008010100003f001234ffd9003c783a786d706d65
        746120786d6c6e733a783d2761646f62653a6e733a6d6574612f273e3c7264663a4465736372697074696f6e20786d6c6e733a657869663d
        27687474703a2f2f6e732e61646f62652e636f6d2f657869662f312e302f2720657869663a4750534c617469747564653d2731272f3e3c2f
        783a786d706d6574613e00000000000002000000000000000102100001000000000000006000000000000000020204000100000000000000
        770000000000000000000000000000000200000000000000bc0207008200000000000000d800000000000000258804000100000000000000
        28000000000000006001000000000000"
    hexfile "$d/bigtiff_mm.bin" "4d4d002b0008000000000000000000c00000002300000001000000270000000100000b5e0000006400000000000000020001000200000000
        000000024e000000000000000002000500000000000000030000000000000010000000000000000000000000000000000000000000000000
        0000000000000001882500120000000000000001000000000000002800000000000000000000000000000000000000018825000400000000
        00000001000000280000000000000000000000000000000000000000000000030100000300000000000000010001000000000000014a0004
        0000000000000002000000600000007087690012000000000000000100000000000000980000000000000000"
    # A TIFF with a GPS IFD, Canon's recipe data with XMP ending the file.
    perl -e 'my $x = "<rdf:Description xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" exif:GPSLatitude=\"35,39.5N\"/>";
        my $b = pack("NN", 0xFFFF00F6, length $x) . $x; my $sig = "CANON OPTIONAL DATA\0";
        my $f = $sig . pack("N", length $b); $f .= "\0" x (64 - length $f);
        print "II*\0", pack("VvvvVV", 8, 1, 0x8825, 4, 1, 26), pack("V", 0), pack("vvvVa4V", 1, 1, 2, 2, "N", 0),
            $sig, "\0\1\0\0", pack("N", length $b), $b, $f;' >"$d/tiff_vrd.bin"
    # Coordinates typed into the description and, as UCS-2, the user's comment.
    perl -e 'my $w = "+35.6586+139.7454/\0"; my $c = "UNICODE\0" . join("", map { "$_\0" } split //, "Latitude: 35.6586");
        print "II*\0", pack("V", 8), pack("vvvVVvvVVV", 2, 270, 2, length $w, 38, 34665, 4, 1, 58, 0), $w, "\0",
            pack("vvvVVV", 1, 37510, 7, length $c, 76, 0), $c;' >"$d/tiff_texts.bin"
}

status=0
for entry in "${TARGETS[@]}"; do
    name=${entry%%:*}
    maxlen=${entry#*:}
    dir=$work/$name
    mkdir -p "$dir/seeds" "$dir/corpus"
    "seed_$name" "$dir/seeds"
    start=${EPOCHREALTIME/./}
    rc=0
    if [ -n "$seconds" ]; then limit=(-max_total_time="$seconds"); else limit=(-runs="$runs" -seed=1); fi
    (cd "$dir" && UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$bindir/$name" "${limit[@]}" -max_len="$maxlen" -timeout=10 \
        -artifact_prefix="$dir/" corpus seeds) >"$dir/log" 2>&1 || rc=$?
    ms=$(( (${EPOCHREALTIME/./} - start) / 1000 ))
    secs=$(printf '%d.%d' $((ms / 1000)) $((ms % 1000 / 100)))
    units=$(find "$dir/corpus" -type f | wc -l)
    cov=$(grep -o 'cov: [0-9]*' "$dir/log" | tail -1 | cut -d' ' -f2 || true)
    done_runs=$(grep -o 'Done [0-9]* runs' "$dir/log" | tail -1 | cut -d' ' -f2 || true)
    if [ "$rc" -eq 0 ]; then
        printf '%-16s ok      %s runs, %s s, coverage %s, %s new inputs\n' \
            "$name" "${done_runs:-$runs}" "$secs" "${cov:-?}" "$units"
    else
        status=1
        keep=1
        printf '%-16s FAILED  exit %s after %s s; log and input in %s\n' "$name" "$rc" "$secs" "$dir"
        grep -E 'ERROR|runtime error|check failed|SUMMARY|Test unit written' "$dir/log" | head -8 | sed 's/^/    /' || true
    fi
done
exit $status
