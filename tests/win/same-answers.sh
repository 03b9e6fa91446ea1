#!/usr/bin/env bash
# The Windows build gives the same answers as the Linux build: every text
# conversion, and tamlix-cli over the whole corpus (standard output, error
# and exit status of show, show --json, report, check and strip-gps, names
# given on the command line and in a --files-from list; the files strip-gps
# writes with -o and in place, and their kept modification times). Each system works in its own copy
# of the corpus; Windows is given its paths with backslashes, and its output
# is compared with them put back in the Linux form. File times are
# converted in a zone with daylight saving, on copies dated in summer and
# in winter. Run by scripts/windows-test.sh.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
lin=$TAMLIX_LINUX_BUILD/bin
win=$TAMLIX_WIN_BUILD/bin
work=$(mktemp -d /tmp/tamlix-same-XXXXXX)
trap 'rm -rf "$work"' EXIT
export TZ=Europe/Berlin
failures=0

differ() {
  echo "DIFFERENT: $1"
  diff <(head -c 20000 "$2") <(head -c 20000 "$3") | head -20 || true
  failures=$((failures + 1))
}

# Every one- and two-byte CP932 sequence and every character, both ways.
"$lin/tamlix_text_table" > "$work/table.lin"
wine "$win/tamlix_text_table.exe" | tr -d '\r' > "$work/table.win"
cmp -s "$work/table.lin" "$work/table.win" || differ "text conversions" "$work/table.lin" "$work/table.win"

# The corpus, with one photo under a Japanese name whose bytes hold 0x5C,
# dated alternately in summer and in winter.
corpus=$work/lin/corpus
mkdir -p "$corpus/表示" "$work/lin/out"
cp -r "$root/tests/corpus/real/." "$corpus/"
cp "$root/tests/corpus/real/gps/apple_iphone6_W_0deg.jpg" "$corpus/表示/ソフト.jpg"
mapfile -t files < <(cd "$corpus" && find . -type f -iname '*.jp*g' | sed 's|^\./||' | LC_ALL=C sort)
i=0
for f in "${files[@]}"; do
  if [ $((i % 2)) = 0 ]; then date='2019-07-01 12:34:56'; else date='2019-01-15 08:09:10'; fi
  touch -d "$date" "$corpus/$f"
  i=$((i + 1))
done
cp -a "$work/lin" "$work/win"
winfiles=("${files[@]//\//\\}")

missing=gps/no_such_photo.jpg
# Windows' paths in the Linux form again, raw and as JSON escapes them: the
# photos, their copies in ../out, and the missing one.
perl -e 'for (@ARGV) { for my $l ($_, "../out/" . (split m{/})[-1]) {
           (my $w = $l) =~ s{/}{\\}g; (my $j = $w) =~ s{\\}{\\\\}g; print "$j\t$l\n$w\t$l\n" } }' \
  "${files[@]}" "$missing" > "$work/paths"
normalise() {
  perl -e 'open my $p, "<", shift; my @r = map { chomp; [split /\t/] } <$p>;
           local $/; my $t = <STDIN>; for (@r) { my ($w, $l) = @$_; $t =~ s/\Q$w\E/$l/g } print $t' \
    "$work/paths"
}

# run NAME ARGS...: the command on both systems, each in its own copy;
# FILES stands for the photos, MISSING for a file that is not there, OUT
# for the folder beside the corpus.
run() {
  local name=$1 lst=0 wst=0 largs=() wargs=() a
  shift
  for a in "$@"; do
    case $a in
      FILES) largs+=("${files[@]}"); wargs+=("${winfiles[@]}") ;;
      MISSING) largs+=("$missing"); wargs+=("${missing//\//\\}") ;;
      LIST) largs+=("../名前 ☕.lst"); wargs+=('..\名前 ☕.lst') ;;
      OUT) largs+=(../out); wargs+=('..\out') ;;
      *) largs+=("$a"); wargs+=("$a") ;;
    esac
  done
  (cd "$work/lin/corpus" && "$lin/tamlix-cli" "${largs[@]}") > "$work/$name.out.lin" \
    2> "$work/$name.err.lin" || lst=$?
  (cd "$work/win/corpus" && wine "$win/tamlix-cli.exe" "${wargs[@]}") > "$work/$name.out.raw" \
    2> "$work/$name.err.raw" || wst=$?
  normalise < "$work/$name.out.raw" > "$work/$name.out.win"
  normalise < "$work/$name.err.raw" > "$work/$name.err.win"
  cmp -s "$work/$name.out.lin" "$work/$name.out.win" ||
    differ "$name: standard output" "$work/$name.out.lin" "$work/$name.out.win"
  cmp -s "$work/$name.err.lin" "$work/$name.err.win" ||
    differ "$name: standard error" "$work/$name.err.lin" "$work/$name.err.win"
  if [ "$lst" != "$wst" ]; then
    echo "DIFFERENT: $name: exit status $lst (Linux), $wst (Windows)"
    failures=$((failures + 1))
  fi
}

# A name list for --files-from, in each system's form, under a name code
# page 932 cannot hold.
printf '%s\n' "${files[@]}" > "$work/lin/名前 ☕.lst"
printf '%s\r\n' "${winfiles[@]}" > "$work/win/名前 ☕.lst"

run show show FILES
run json show --json FILES MISSING
run report report MISSING FILES
run check check MISSING FILES
run from-list show --json --files-from LIST
run strip-o strip-gps -o OUT FILES
run strip-entries strip-gps --entries --wipe-data -o OUT FILES
run strip-in-place strip-gps --in-place --keep-time FILES
run check-after check FILES
if ! diff -r -q -x "*.lst" "$work/lin" "$work/win"; then
  echo "DIFFERENT: the files strip-gps wrote"
  failures=$((failures + 1))
fi
# --keep-time kept the summer and winter dates on both systems.
times() { (cd "$1/corpus" && find . -type f -iname '*.jp*g' -printf '%p %TY-%Tm-%Td %TH:%TM\n' | LC_ALL=C sort); }
if ! diff <(times "$work/lin") <(times "$work/win") >/dev/null || [ "$(times "$work/win" | grep -c ' 2019-0[17]-')" != "${#files[@]}" ]; then
  echo "DIFFERENT: the modification times strip-gps --in-place --keep-time left"
  failures=$((failures + 1))
fi

echo "${#files[@]} photos compared"
if [ $failures != 0 ]; then
  echo "$failures difference(s) between the Linux and Windows builds"
  exit 1
fi
echo "same answers on Linux and Windows"
