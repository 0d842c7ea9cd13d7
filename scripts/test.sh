#!/bin/sh
# Installs what is missing, builds the test configuration (AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs every test under a virtual display.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh test
# LeakSanitizer's tracking of dynamically loaded TLS misreads this glibc
# (its tracer crashes at exit once the GL drivers are loaded); the static
# TLS and every stack and heap are still scanned.
export LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0:intercept_tls_get_addr=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export SDL_AUDIODRIVER=dummy
export QTWEBENGINE_DISABLE_SANDBOX=1
cd build-test
run_tests() {
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j2 --timeout 600 "$@"
}
if run_tests; then
    exit 0
fi
# Should LeakSanitizer's own tracer still crash while it stops a program's
# threads at exit, that says nothing about the program: only a failure of
# that kind earns the failed tests another run (two at most).
for _ in 1 2; do
    grep -q "Tracer caught signal" Testing/Temporary/LastTest.log || exit 1
    echo "LeakSanitizer's tracer crashed; running the failed tests again" >&2
    if run_tests --rerun-failed; then
        exit 0
    fi
done
exit 1
