#!/bin/sh
# Installs what is missing, builds Vireo and runs it.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release
exec build/vireo "$@"
