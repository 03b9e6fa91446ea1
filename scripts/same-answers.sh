#!/usr/bin/env bash
# Shows that two builds of tamlix-cli give the same answers on JPEGs: every
# file of tests/corpus/real, the seeds fuzz/run.sh makes for fuzz_exif and
# fuzz_locator, and MUTATED_COUNT photos made from the corpus by seeded
# mutation (the same files, under the same names, on every run).
#
# Each build, in a folder of its own, runs check, check --thorough,
# show --json, show --json --thorough, strip-gps -o, strip-gps --entries -o,
# strip-gps --fields --wipe-data -o and strip-gps --in-place (on copies) over
# all inputs, one process per command. Standard output and error are
# compared line by line for each input (lines are told apart by the input
# name they carry), the exit statuses as they are, and the written files by
# checksum.
#
# usage: scripts/same-answers.sh BASE_CLI NEW_CLI [MUTATED_COUNT]
#
# Prints a summary and, for each command, up to 50 inputs whose answers
# differ; the whole list goes to a file whose path is printed. Exits 0 when
# every answer is the same, 1 when one differs, 2 on a usage error or when
# the comparison itself fails. The inputs and written files live in
# ${TMPDIR:-/dev/shm} (tmpfs when it can; 2,000 mutated photos make about
# 0.7 GB of inputs, three times that at the most) and go at the end; the
# texts of a run that differed are kept in ${TMPDIR:-/tmp}.
set -euo pipefail

usage() { echo "usage: scripts/same-answers.sh BASE_CLI NEW_CLI [MUTATED_COUNT]" >&2; exit 2; }
[ $# -ge 2 ] && [ $# -le 3 ] || usage
count=${3:-2000}
[[ $count =~ ^[0-9]+$ ]] || usage
clis=()
for c in "$1" "$2"; do
    [ -x "$c" ] && [ -f "$c" ] || { echo "same-answers: '$c' is not an executable file" >&2; exit 2; }
    clis+=("$(cd "$(dirname "$c")" && pwd)/$(basename "$c")")
done
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
corpus=$src/tests/corpus/real
limit=600  # seconds one command may take

if [ -n "${TMPDIR:-}" ]; then fast=$TMPDIR
elif [ -d /dev/shm ] && [ -w /dev/shm ]; then fast=/dev/shm
else fast=/tmp; fi
work=$(mktemp -d "$fast/tamlix-same.XXXXXX")
texts=$(mktemp -d "${TMPDIR:-/tmp}/tamlix-same-answers.XXXXXX")
keep_texts=0
trap 'rm -rf "$work"; [ "$keep_texts" -eq 1 ] || rm -rf "$texts"' EXIT
start=${EPOCHREALTIME/./}
export LC_ALL=C.UTF-8

# --- Inputs, each under a name of its own in one folder ---------------------
inputs=$work/inputs
mkdir -p "$inputs"

# The corpus: c-<folder>_<file>.
while IFS= read -r -d '' f; do
    rel=${f#"$corpus"/}
    cp "$f" "$inputs/c-${rel//\//_}"
done < <(find "$corpus" -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) -print0 | sort -z)

# The fuzz seeds: fuzz/run.sh's own seed functions (its definitions, from
# hexfile() up to the loop that runs the targets), f-<target>-<seed>.
seed_code=$(sed -n '/^hexfile()/,/^status=0$/p' "$src/fuzz/run.sh" | sed '$d')
eval "$seed_code"
for t in exif locator; do
    declare -F "seed_fuzz_$t" >/dev/null || { echo "same-answers: fuzz/run.sh has no seed_fuzz_$t" >&2; exit 2; }
    mkdir "$work/seeds_$t"
    "seed_fuzz_$t" "$work/seeds_$t"
    for f in "$work/seeds_$t"/*; do mv "$f" "$inputs/f-$t-$(basename "$f")"; done
    rmdir "$work/seeds_$t"
done

# The mutated photos: m-<index>-<mutations>-<source>. Each index has its own
# random generator, so photo i is the same whatever the count.
python3 - "$corpus" "$inputs" "$count" <<'EOF'
import os, random, sys

corpus, out, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
names = sorted(os.path.relpath(os.path.join(d, f), corpus)
               for d, _, fs in os.walk(corpus) for f in fs
               if f.lower().endswith(('.jpg', '.jpeg')))
data = {n: open(os.path.join(corpus, n), 'rb').read() for n in names}
smallest = min(names, key=lambda n: len(data[n]))
WINDOW = 65536

def segments(b):
    """(position, length with marker) of each marker segment before the first scan."""
    segs, p = [], 2
    while p + 4 <= len(b) and b[p] == 0xFF:
        m = b[p + 1]
        if m == 0xFF:
            p += 1
            continue
        if m in (0x01, 0xD8) or 0xD0 <= m <= 0xD7:
            segs.append((p, 2)); p += 2
            continue
        n = 2 + (b[p + 2] << 8 | b[p + 3])
        segs.append((p, n))
        if m == 0xDA or m == 0xD9:
            break
        p += n
    return segs

def header_end(b):
    s = segments(b)
    return min(len(b), s[-1][0] + s[-1][1]) if s else min(len(b), 1024)

def pos(rng, b):
    # Half in the first 64 KiB, half in the markers before the picture data.
    top = min(len(b), WINDOW) if rng.random() < 0.5 else header_end(b)
    return rng.randrange(max(top, 1))

def flip(rng, b):
    for _ in range(rng.randint(1, 8)):
        if b:
            p = pos(rng, b); b[p] ^= 1 << rng.randrange(8)
    return b

def overwrite(rng, b):
    segs = segments(b)
    for _ in range(rng.randint(1, 4)):
        if not b:
            break
        if segs and rng.random() < 0.4:  # a segment's marker or length
            s = rng.choice(segs); p = s[0] + rng.randrange(4)
        else:
            p = pos(rng, b)
        for i in range(rng.randint(1, 4)):
            if p + i < len(b):
                b[p + i] = rng.choice([rng.randrange(256), 0x00, 0xFF, 0xD8, 0xD9, 0xE1, 0xDA, 0x7F, 0x80])
    return b

def cut(rng, b):
    end = rng.randrange(max(len(b), 1)) if rng.random() < 0.5 else pos(rng, b)
    return b[:end]

def chunk(rng, b):
    segs = segments(b)
    if segs and rng.random() < 0.6:
        return rng.choice(segs)
    p = pos(rng, b)
    return p, min(len(b) - p, rng.randint(2, 65537))

def dup(rng, b):
    p, n = chunk(rng, b)
    return b[:p + n] + b[p:p + n] + b[p + n:]

def drop(rng, b):
    p, n = chunk(rng, b)
    return b[:p] + b[p + n:]

def append(rng, b):
    k = rng.randrange(5)
    if k == 0:
        tail = bytes(rng.randrange(256) for _ in range(rng.randint(1, 4096)))
    elif k == 1:
        tail = data[smallest]                                   # a whole second picture
    elif k == 2:
        tail = data[rng.choice(names)][:rng.randint(4, WINDOW)] # the start of one
    elif k == 3:
        tail = b[:rng.randint(4, min(len(b), WINDOW) + 4)]     # its own start
    else:
        tail = rng.choice([b'GPS', b'\xff\xd8', b'\xff\xd8\xff\xe1', b'\0' * 1000, b'Exif\0\0MM\0*'])
    return b + tail

KINDS = [('flip', flip), ('over', overwrite), ('cut', cut), ('dup', dup), ('drop', drop), ('app', append)]
for i in range(count):
    rng = random.Random('tamlix-same-answers:%d' % i)
    name = rng.choice(names)
    b = bytearray(data[name])
    done = []
    for _ in range(rng.choice([1, 1, 1, 2, 2, 3])):
        kind, fn = rng.choice(KINDS)
        b = bytearray(fn(rng, b))
        done.append(kind)
    with open(os.path.join(out, 'm-%05d-%s-%s' % (i, '+'.join(done), os.path.basename(name))), 'wb') as f:
        f.write(b)
EOF

# One modification time for all (show --json prints it), so the answers of
# two runs compare too.
find "$inputs" -type f -exec touch -h -d '2001-02-03 04:05:06' {} +
(cd "$inputs" && ls) >"$texts/names"
n_in=$(wc -l <"$texts/names")
n_c=$(grep -c '^c-' "$texts/names" || true)
n_f=$(grep -c '^f-' "$texts/names" || true)
n_m=$(grep -c '^m-' "$texts/names" || true)
mb=$(du -sm "$inputs" | cut -f1)
printf 'inputs: %d (%d corpus, %d fuzz seeds, %d mutated), %d MB, in %s\n' "$n_in" "$n_c" "$n_f" "$n_m" "$mb" "$work"

# --- Runs ---------------------------------------------------------------------
COMMANDS=(check check-thorough show-json show-json-thorough strip-o strip-entries strip-fields-wipe strip-in-place)

# Runs one command in the run folder; its outputs go to $texts/<side>/<name>.
run() {
    local side=$1 name=$2 rc=0
    shift 2
    timeout -k 10 "$limit" "$@" >"$texts/$side/$name.out" 2>"$texts/$side/$name.err" || rc=$?
    echo "$rc" >"$texts/$side/$name.rc"
}

# The checksum of every file in a folder, by name; then the folder goes.
sums() {
    (cd "$1" && find . -type f -printf '%P\0' | xargs -0 -r -n 100 -P 2 md5sum) | sort -k2 >"$2"
    rm -rf "$1"
}

for side in base new; do
    if [ "$side" = base ]; then cli=${clis[0]}; else cli=${clis[1]}; fi
    dir=$work/$side
    mkdir -p "$dir" "$texts/$side"
    cp -al "$inputs" "$dir/in"
    sed 's|^|in/|' "$texts/names" >"$dir/list"
    sed 's|^|ip/|' "$texts/names" >"$dir/list-ip"
    t0=${EPOCHREALTIME/./}
    (
        cd "$dir"
        run "$side" check              "$cli" check --files-from list
        run "$side" check-thorough     "$cli" check --thorough --files-from list
        run "$side" show-json          "$cli" show --json --files-from list
        run "$side" show-json-thorough "$cli" show --json --thorough --files-from list
        mkdir out
        run "$side" strip-o            "$cli" strip-gps -o out --files-from list
        sums out "$texts/$side/strip-o.sums"
        mkdir out
        run "$side" strip-entries      "$cli" strip-gps --entries -o out --files-from list
        sums out "$texts/$side/strip-entries.sums"
        mkdir out
        run "$side" strip-fields-wipe  "$cli" strip-gps --fields --wipe-data -o out --files-from list
        sums out "$texts/$side/strip-fields-wipe.sums"
        cp -r "$inputs" ip
        run "$side" strip-in-place     "$cli" strip-gps --in-place --files-from list-ip
        sums ip "$texts/$side/strip-in-place.sums"
        rm -rf in
    )
    ms=$(( (${EPOCHREALTIME/./} - t0) / 1000 ))
    printf '%-4s %s: %d.%d s\n' "$side" "$cli" $((ms / 1000)) $((ms % 1000 / 100))
done

# --- Comparison ---------------------------------------------------------------
rc=0
python3 - "$texts" "$work" "${COMMANDS[@]}" <<'EOF' || rc=$?
import difflib, os, re, signal, sys, traceback

def failed(*exc):  # a fault of this comparison is not a difference: exit 2
    sys.stdout.flush()
    traceback.print_exception(*exc)
    os._exit(2)
sys.excepthook = failed

texts, work, commands = sys.argv[1], sys.argv[2], sys.argv[3:]
names = open(os.path.join(texts, 'names'), encoding='utf-8').read().split('\n')[:-1]
order = {n: i for i, n in enumerate(names)}
NAME = re.compile(r'(?<![A-Za-z0-9_.+-])(?:in|ip|out)/([A-Za-z0-9_.+-]+)')
CAP = 50

def lines(side, f):
    text = open(os.path.join(texts, side, f), 'rb').read().decode('utf-8', 'backslashreplace')
    for d in (os.path.join(work, side) + '/', work + '/'):
        text = text.replace(d, '')
    return text.splitlines()

def by_input(side, cmd):
    """The command's lines (stdout, then stderr) for each input; '(no input)' for the rest."""
    got = {}
    for stream in ('out', 'err'):
        for line in lines(side, cmd + '.' + stream):
            m = NAME.search(line)
            key = m.group(1) if m and m.group(1) in order else '(no input)'
            got.setdefault(key, []).append(('' if stream == 'out' else '[stderr] ') + line)
    sums = os.path.join(texts, side, cmd + '.sums')
    if os.path.exists(sums):
        written = {}
        for line in open(sums, encoding='utf-8'):
            h, n = line.rstrip('\n').split('  ', 1)
            written[n] = h
        for n in names:
            got.setdefault(n, []).append('[file] ' + (written.pop(n) if n in written else 'not written'))
        for n, h in written.items():
            got.setdefault('(no input)', []).append('[file] %s %s' % (n, h))
    return got

def status(side, cmd):
    s = int(open(os.path.join(texts, side, cmd + '.rc')).read())
    if s == 124:
        return '124 (timed out)'
    if s > 128:
        try:
            return '%d (%s)' % (s, signal.Signals(s - 128).name)
        except ValueError:
            pass
    return str(s)

summary, listing, full = [], [], []
differ = False
for cmd in commands:
    a, b = by_input('base', cmd), by_input('new', cmd)
    sa, sb = status('base', cmd), status('new', cmd)
    keys = sorted(set(a) | set(b), key=lambda k: order.get(k, -1))
    bad, minus, plus = [], 0, 0
    for k in keys:
        la, lb = a.get(k, []), b.get(k, [])
        if la == lb:
            continue
        d = [l for l in difflib.unified_diff(la, lb, lineterm='', n=0)][2:]
        d = [l for l in d if not l.startswith('@@')]
        minus += sum(l.startswith('-') for l in d)
        plus += sum(l.startswith('+') for l in d)
        bad.append((k, d))
    if bad or sa != sb:
        differ = True
    summary.append('%-20s %-12s %-12s %8d %8d %8d' % (cmd, sa, sb, len(bad), minus, plus))
    if sa != sb:
        full.append('== %s: exit status %s (base) against %s (new)' % (cmd, sa, sb))
    for i, (k, d) in enumerate(bad):
        block = ['%s  %s' % (cmd, k)] + ['    ' + l for l in d]
        full.extend(block)
        if i < CAP:
            listing.extend(block)
        elif i == CAP:
            listing.append('%s  ... %d more inputs differ' % (cmd, len(bad) - CAP))

print('%-20s %-12s %-12s %8s %8s %8s' % ('command', 'base exit', 'new exit', 'inputs', '-lines', '+lines'))
print('\n'.join(summary))
print('(inputs: how many inputs\' answers differ; -lines/+lines: lines only the base / only the new build gave;\n'
      ' a written file counts as one line, "[file] <md5>")')
if differ:
    path = os.path.join(texts, 'diff.txt')
    with open(path, 'w', encoding='utf-8') as f:
        f.write('\n'.join(full) + '\n')
    if listing:
        print('\n'.join(listing))
    print('\nDIFFERENT. The whole list: %s (both builds\' outputs beside it)' % path)
    sys.exit(1)
print('\nIDENTICAL')
EOF
[ "$rc" -eq 0 ] || keep_texts=1
[ "$rc" -le 1 ] || { echo "same-answers: the comparison failed; outputs in $texts" >&2; exit 2; }
ms=$(( (${EPOCHREALTIME/./} - start) / 1000 ))
printf 'took %d.%d s\n' $((ms / 1000)) $((ms % 1000 / 100))
exit "$rc"
