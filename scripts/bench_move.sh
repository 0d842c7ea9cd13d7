#!/bin/bash
# Measures moving through the generated world "city" (scripts/bench_move.sh):
# starts vireo-server with --city 1 and, under a virtual display, runs
# build/vireo as a citizen with a 3D view of 800 x 600.
#  1. The densest block of 3 x 3 cells of the city (by the bytes of its
#     objects' records in the server's store) is where the user stands.
#     A first visit there fills the cell store; the client then goes 100
#     cells north (empty land) and teleports back: with the store warm, the
#     frames from the arrival until the 3 x 3 block around it is loaded, and
#     until every cell within the range is.
#  2. Walking there for 10 s, turning a little every second (running into
#     objects, sliding along them and climbing), the main thread's processor
#     time of the movement task per frame: the collision tests of every
#     sub-step against the ground and the objects of the nine cells around.
set -eu
cd "$(dirname "$0")/.."
. scripts/bench_server.sh
start_server --city 1

# The densest 3 x 3 block, and where the walk starts: the point of the
# street cells beside its centre farthest from any object, facing along
# the street (north on a street of cells with x a multiple of 4, west on one
# with z a multiple of 4; x grows to the west).
IFS='|' read -r cx cz place far walk < <(python3 - "$work/data/city.db" <<'PY'
import sqlite3, struct, sys
db = sqlite3.connect(sys.argv[1])
cells = {(x, z): r for x, z, r in db.execute("SELECT x, z, records FROM cell")}
def block(x, z):
    return sum(len(cells.get((x + dx, z + dz), b"")) for dx in (-1, 0, 1) for dz in (-1, 0, 1))
x, z = max(cells, key=lambda c: block(*c))
objects = []
for (ox, oz), r in cells.items():
    at = 0
    while at + 20 <= len(r):
        dx, _, dz = struct.unpack(">hhh", r[at + 9:at + 15])
        objects.append((ox + dx / 1000, oz + dz / 1000))
        at += 20 + r[at + 17] + r[at + 18] + r[at + 19]
def at(px, pz, yaw=0):
    ns = "%.2f%s" % (abs(pz), "N" if pz >= 0 else "S")
    ew = "%.2f%s" % (abs(px), "W" if px >= 0 else "E")
    return "%s %s 0.1a %d" % (ns, ew, yaw)
def clearance(p):
    return min((p[0] - a) ** 2 + (p[1] - b) ** 2 for a, b in objects)
streets = [(x + dx, z + dz) for dx in (-1, 0, 1) for dz in (-1, 0, 1)
           if (x + dx) % 4 == 0 or (z + dz) % 4 == 0]
points = [(sx + i / 20, sz + j / 20, 0 if sx % 4 == 0 else 90)
          for sx, sz in streets for i in range(1, 20) for j in range(1, 20)]
px, pz, yaw = max(points, key=lambda p: clearance(p[:2]))
print("%d|%d|%s|%s|%s" % (x, z, at(x + 0.5, z + 0.5), at(x + 0.5, z + 100.5), at(px, pz, yaw)))
PY
)

home="$work/home"
mkdir -p "$home"
printf '[universe]\nhost=127.0.0.1\nport=%s\n[citizen]\nname=Wren\npassword=wren\n[layout]\ntabx=100\nwebx=905\nchaty=637\n' \
    "$universe" >"$home/vireo.ini"
cat >"$home/script" <<EOF
resize 1270 960
wait 5
until cells 9 60000
teleport city $place
wait 1
until near 9 60000
sleep 6000
teleport $far
wait 1
until near 9 60000
sleep 3000
state $work/far.json
teleport $place
wait 1
until near 9 30000
state $work/near.json
until near range 60000
state $work/range.json
teleport $walk
wait 1
until near 9 30000
sleep 2000
state $work/start.json
frame-costs reset
key 38 down
$(for _ in $(seq 10); do printf 'sleep 1000\nkey 37 press\nwait 1\nkey 37 press\nwait 1\nkey 37 press\n'; done)
key 38 up
state $work/walk.json
quit 0
EOF
VIREO_HOME="$home" VIREO_AUTOMATION="$home/script" VIREO_SERVER="" XDG_DATA_HOME="$home" \
    xvfb-run -a -s "-screen 0 1280x1024x24" build/vireo >"$home/out" 2>&1 ||
    { cat "$home/out" >&2; exit 1; }

python3 - "$work" "$cx" "$cz" <<'PY'
import json, sys
work, cx, cz = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
def state(name):
    return json.load(open("%s/%s.json" % (work, name)))
near, full, start, walk = state("near"), state("range"), state("start"), state("walk")
arrival = full["arrival_frames"]
print("densest 3 x 3 block around cell (%d, %d); %d objects live after the walk"
      % (cx, cz, walk["elements"]))
print("teleport 100 cells with the cell store warm: the 3 x 3 block loaded in frame %d after "
      "the arrival, all %d cells of the range in frame %d after it"
      % (arrival["block"], full["range"]["index"], arrival["range"]))
c = walk["frame_costs"]
print("walking 10 s: %d frames; movement and collision per frame: median %.3f ms, p99 %.3f ms, "
      "worst %.3f ms (target under 0.5 ms); the whole frame without drawing: median %.2f ms"
      % (c["frames"], c["move_median_ms"], c["move_p99_ms"], c["move_worst_ms"], c["median_ms"]))
a, b = start["position"], walk["position"]
print("walked from (%.2f, %.2f) to (%.2f, %.2f), %.2f units"
      % (a["x"], a["z"], b["x"], b["z"], ((a["x"] - b["x"]) ** 2 + (a["z"] - b["z"]) ** 2) ** 0.5))
PY
