#!/usr/bin/env bash
# Fails when a shipped program holds a test seam: any name that the seam
# header declares at its top level, or a linker wrapper; or when it would
# load libraries from anywhere but its own folder (an ELF run path other
# than $ORIGIN: an empty entry means the current folder).
#
# usage: check_shipped.sh TestSeams.h PROGRAM...
set -euo pipefail
header=${1:?usage: check_shipped.sh TestSeams.h PROGRAM...}
shift

# Top-level classes and functions of the header (declarations start in
# column 0; aliases, forward declarations and comments are not seams).
mapfile -t names < <(
    grep -vE '^(using|enum|class [A-Za-z_]+;|#|//|namespace|\}|struct)' "$header" |
        sed -nE 's/^class ([A-Za-z_][A-Za-z0-9_]*).*/\1/p; s/^[A-Za-z].*[ &*]([A-Za-z_][A-Za-z0-9_]*)\(.*/\1/p' |
        sort -u)
if [ "${#names[@]}" -lt 5 ]; then
    echo "found only ${#names[@]} seam names in $header: ${names[*]}" >&2
    exit 1
fi
pattern="\\b($(IFS='|'; echo "${names[*]}"))\\b|__wrap_|ForTest"

status=0
for program in "$@"; do
    found=$(nm -C "$program" | grep -E "$pattern" || true)
    if [ -n "$found" ]; then
        echo "$(basename "$program") holds test seams:" >&2
        echo "$found" | head -20 | sed 's/^/    /' >&2
        status=1
    fi
    paths=$(readelf -d "$program" 2>/dev/null | sed -nE 's/.*\((RUNPATH|RPATH)\).*\[(.*)\]$/\2/p' || true)
    if [ -n "$paths" ] && [ "$paths" != '$ORIGIN' ]; then
        echo "$(basename "$program") loads libraries from: $paths" >&2
        status=1
    fi
done
echo "checked ${#names[@]} names (${names[*]}) in $# programs"
exit $status
