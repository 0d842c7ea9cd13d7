#!/bin/bash
# Measures entering the generated world "city" (scripts/bench_world.sh):
# starts vireo-server with --city 1 and, under a virtual display, logs
# build/vireo in as a citizen with the visibility at its widest (120 m: the
# 458 cells of loading-order entries 0 to 457 around the viewer) and a 3D
# view of 800 x 600. From qo the client teleports to city.
#  1. A first run with an empty cache fills it. Standing at ground zero, the
#     client asks only for the 3 x 3 sectors around it (cells -9 to 8, 324 of
#     the 458); the run counts their objects and those of the first 48 cells
#     (the default minimum range, 40 m), then visits the four diagonal
#     sectors so that the cache holds the whole city, and counts the objects
#     of all 458 cells.
#  2. Warm: the same program folder again; the time from entering the world
#     (the teleport's world_enter) until the visibility manager has loaded
#     the first 48 cells and all 458 from the cell store, objects made.
#  3. Cold: a new, empty program folder; the time from entering the world
#     to the frame at which the objects of the first 48 cells and of the
#     3 x 3 sectors are live, every cell over the property protocol (the
#     rest of the 458 cells stays empty until visited). Frame-granular: one
#     frame (13 to 30 ms here) may be added.
# Then, in the warm run with city fully loaded, the frame loop's processor
# time per frame without and with the drawing (10 s standing still, then 400
# frames looking up and down, each drawing a picture), the draw calls, the
# visibility manager's worst frame of loading against its budget, and the
# resident size per live object.
set -eu
cd "$(dirname "$0")/.."
. scripts/bench_server.sh
start_server --city 1

make_home() {
    mkdir -p "$1"
    printf '[universe]\nhost=127.0.0.1\nport=%s\n[citizen]\nname=Wren\npassword=wren\n[performance]\nvisibility=120\n[layout]\ntabx=100\nwebx=905\nchaty=637\n' \
        "$universe" >"$1/vireo.ini"
}

run() {  # run HOME NAME SCRIPT
    printf 'resize 1270 960\nwait 5\nuntil cells 9 60000\nsleep 1000\nstate %s/%s-0.json\nteleport city\n%s\nquit 0\n' \
        "$work" "$2" "$3" >"$1/script"
    VIREO_HOME="$1" VIREO_AUTOMATION="$1/script" VIREO_SERVER="" XDG_DATA_HOME="$1" \
        xvfb-run -a -s "-screen 0 1280x1024x24" build/vireo >"$1/out" 2>&1 ||
        { cat "$1/out" >&2; exit 1; }
}

json() {  # json FILE EXPRESSION
    python3 -c "import json, sys; s = json.load(open(sys.argv[1])); print($2)" "$1"
}

make_home "$work/warm"
run "$work/warm" fill "until elements 5000 600000
sleep 8000
state $work/fill-1.json
$(for place in "6N 6W" "6N 6E" "6S 6W" "6S 6E"; do printf 'teleport %s\nsleep 8000\n' "$place"; done)
teleport 0N 0W
sleep 5000
state $work/fill-2.json"
near=$(json "$work/fill-1.json" 's["elements_within"]["48"]')
sectors=$(json "$work/fill-1.json" 's["elements"]')
all=$(json "$work/fill-2.json" 's["elements_within"]["458"]')

run "$work/warm" warm "until elements $near 600000
state $work/warm-1.json
until elements $all 600000
state $work/warm-2.json
sleep 2000
frame-costs reset
sleep 10000
state $work/warm-3.json
frame-costs reset
$(for _ in $(seq 200); do printf 'menu 124\nwait 1\nmenu 125\nwait 1\n'; done)
state $work/warm-4.json"
make_home "$work/cold"
run "$work/cold" cold "until elements $near 600000
state $work/cold-1.json
until elements $sectors 600000
state $work/cold-2.json"

python3 - "$work" "$near" "$all" "$sectors" <<'PY'
import json, sys
work, near, all_, sectors = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
def state(name):
    return json.load(open("%s/%s.json" % (work, name)))
t = {}
for run in ("warm", "cold"):
    # From the world's entry. Warm: until the loader finished the 48th and
    # the 458th cell, whose objects it made from the store. Cold: until the
    # frame at which the objects were live; the loader's own marks would
    # count cells loaded empty before their objects arrived.
    t0 = state(run + "-1")["world_entered_ms"]
    if run == "warm":
        vis = state("warm-2")["visible"]
        t[run] = (vis["loaded_48_ms"] - t0, vis["loaded_458_ms"] - t0)
    else:
        t[run] = (state(run + "-1")["counted_ms"] - t0, state(run + "-2")["counted_ms"] - t0)
    vis = state(run + "-2")["visible"]
    what = "all 458 cells" if run == "warm" else "the 3 x 3 sectors (324 cells)"
    print("%s: the %d objects of the first 48 cells live in %d ms, the %d of %s in %d ms; "
          "loading: worst frame %d ms (budget 50), slowest cell %d ms"
          % (run, near, t[run][0], all_ if run == "warm" else sectors, what, t[run][1],
             vis["worst_ms"], vis["slowest_cell_ms"]))
print("cold / warm: %.1fx for the first 48 cells; cold to the 3 x 3 sectors / warm to all 458 "
      "cells: %.1fx" % (t["cold"][0] / max(t["warm"][0], 1), t["cold"][1] / max(t["warm"][1], 1)))
v = state("warm-4")["views"]["viewport"]
print("3D view %d x %d" % (v["width"] // 2 * 2 - 4, v["height"] // 2 * 2 - 4))
for name, what in (("warm-3", "standing"), ("warm-4", "looking up and down")):
    c = state(name)["frame_costs"]
    print("city loaded, %s: %d frames, %d drawn; main-thread processor time per frame without "
          "the drawing: median %.2f ms, p99 %.2f ms; drawing: median %.2f ms, p99 %.2f ms; "
          "%d draw calls" % (what, c["frames"], c["drawn"], c["median_ms"], c["p99_ms"],
                             c["draw_median_ms"], c["draw_p99_ms"], c["draw_calls"]))
rss0, rss, n = state("warm-0")["rss_kb"], state("warm-3")["rss_kb"], state("warm-3")["elements"]
print("resident size: %d MB in qo, %d MB with city loaded (%d objects): %.1f KB per object"
      % (rss0 / 1024, rss / 1024, n, (rss - rss0) / max(n, 1)))
PY
