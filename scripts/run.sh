#!/bin/sh
# Installs what is missing, builds Vireo and runs it.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
# Only what a run needs: the program, the bundled server and its content.
scripts/build.sh release vireo vireo-server content
exec build/vireo "$@"
