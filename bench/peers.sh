#!/usr/bin/env bash
# shellcheck disable=SC2016,SC2317  # perl programs in single quotes; the cases are called by name
# Batch speed of tamlix-cli against the metadata tools people run over whole
# folders: jhead, Exiv2 and ExifTool for reading; cp + sync and ExifTool for
# writing. A measurement, not a test: it prints tables and exits 0.
#
# The real-photo corpus is linked (hard links, distinct names, one flat
# folder) to at least PEERS_NAMES names, and PEERS_BIG photos of 6000 x 4000
# with a GPS IFD are made on the spot. One untimed pass warms the cache; then
# each command runs in turn, PEERS_RUNS times, and the median wall time is
# reported with files per second and the ratios to the peers.
#
#   bench/peers.sh                               (or: make bench-peers)
#   PEERS_NAMES=5000 PEERS_RUNS=3 bench/peers.sh  (quicker)
#
# PEERS_NAMES        corpus names for reading (20000)
# PEERS_BIG          24-megapixel photos, read and written too (20)
# PEERS_RUNS         timed runs of each command (5)
# PEERS_WRITE_NAMES  corpus names written per run (2000)
# PEERS_SLOW_NAMES   names ExifTool reads per run (500)
# PEERS_SLOW_WRITE   names ExifTool writes per run (200)
# PEERS_MEM_NAMES    names of the second memory measurement (100000)
# PEERS_ARG_MAX      command-line budget of the peers (getconf ARG_MAX)
# PEERS_KEEP=1       keep the work folder
# BUILD              build folder (build)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
names_wanted=${PEERS_NAMES:-20000}
big_count=${PEERS_BIG:-20}
runs=${PEERS_RUNS:-5}
write_wanted=${PEERS_WRITE_NAMES:-2000}
slow_read=${PEERS_SLOW_NAMES:-500}
slow_write=${PEERS_SLOW_WRITE:-200}
mem_names=${PEERS_MEM_NAMES:-100000}
arg_max=${PEERS_ARG_MAX:-$(getconf ARG_MAX)}
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
cli=$build/bin/tamlix-cli

say() { printf '%s\n' "$*" >&2; }

# --- the optimised companion -------------------------------------------------
if [ -f "$build/CMakeCache.txt" ]; then
  cmake --build "$build" --target tamlix-cli -j"${JOBS:-2}" >/dev/null
else
  make -C "$root" --no-print-directory build BUILD="$build"
fi
type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
case $type in Release | RelWithDebInfo) ;; *) say "note: $build is a '$type' build, not an optimised one" ;; esac

# --- the peers and the tools that make the work folder -----------------------
need=()
command -v jhead >/dev/null || need+=(jhead)
command -v exiv2 >/dev/null || need+=(exiv2)
command -v exiftool >/dev/null || need+=(libimage-exiftool-perl)
command -v cjpeg >/dev/null || need+=(libjpeg-turbo-progs)
command -v perl >/dev/null || need+=(perl)
[ -x /usr/bin/time ] || need+=(time)
if [ ${#need[@]} -gt 0 ]; then
  say "installing: ${need[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq >/dev/null
  $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# --- work folder ---------------------------------------------------------------
work=$(mktemp -d "${TMPDIR:-/tmp}/tamlix-peers.XXXXXX")
cleanup() { cd /; if [ "${PEERS_KEEP:-0}" = 1 ]; then say "kept $work"; else rm -rf "$work"; fi; }
trap cleanup EXIT
mkdir "$work/src" "$work/read" "$work/log"

# The originals are copied once so that every link lives on the work folder's
# file system and no run can touch the repository's files.
corpus=("$root"/tests/corpus/real/*/*.jpg)
cp -- "${corpus[@]}" "$work/src/"
say "linking ${#corpus[@]} corpus photos to at least $names_wanted names, making $big_count photos of 6000x4000"
perl -e '
  my ($dir, $want, @src) = @ARGV;
  my $copies = int(($want + @src - 1) / @src);
  for my $k (0 .. $copies - 1) {
    for my $s (@src) {
      (my $base = $s) =~ s{.*/}{};
      my $name = sprintf("c%04d-%s", $k, $base);
      link($s, "$dir/$name") or die "$name: $!\n";
      print "$name\n";
    }
  }' "$work/read" "$names_wanted" "$work"/src/*.jpg >"$work/corpus.list"

# Big photos: a smooth random walk per colour, shifted one pixel per line,
# with a little noise on top (compresses about as a photo does), then the
# Exif block, GPS IFD included, of one of the corpus's GPS photos.
gen_pixels='
  my ($W, $H) = (6000, 4000);
  srand($ARGV[0]);
  my @v = (128, 128, 128);
  my $tex = "";
  for my $i (0 .. 3 * ($W + $H) - 1) {
    my $c = $i % 3;
    $v[$c] += int(rand(5)) - 2;
    $v[$c] = 5 if $v[$c] < 5;
    $v[$c] = 250 if $v[$c] > 250;
    $tex .= chr($v[$c]);
  }
  my $noise = join "", map { chr(int(rand(16))) } 1 .. 3 * $W * 8;
  binmode STDOUT;
  print "P6\n$W $H\n255\n";
  for my $r (0 .. $H - 1) {
    my $k = ($r * 7919) % (length($noise) - 3 * $W);
    print substr($tex, 3 * $r, 3 * $W) ^ substr($noise, $k, 3 * $W);
  }'
gps_src=("$work"/src/*.jpg)
mapfile -t gps_src < <(printf '%s\n' "${gps_src[@]}" | "$cli" check --files-from - 2>/dev/null |
  sed -n 's/: Exif GPS IFD at [0-9]*$//p')
[ ${#gps_src[@]} -gt 0 ] || { say "no corpus photo with a GPS IFD found"; exit 1; }
: >"$work/big.list"
: >"$work/exif.args"
for ((i = 1; i <= big_count; i++)); do
  name=$(printf 'big%02d.jpg' "$i")
  perl -e "$gen_pixels" "$i" | cjpeg -quality 92 >"$work/read/$name"
  printf '%s\n' -q -q -tagsFromFile "${gps_src[(i - 1) % ${#gps_src[@]}]}" -all:all \
    -ExifImageWidth=6000 -ExifImageHeight=4000 -overwrite_original "$work/read/$name" -execute >>"$work/exif.args"
  echo "$name" >>"$work/big.list"
done
if [ "$big_count" -gt 0 ]; then exiftool -@ "$work/exif.args"; fi
with_gps=$(cd "$work/read" && "$cli" check --files-from "$work/big.list" 2>/dev/null | grep -c 'Exif GPS IFD' || true)
[ "$with_gps" -eq "$big_count" ] || say "note: only $with_gps of $big_count big photos carry a GPS IFD"

# The first N names of LIST_A and a share of LIST_B in proportion to the
# lengths of both, so that a sample holds the same mix as the whole.
sample() {
  local a=$1 b=$2 n=$3 na nb
  na=$(wc -l <"$a")
  nb=$(wc -l <"$b")
  local from_b=$(((n * nb + (na + nb) / 2) / (na + nb)))
  head -n $((n - from_b)) "$a"
  head -n "$from_b" "$b"
}

# Photos strip-gps refuses by design (a trailer it cannot clean) are left out
# of the write sets, so that both sides write every photo they are given.
mkdir "$work/probe"
(cd "$work/src" && "$cli" strip-gps -o "$work/probe" ./*.jpg >/dev/null 2>&1 || true)
refused=()
for f in "$work"/src/*.jpg; do [ -e "$work/probe/${f##*/}" ] || refused+=("${f##*/}"); done
rm -rf "$work/probe"
grep -v -F -f <(printf -- '-%s\n' "${refused[@]}" "/nothing/") "$work/corpus.list" >"$work/cleanable.list"
head -n "$write_wanted" "$work/cleanable.list" >"$work/write_corpus.list"

cat "$work/big.list" "$work/corpus.list" >"$work/read.list"
sample "$work/corpus.list" "$work/big.list" "$slow_read" >"$work/slow_read.list"
cat "$work/big.list" "$work/write_corpus.list" >"$work/write.list"
sample "$work/write_corpus.list" "$work/big.list" "$slow_write" >"$work/slow_write.list"

# Each list as an array for the peers, and whether it fits one command line
# (names, their pointers, the environment and some room for the command).
declare -A via_xargs
env_bytes=$(env | wc -c)
for l in read slow_read write slow_write; do
  mapfile -t "names_$l" <"$work/$l.list"
  bytes=$(($(wc -c <"$work/$l.list") + 8 * $(wc -l <"$work/$l.list") + env_bytes + 65536))
  [ "$bytes" -lt "$arg_max" ] && via_xargs[$l]=0 || via_xargs[$l]=1
done

# Runs COMMAND... with the names of list L as arguments: one process when the
# command line holds them, else as many as xargs needs.
with_names() {
  local l=$1
  shift
  if [ "${via_xargs[$l]}" = 0 ]; then
    local -n arr=names_$l
    "$@" "${arr[@]}"
  else
    xargs -d '\n' -a "$work/$l.list" "$@"
  fi
}

# --- the commands ------------------------------------------------------------
# Each case: id, table, list of names, label. run_ID is timed; prep_ID, when
# there is one, makes the fresh folder the run needs (untimed). Every run
# starts in the reading folder, --in-place in its copy.
ids=()
declare -A tab lst label
add() { ids+=("$1"); tab[$1]=$2; lst[$1]=$3; label[$1]=$4; }

exiv2_keys=(-K Exif.Image.Make -K Exif.Image.Model -K Exif.Image.DateTime -K Exif.GPSInfo.GPSLatitude -K Exif.GPSInfo.GPSLongitude)
exiftool_tags=(-EXIF:Make -EXIF:Model -EXIF:ModifyDate -GPS:GPSLatitude -GPS:GPSLongitude)

add show read read "tamlix-cli show --json"
run_show() { "$cli" show --json --files-from "$work/read.list"; }
add check read read "tamlix-cli check"
run_check() { "$cli" check --files-from "$work/read.list"; }
add check_t read read "tamlix-cli check --thorough"
run_check_t() { "$cli" check --thorough --files-from "$work/read.list"; }
add cat read read "cat FILES (every byte read once)"
run_cat() { with_names read cat; }
add jhead read read "jhead"
run_jhead() { with_names read jhead; }
add exiv2 read read "exiv2 -q -Pkv -K (5 tags)"
run_exiv2() { with_names read exiv2 -q -Pkv "${exiv2_keys[@]}"; }
add exiftool_r read slow_read "exiftool -fast2 -n -j (5 tags)"
run_exiftool_r() { with_names slow_read exiftool -fast2 -n -j "${exiftool_tags[@]}"; }

fresh_out() { rm -rf "$work/out"; mkdir "$work/out"; sync -f "$work"; }
add strip write write "tamlix-cli strip-gps -o DIR"
prep_strip() { fresh_out; }
run_strip() { "$cli" strip-gps -o "$work/out" --files-from "$work/write.list"; }
add cp write write "cp FILES DIR && sync -f DIR"
prep_cp() { fresh_out; }
run_cp() { with_names write cp -t "$work/out" -- && sync -f "$work/out"; }
add exiftool_w write slow_write "exiftool -gps:all= -o DIR/"
prep_exiftool_w() { fresh_out; }
run_exiftool_w() { with_names slow_write exiftool -q -q -gps:all= -o "$work/out/"; }
add inplace write write "tamlix-cli strip-gps --in-place"
prep_inplace() {
  rm -rf "$work/out" "$work/inplace"
  mkdir "$work/inplace"
  (cd "$work/read" && with_names write cp -t "$work/inplace" --)
  sync -f "$work"
}
run_inplace() { "$cli" strip-gps --in-place --files-from "$work/write.list"; }

declare -A times rc
run_case() {
  local id=$1 dir=$work/read
  [ "$id" = inplace ] && dir=$work/inplace
  if declare -F "prep_$id" >/dev/null; then "prep_$id"; fi
  cd "$dir"
  local t0=${EPOCHREALTIME/./} t1 code=0
  "run_$id" >/dev/null 2>"$work/log/$id.err" || code=$?
  t1=${EPOCHREALTIME/./}
  cd "$work"
  rc[$id]=$code
  LAST_US=$((t1 - t0))
}

load() { cut -d' ' -f1-3 /proc/loadavg; }
load_start=$(load)
say "warm-up pass (untimed)"
for id in "${ids[@]}"; do
  run_case "$id"
  written=""
  [ "${tab[$id]}" = write ] && [ "$id" != inplace ] && written=", $(find "$work/out" -type f | wc -l) files written"
  say "  ${label[$id]}: exit ${rc[$id]}$written, $(wc -l <"$work/log/$id.err") lines on stderr"
done
for ((r = 1; r <= runs; r++)); do
  line="run $r of $runs (ms):"
  for id in "${ids[@]}"; do
    run_case "$id"
    times[$id]+="$LAST_US "
    line+=" $id $((LAST_US / 1000))"
  done
  say "$line"
done
rm -rf "$work/out" "$work/inplace"
load_end=$(load)

# --- memory ------------------------------------------------------------------
: >"$work/mem.list"
while [ "$(wc -l <"$work/mem.list")" -lt "$mem_names" ]; do cat "$work/read.list" >>"$work/mem.list"; done
head -n "$mem_names" "$work/mem.list" >"$work/mem100.list"
peak() { # LIST -> "max RSS in KiB, wall seconds"
  (cd "$work/read" && /usr/bin/time -v -o "$work/log/time" "$cli" check --files-from "$1" >/dev/null 2>&1 || true)
  awk -F': ' '/Maximum resident/ {k = $2} /Elapsed/ {e = $2} END {print k, e}' "$work/log/time"
}
read -r mem_a wall_a < <(peak "$work/read.list")
read -r mem_b wall_b < <(peak "$work/mem100.list")

# --- tables ------------------------------------------------------------------
median_ms() { tr ' ' '\n' <<<"${times[$1]}" | grep . | sort -n |
  awk '{v[NR] = $1} END {m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m / 1000}'; }
count() { wc -l <"$work/${lst[$1]}.list"; }
rate() { awk -v n="$(count "$1")" -v ms="$(median_ms "$1")" 'BEGIN {printf "%.0f", n / (ms / 1000)}'; }
ratio() { awk -v a="$(rate "$1")" -v b="$(rate "$2")" 'BEGIN {printf (a / b < 0.1 ? "%.3f" : "%.2f"), a / b}'; }
xnote() { [ "${via_xargs[${lst[$1]}]:-0}" = 1 ] && [[ $1 != show && $1 != check && $1 != check_t && $1 != strip && $1 != inplace ]] && printf ' (xargs)'; true; }
row() { # ID PEER1 PEER2
  local r1=- r2=-
  [ -n "$2" ] && r1="$(ratio "$1" "$2")x"
  [ -n "$3" ] && r2="$(ratio "$1" "$3")x"
  printf '| `%s`%s | %s | %s | %s | %s | %s |\n' "${label[$1]}" "$(xnote "$1")" "$(count "$1")" \
    "$(median_ms "$1")" "$(rate "$1")" "$r1" "$r2"
}

echo
echo "$("$cli" --version 2>/dev/null | sed -n 1p), $(jhead -V), $(exiv2 --version | sed -n 1p), exiftool $(exiftool -ver)"
echo "$(nproc) cores, load average $load_start at the start, $load_end at the end; medians of $runs alternating runs, warm cache"
echo
echo "Reading: $(count show) names ($(wc -l <"$work/corpus.list") corpus links, $big_count photos of 24 MP), one process each"
echo
echo "| command | names | median ms | files/s | vs jhead | vs Exiv2 |"
echo "|---|---:|---:|---:|---:|---:|"
for id in show check check_t cat jhead exiv2 exiftool_r; do row "$id" jhead exiv2; done
echo
echo "Writing into a fresh folder each run: $(count strip) names ($(wc -l <"$work/write_corpus.list") corpus links, $big_count photos of 24 MP)"
echo
echo "| command | names | median ms | files/s | vs cp + sync | vs ExifTool |"
echo "|---|---:|---:|---:|---:|---:|"
for id in strip cp exiftool_w; do row "$id" cp exiftool_w; done
row inplace "" ""
echo
echo "show and check read each file's metadata and its tail. cat is no metadata reader: it reads every byte"
echo "of every file once, as check --thorough and strip-gps must to walk the compressed data to its end, so it"
echo "is the floor for them."
echo "ExifTool reads $(count exiftool_r) and writes $(count exiftool_w) of the names (same mix), as it is slow; files/s is per name it got."
echo "--in-place patches a fresh copy of the write set (copied and synced before the clock starts) and flushes each file."
# What the disk must take for a durable copy of the write set, and what it
# took for cp + sync: no writer that flushes every byte can go faster where
# that is the limit (a file system with reflinks shares the blocks instead).
write_bytes=$(cd "$work/read" && xargs -d '\n' -a "$work/write.list" stat -L -c %s | awk '{s += $1} END {print s}')
awk -v b="$write_bytes" -v ms="$(median_ms cp)" -v n="$(count strip)" -v ex="$(rate exiftool_w)" 'BEGIN {
  printf "The write set is %.0f MB: cp + sync -f moved it at %.0f MB/s; 20x ExifTool asks for %.0f MB/s.\n",
    b / 1e6, b / 1e6 / (ms / 1000), b / 1e6 / (n / (20 * ex)) }'
if [ ${#refused[@]} -gt 0 ]; then
  echo "Left out of the write set: ${refused[*]} (strip-gps does not write it, by design)."
fi
declare -A what=([read]="the reading set" [slow_read]="ExifTool's reading sample" [write]="the writing set"
  [slow_write]="ExifTool's writing sample")
for l in read slow_read write slow_write; do
  if [ "${via_xargs[$l]}" = 1 ]; then
    echo "The peers get the $(wc -l <"$work/$l.list") names of ${what[$l]} through xargs: they do not fit one command line."
  fi
done
echo
echo "Memory, tamlix-cli check --files-from (maximum resident set size):"
echo
echo "| names | max RSS | wall |"
echo "|---:|---:|---:|"
printf '| %s | %s MiB | %s |\n' "$(count show)" "$(awk -v k="$mem_a" 'BEGIN {printf "%.1f", k / 1024}')" "$wall_a"
printf '| %s | %s MiB | %s |\n' "$mem_names" "$(awk -v k="$mem_b" 'BEGIN {printf "%.1f", k / 1024}')" "$wall_b"
# A phone's folder (HEIC photos, motion photos, clips) and a camera's (TIFF
# beside JPEG, PNG, WebP); PEERS_PHONES=0 leaves them out.
if [ "${PEERS_PHONES:-1}" != 0 ]; then
  BUILD="$build" bash "$root/bench/phones.sh" || true
  BUILD="$build" bash "$root/bench/cameras.sh" || true
fi
exit 0
