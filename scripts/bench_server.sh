# Sourced by the bench scripts: makes the folder $work, removed at exit
# together with the server the script started. start_server starts
# vireo-server (build/vireo-server, or $VIREO_SERVER) on ports the kernel
# picks, with a data folder in $work, waits up to 30 s for its ready line and
# sets $pid and $universe (its universe port).
work="$(mktemp -d)"
pid=
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT
start_server() {
    "${VIREO_SERVER:-build/vireo-server}" --data "$work/data" --universe-port 0 --world-port 0 \
        --http-port 0 "$@" >"$work/out" 2>"$work/log" &
    pid=$!
    for _ in $(seq 300); do
        if grep -q "vireo-server ready" "$work/out" || ! kill -0 "$pid" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
    if ! grep -q "vireo-server ready" "$work/out"; then
        echo "vireo-server did not get ready:" >&2
        cat "$work/log" >&2
        exit 1
    fi
    universe=$(sed -n 's/.*universe port \([0-9]*\).*/\1/p' "$work/log" | head -n 1)
}
