#!/bin/sh
# Builds Vireo: scripts/build.sh [release|test] [TARGET...]
#   release (default): build/, optimised
#   test: build-test/, with AddressSanitizer and UndefinedBehaviorSanitizer
# With targets, only those (and what they need) are built; else everything.
set -eu
cd "$(dirname "$0")/.."
kind="${1:-release}"
if [ $# -gt 0 ]; then shift; fi
case "$kind" in
release) dir=build; flags="-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIREO_SANITIZE=OFF" ;;
test) dir=build-test; flags="-DCMAKE_BUILD_TYPE=Debug -DVIREO_SANITIZE=ON" ;;
*) echo "usage: scripts/build.sh [release|test] [TARGET...]" >&2; exit 2 ;;
esac
# shellcheck disable=SC2086
cmake -S . -B "$dir" -G Ninja $flags
if [ $# -gt 0 ]; then
    cmake --build "$dir" --target "$@"
else
    cmake --build "$dir"
fi
