#!/bin/sh
# Builds the fuzz targets with clang and libFuzzer into build-fuzz/ and runs
# each for a while: scripts/fuzz.sh [seconds per target, default 60]
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-60}"
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DVIREO_SANITIZE=ON -DVIREO_FUZZ=ON -DVIREO_TESTS=OFF -DVIREO_BENCH=OFF
cmake --build build-fuzz
for target in build-fuzz/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name="${target##*/fuzz_}"
    mkdir -p "build-fuzz/corpus/$name"
    "$target" -max_total_time="$seconds" "build-fuzz/corpus/$name" "fuzz/corpus/$name"
done
