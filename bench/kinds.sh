#!/usr/bin/env bash
# tamlix-cli against jhead photo by photo: each corpus photo linked to
# KINDS_LINKS names in a folder of its own, and `show --json`, `check` and
# `jhead` run over that folder in one process each, KINDS_RUNS times (the
# best run counts, process start included). A batch of one kind of photo
# shows where the companion is slow for that kind (large heads, long XMP,
# padding after the picture, stray bytes) where the mixed batch of
# bench/peers.sh averages it away. A measurement, not a test.
#
#   bench/kinds.sh                              (1000 names, 5 runs)
#   KINDS_LINKS=200 KINDS_RUNS=3 bench/kinds.sh  (quicker)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
links=${KINDS_LINKS:-1000}
runs=${KINDS_RUNS:-5}
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
cli=$build/bin/tamlix-cli
[ -x "$cli" ] || make -C "$root" --no-print-directory build BUILD="$build"
command -v jhead >/dev/null || { echo "jhead is needed (apt-get install jhead)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tamlix-kinds.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The best of $runs wall times of a command, in microseconds.
best() {
  local least=0 start took
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    took=$((($(date +%s%N) - start) / 1000))
    if [ "$least" -eq 0 ] || [ "$took" -lt "$least" ]; then least=$took; fi
  done
  echo "$least"
}

printf '%-40s %9s %8s %8s %8s %7s %7s\n' photo bytes show_us check_us jhead_us show/j check/j
for photo in "$root"/tests/corpus/real/*/*.jpg; do
  dir=$work/$(basename "$photo" .jpg)
  mkdir "$dir"
  cp "$photo" "$dir/0.jpg"
  for i in $(seq 1 $((links - 1))); do ln "$dir/0.jpg" "$dir/$i.jpg"; done
  cat "$dir"/*.jpg >/dev/null
  show=$(best "$cli" show --json "$dir"/*.jpg)
  check=$(best "$cli" check "$dir"/*.jpg)
  jh=$(best jhead "$dir"/*.jpg)
  awk -v n="$(basename "$photo" .jpg)" -v b="$(stat -c %s "$photo")" -v s="$show" -v c="$check" -v j="$jh" \
    'BEGIN { printf "%-40s %9d %8d %8d %8d %7.2f %7.2f\n", n, b, s, c, j, j / s, j / c }'
  rm -rf "$dir"
done | tee "$work/table"
# Median and lowest of a column of ratios, and their geometric mean.
summary() {
  sort -g | awk '{ v[NR] = $1; l += log($1) }
    END { printf "median %.2fx, lowest %.2fx, geometric mean %.2fx", (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2, v[1], exp(l / NR) }'
}
echo
echo "$(wc -l <"$work/table") photos, $links names each"
echo "  show --json vs jhead: $(awk '{ print $6 }' "$work/table" | summary)"
echo "  check vs jhead:       $(awk '{ print $7 }' "$work/table" | summary)"
