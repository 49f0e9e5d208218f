#!/usr/bin/env bash
# Start the demo shop (shop and official site, one process) in the background
# and return once it listens, so the client can be started right after.
#
#   run_demo_shop.sh [shop_server.py options...]   start (options are passed on)
#   run_demo_shop.sh stop                          stop the server started here
#
# Environment: SHOP_PORT (8765), OFFICIAL_PORT (8766), PYTHON (python3),
# SHOP_STATE_DIR (${TMPDIR:-/tmp}/tolvane-demo-shop: pid file and server output).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
state="${SHOP_STATE_DIR:-${TMPDIR:-/tmp}/tolvane-demo-shop}"
pidfile="$state/shop_server.pid"
out="$state/shop_server.out"
err="$state/shop_server.err"
mkdir -p "$state"

# True while PID runs; a zombie counts as ended, since whoever adopted it may reap it late.
alive() {
    local stat
    stat="$(cat "/proc/$1/stat" 2>/dev/null)" || return 1
    stat="${stat##*) }"
    [[ -n "$stat" && "${stat%% *}" != "Z" ]]
}

# Print the pid from the pid file if that process is still our server;
# a bare pid could have been reused by an unrelated program.
running_pid() {
    local pid
    [[ -f "$pidfile" ]] || return 1
    pid="$(cat "$pidfile")"
    [[ "$pid" =~ ^[0-9]+$ ]] || return 1
    alive "$pid" || return 1
    tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q 'shop_server\.py' || return 1
    echo "$pid"
}

if [[ "${1:-}" == "stop" ]]; then
    if ! pid="$(running_pid)"; then
        rm -f "$pidfile"
        echo "demo shop is not running"
        exit 0
    fi
    kill "$pid"
    for _ in $(seq 50); do
        alive "$pid" || break
        sleep 0.1
    done
    rm -f "$pidfile"
    echo "stopped demo shop (pid $pid)"
    exit 0
fi

if pid="$(running_pid)"; then
    echo "demo shop already running (pid $pid); run '$0 stop' first" >&2
    exit 1
fi

: >"$out"
nohup "${PYTHON:-python3}" "$here/shop_server.py" \
    --port "${SHOP_PORT:-8765}" --official-port "${OFFICIAL_PORT:-8766}" "$@" \
    >"$out" 2>"$err" </dev/null &
pid=$!
echo "$pid" >"$pidfile"

# The server prints all its "listening on" lines in one write once every port is bound.
for _ in $(seq 100); do
    if grep -q '^listening on ' "$out"; then
        grep '^listening on ' "$out"
        echo "demo shop pid $pid; stop it with: $0 stop"
        exit 0
    fi
    if ! alive "$pid"; then
        echo "demo shop failed to start:" >&2
        cat "$err" >&2
        rm -f "$pidfile"
        exit 1
    fi
    sleep 0.1
done
echo "demo shop did not report listening within 10 s; see $err" >&2
kill "$pid" 2>/dev/null || true
rm -f "$pidfile"
exit 1
