#!/usr/bin/env bash
# Starts Tamlix on the bundled sample photo. Without the window program or
# without a display, says so and prints the sample's summary through the CLI.
#
# usage: scripts/run.sh BINDIR
set -euo pipefail

bindir=${1:?usage: scripts/run.sh BINDIR}
sample=$bindir/sample.jpg

if [ ! -f "$sample" ]; then
    echo "run.sh: $sample is missing (build first: make build)" >&2
    exit 1
fi

if [ -x "$bindir/Tamlix" ]; then
    if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
        exec "$bindir/Tamlix" "$sample"
    fi
    echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): showing the sample's summary instead."
else
    echo "The Tamlix window is not built yet: showing the sample's summary instead."
fi
echo
exec "$bindir/tamlix-cli" show "$sample"
