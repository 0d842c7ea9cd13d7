#!/bin/sh
# Builds Vireo: scripts/build.sh [release|test]
#   release (default): build/, optimised
#   test: build-test/, with AddressSanitizer and UndefinedBehaviorSanitizer
set -eu
cd "$(dirname "$0")/.."
kind="${1:-release}"
case "$kind" in
release) dir=build; flags="-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIREO_SANITIZE=OFF" ;;
test) dir=build-test; flags="-DCMAKE_BUILD_TYPE=Debug -DVIREO_SANITIZE=ON" ;;
*) echo "usage: scripts/build.sh [release|test]" >&2; exit 2 ;;
esac
# shellcheck disable=SC2086
cmake -S . -B "$dir" -G Ninja $flags
cmake --build "$dir"
