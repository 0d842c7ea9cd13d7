#!/bin/sh
# Installs what is missing, builds the test configuration (AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs every test under a virtual display.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh test
export LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export SDL_AUDIODRIVER=dummy
export QTWEBENGINE_DISABLE_SANDBOX=1
cd build-test
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j2 --timeout 600
