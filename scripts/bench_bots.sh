#!/bin/bash
# Measures vireo-server's CPU use with scripted bots:
#   scripts/bench_bots.sh [BOTS [SECONDS]]   (defaults 100 and 60)
# Runs the server (build/vireo-server, or $VIREO_SERVER) with --bots BOTS and
# one client standing among the bots (logged in as a tourist, a state
# message every second, so the server builds it a user list every second), and prints the processor
# time the server used over SECONDS seconds once it is ready. The server
# listens on ports the kernel picks, so several runs may go at once.
set -eu
cd "$(dirname "$0")/.."
bots="${1:-100}"
seconds="${2:-60}"
. scripts/bench_server.sh
start_server --bots "$bots"

# Nanoseconds the server's threads have spent on a processor (the first
# field of each thread's schedstat); a thread gone in between is skipped.
cpu_ns() {
    local total=0 ns rest file
    for file in /proc/"$pid"/task/*/schedstat; do
        { read -r ns rest <"$file"; } 2>/dev/null || continue
        total=$((total + ns))
    done
    echo "$total"
}

# The world answers only addresses logged in to the universe: log in as a
# tourist (length 13, code 45, build, empty name and password, privilege 0,
# empty privilege password, hide-world 0) and keep the connection open.
# The bots walk in the first world, whose avatars have the first UDP port.
port=$(sed -n 's/.*avatars on UDP port \([0-9]*\).*/\1/p' "$work/log" | head -n 1)
exec 4<>"/dev/tcp/127.0.0.1/$universe"
printf '\0\015\055\0\0\0\0\0\0\0\0\0\0\0\0' >&4
exec 3<>"/dev/udp/127.0.0.1/$port"
before=$(cpu_ns)
started=$EPOCHREALTIME
end=$((SECONDS + seconds))
while [ "$SECONDS" -lt "$end" ]; do
    # State: type 0, position (0, 0, 0), yaw 0, avatar 0, 0, no gesture.
    printf '\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' >&3
    sleep 1
done
after=$(cpu_ns)
ended=$EPOCHREALTIME
# The share of one core is taken over the time actually measured.
awk -v t=$((after - before)) -v s="$ended" -v f="$started" -v b="$bots" 'BEGIN {
    printf "%d bots, %.3f s: %.3f s of processor time, %.2f%% of one core\n",
        b, s - f, t / 1e9, 100 * t / 1e9 / (s - f)
}'
