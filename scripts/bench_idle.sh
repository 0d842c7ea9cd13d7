#!/bin/bash
# Measures what an idle Vireo costs: scripts/bench_idle.sh [SECONDS] (20).
# Starts vireo-server and, under a virtual display, logs build/vireo in as
# a citizen; after two seconds of settling it leaves the program alone for
# SECONDS seconds, once with redraws capped at 60 a second (the default)
# and once with no cap (frames back to back), and prints the processor time
# of all of the program's threads, the frames run and the pictures drawn.
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-20}"
. scripts/bench_server.sh
start_server

for rate in 60 0; do
    home="$work/home-$rate"
    mkdir -p "$home"
    printf '[universe]\nhost=127.0.0.1\nport=%s\n[citizen]\nname=Wren\npassword=wren\n[performance]\nredraw_rate=%s\n' \
        "$universe" "$rate" >"$home/vireo.ini"
    printf 'wait 5\nsleep 2000\nstate %s/a.json\nsleep %s\nstate %s/b.json\nquit 0\n' \
        "$home" "$((seconds * 1000))" "$home" >"$home/script"
    VIREO_HOME="$home" VIREO_AUTOMATION="$home/script" VIREO_SERVER="" XDG_DATA_HOME="$home" \
        xvfb-run -a -s "-screen 0 1280x1024x24" build/vireo >"$home/out" 2>&1 ||
        { cat "$home/out" >&2; exit 1; }
    python3 - "$home" "$seconds" "$rate" <<'PY'
import json, sys
home, seconds, rate = sys.argv[1], float(sys.argv[2]), sys.argv[3]
a = json.load(open(home + "/a.json"))
b = json.load(open(home + "/b.json"))
cpu = (b["cpu_ms"] - a["cpu_ms"]) / 1000
print("redraw_rate=%s, idle %.0f s: %.3f s of processor time, %.1f%% of one core, "
      "%d frames, %d pictures" % (rate, seconds, cpu, 100 * cpu / seconds,
                                 b["frames"] - a["frames"], b["redraws"] - a["redraws"]))
PY
done
