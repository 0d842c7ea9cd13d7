#!/bin/bash
# Measures vireo-server's CPU use with scripted bots:
#   scripts/bench_bots.sh [BOTS [SECONDS]]   (defaults 100 and 60)
# Runs the server (build/vireo-server, or $VIREO_SERVER) with --bots BOTS and
# one client standing among the bots (logged in as a tourist, a state
# message every second, so the server builds it a user list every second), and prints the processor
# time the server used over SECONDS seconds after a second of start-up.
set -eu
cd "$(dirname "$0")/.."
server="${VIREO_SERVER:-build/vireo-server}"
bots="${1:-100}"
seconds="${2:-60}"
work="$(mktemp -d)"
port=$((20000 + RANDOM % 20000))
"$server" --data "$work/data" --universe-port 0 --world-port "$port" --http-port 0 --bots "$bots" \
    >"$work/out" 2>"$work/log" &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT
sleep 1
grep -q "vireo-server ready" "$work/out" || { cat "$work/log" >&2; exit 1; }

# utime + stime of the server, in clock ticks.
cpu_ticks() {
    local stat
    read -r -a stat <"/proc/$pid/stat"
    echo $((stat[13] + stat[14]))
}

# The world answers only addresses logged in to the universe: log in as a
# tourist (length 13, code 45, build, empty name and password, privilege 0,
# empty privilege password, hide-world 0) and keep the connection open.
universe=$(sed -n 's/.*universe port \([0-9]*\).*/\1/p' "$work/log" | head -n 1)
exec 4<>"/dev/tcp/127.0.0.1/$universe"
printf '\0\015\055\0\0\0\0\0\0\0\0\0\0\0\0' >&4
exec 3<>"/dev/udp/127.0.0.1/$port"
before=$(cpu_ticks)
end=$((SECONDS + seconds))
while [ "$SECONDS" -lt "$end" ]; do
    # State: type 0, position (0, 0, 0), yaw 0, avatar 0, 0, no gesture.
    printf '\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' >&3
    sleep 1
done
after=$(cpu_ticks)
hz=$(getconf CLK_TCK)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v b="$bots" 'BEGIN {
    printf "%d bots, %d s: %.2f s of processor time, %.2f%% of one core\n",
        b, s, t / hz, 100 * t / hz / s
}'
