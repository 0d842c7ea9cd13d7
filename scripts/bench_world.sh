#!/bin/bash
# Measures entering the generated world "city" (scripts/bench_world.sh):
# starts vireo-server with --city 1 and, under a virtual display, logs
# build/vireo in as a citizen with the visibility at its widest (120 m, all
# 459 cells around the viewer). From qo the client teleports to city; it
# reports the time until the 48 cells within 40 m (the default minimum) are
# loaded and until all 459 are, first with an empty cache (cold: every cell
# over the property protocol) and then again with the cache the first run
# filled (warm: cells from the cell store), the warm/cold ratio, the
# visibility manager's worst frame, and, with city fully loaded, the frame
# loop's processor time per frame without and with the drawing (10 s standing
# still, then 400 frames looking up and down, each drawing a picture), the draw calls, and the resident
# size per live object.
set -eu
cd "$(dirname "$0")/.."
work="$(mktemp -d)"
pid=
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT
. scripts/bench_server.sh
start_server --city 1
home="$work/home"
mkdir -p "$home"
printf '[universe]\nhost=127.0.0.1\nport=%s\n[citizen]\nname=Wren\npassword=wren\n[performance]\nvisibility=120\n' \
    "$universe" >"$home/vireo.ini"
for run in cold warm; do
    cat >"$home/script" <<SCRIPT
resize 1100 900
wait 5
until cells 9 60000
sleep 1000
state $work/$run-0.json
teleport city
until cells 48 120000
state $work/$run-1.json
until cells 459 300000
state $work/$run-2.json
sleep 2000
frame-costs reset
sleep 10000
state $work/$run-3.json
frame-costs reset
$(for _ in $(seq 200); do printf 'menu 124\nwait 1\nmenu 125\nwait 1\n'; done)
state $work/$run-4.json
quit 0
SCRIPT
    VIREO_HOME="$home" VIREO_AUTOMATION="$home/script" VIREO_SERVER="" XDG_DATA_HOME="$home" \
        xvfb-run -a -s "-screen 0 1280x1024x24" build/vireo >"$home/out-$run" 2>&1 ||
        { cat "$home/out-$run" >&2; exit 1; }
done
python3 - "$work" <<'PY'
import json, sys
work = sys.argv[1]
s = {(run, i): json.load(open("%s/%s-%d.json" % (work, run, i)))
     for run in ("cold", "warm") for i in range(5)}
t = {}
for run in ("cold", "warm"):
    t0 = s[run, 0]["clock_ms"]
    t[run] = (s[run, 1]["clock_ms"] - t0, s[run, 2]["clock_ms"] - t0)
    vis = s[run, 2].get("visible", {})
    print("%s: 48 cells in %d ms, all 459 cells in %d ms (%d live objects); "
          "visibility: worst frame %s ms of loading, slowest cell %s ms, budget 50 ms"
          % (run, t[run][0], t[run][1], s[run, 2]["elements"],
             vis.get("worst_ms", "?"), vis.get("slowest_cell_ms", "?")))
print("cold / warm: %.1fx to 48 cells, %.1fx to 459 cells"
      % (t["cold"][0] / max(t["warm"][0], 1), t["cold"][1] / max(t["warm"][1], 1)))
v = s["warm", 4]["views"]["viewport"]
print("3D view %d x %d" % (v["width"], v["height"]))
for i, what in ((3, "standing"), (4, "looking up and down")):
    c = s["warm", i]["frame_costs"]
    print("city fully loaded, %s: %d frames, %d drawn; main-thread processor time per frame "
          "without the drawing: median %.2f ms, p99 %.2f ms; drawing: median %.2f ms, "
          "p99 %.2f ms; %d draw calls"
          % (what, c["frames"], c["drawn"], c["median_ms"], c["p99_ms"], c["draw_median_ms"],
             c["draw_p99_ms"], c["draw_calls"]))
rss0, rss = s["warm", 0]["rss_kb"], s["warm", 3]["rss_kb"]
n = s["warm", 3]["elements"]
print("resident size: %d MB in qo, %d MB with city loaded (%d objects): %.1f KB per object"
      % (rss0 / 1024, rss / 1024, n, (rss - rss0) / max(n, 1)))
PY
