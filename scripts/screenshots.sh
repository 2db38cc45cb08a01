#!/usr/bin/env bash
# Makes the README's screenshots again: starts the programs on a virtual X
# server beside simulated devices (loopback only) and a generated project with
# two days of readings, and saves the recorder's dashboard and chart panel,
# the viewer with a chart and a filled daily report into docs/screenshots/.
# Usage: bash scripts/screenshots.sh [build dir (build)]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=docs/screenshots

bash scripts/install-deps.sh
for tool in xdotool import convert; do
    command -v "$tool" >/dev/null || missing_tools="${missing_tools:-} $tool"
done
if [ -n "${missing_tools:-}" ]; then
    echo "$0: needs xdotool and imagemagick (missing:$missing_tools)" >&2
    exit 2
fi
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target MoravinLite Trendora Pagewright moravin-simulator \
    recorder_shots trendora_shots trendora_make_project

work=$(mktemp -d "${TMPDIR:-/tmp}/moravin-shots.XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/home" "$work/config" "$work/run" "$work/shots" "$out"
chmod 700 "$work/run"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
export MORAVIN_DISCOVERY_ADDRESS=127.0.0.1 MORAVIN_SIMULATED_PORTS=$work/usb-ports
export QT_QPA_PLATFORM=xcb

display=90
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=:$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Two whole days of readings of eight devices, ending at last midnight; the
# device numbers are MAC texts, so that the LAN devices can answer too.
today=$(date -d 'today 00:00' +%s)
bash bench/make-database.sh "$work/Plant.dat" 8 172800 $((today - 2 * 86400)) 024B56000 >/dev/null
"$build/bench/viewer/trendora_make_project" "$work/Plant.dat" 8 024B56000 1000 2323 >/dev/null
project=$work/Plant.qpj

devices=()
for i in 1 2 3 4 5 6 7 8; do
    if [ $((i % 2)) -eq 1 ]; then
        devices+=(--usb "024B5600000$i")
    else
        devices+=(--lan "127.0.0.$((i + 10)):2323/024B5600000$i")
    fi
done
"$build/tools/simulator/moravin-simulator" "${devices[@]}" --discovery none --duration 600 \
    </dev/null >"$work/simulator.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q '^ready$' "$work/simulator.log" && break; sleep 0.1; done
grep -q '^ready$' "$work/simulator.log" || { cat "$work/simulator.log" >&2; exit 1; }

echo "== recorder"
"$build/bench/recorder/recorder_shots" "$project" "$work/shots" 40

echo "== viewer"
"$build/bench/viewer/trendora_shots" "$project" "$work/shots" >/dev/null

echo "== report"
"$build/report/Pagewright" "$project" >/dev/null 2>&1 &
pids+=($!)
xdotool search --sync --name '^Pagewright$' >/dev/null
sleep 2
# Without a window manager the window sits at the top left: two channels of
# the first device, then MAKE REPORT.
xdotool mousemove 60 121 click 1
sleep 0.3
xdotool mousemove 60 140 click 1
sleep 0.3
xdotool mousemove 137 743 click 1
sleep 8
import -window root -crop 1024x768+0+0 +repage "$work/shots/report.png"

# Screen grabs are cropped to the window: the rest of the screen is black.
save() {
    convert "$1" -trim +repage -strip -define png:compression-level=9 "$out/$2"
    echo "wrote $out/$2"
}
save "$work/shots/recorder-dashboard.png" recorder-dashboard.png
save "$work/shots/recorder-chart.png" recorder-chart.png
save "$work/shots/05-track-cursor.png" viewer-chart.png
save "$work/shots/report.png" report.png
