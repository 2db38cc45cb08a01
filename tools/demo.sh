#!/bin/sh
# Runs the recorder beside simulated devices: two USB devices on
# pseudo-terminals and three LAN devices on loopback, found by discovery on
# 127.0.0.255. The simulator is stopped when the recorder exits.
# Usage: tools/demo.sh <path to MoravinLite> [path to moravin-simulator]
set -eu

if [ $# -lt 1 ] || [ ! -x "$1" ]; then
    echo "usage: $0 <path to MoravinLite> [path to moravin-simulator]" >&2
    exit 2
fi
recorder=$1
simulator=${2:-}
if [ -z "$simulator" ]; then
    for candidate in \
        "$(dirname "$recorder")/../tools/simulator/moravin-simulator" \
        "$(dirname "$recorder")/tools/simulator/moravin-simulator" \
        "$(dirname "$recorder")/moravin-simulator"; do
        if [ -x "$candidate" ]; then
            simulator=$candidate
            break
        fi
    done
fi
if [ -z "$simulator" ] || [ ! -x "$simulator" ]; then
    echo "$0: moravin-simulator not found; give its path as the second argument" >&2
    exit 2
fi

run=$(mktemp -d "${TMPDIR:-/tmp}/moravin-demo.XXXXXX")
export MORAVIN_SIMULATED_PORTS="$run/usb-ports"
export MORAVIN_DISCOVERY_ADDRESS=127.0.0.1

"$simulator" \
    --usb KV2301A7 --usb KV2301B3 \
    --lan 127.0.0.11:2323 --lan 127.0.0.12:2323 --lan 127.0.0.13:2324 \
    --discovery 127.0.0.255:50000 --duration 86400 \
    </dev/null >"$run/simulator.log" 2>&1 &
simulator_pid=$!

stop_simulator() {
    if kill -0 "$simulator_pid" 2>/dev/null; then
        kill -TERM "$simulator_pid" 2>/dev/null || true
        wait "$simulator_pid" 2>/dev/null || true
    fi
    rm -rf "$run"
}
trap stop_simulator EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

tries=0
until grep -q '^ready$' "$run/simulator.log" 2>/dev/null; do
    if ! kill -0 "$simulator_pid" 2>/dev/null; then
        echo "$0: the simulator did not start:" >&2
        cat "$run/simulator.log" >&2
        exit 1
    fi
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ]; then
        echo "$0: the simulator did not get ready within 10 s" >&2
        exit 1
    fi
    sleep 0.1
done

echo "Simulated devices:"
grep -E '^(usb|lan) ' "$run/simulator.log" | sed 's/^/  /'
if grep -q '^discovery-unavailable' "$run/simulator.log"; then
    echo "WARNING: UDP port 50000 on 127.0.0.255 is already in use (another simulator?)." >&2
    echo "         LAN devices will not be found by discovery; add them by address instead." >&2
fi
echo "MORAVIN_SIMULATED_PORTS=$MORAVIN_SIMULATED_PORTS"
echo "MORAVIN_DISCOVERY_ADDRESS=$MORAVIN_DISCOVERY_ADDRESS"

status=0
"$recorder" || status=$?
exit "$status"
