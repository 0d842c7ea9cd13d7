#!/bin/sh
# Builds the optimised configuration and runs every benchmark.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release
for b in build/bench/bench_*; do
    [ -f "$b" ] && [ -x "$b" ] || continue
    xvfb-run -a "$b" "$@"
done
