#!/usr/bin/env bash
# Builds the three programs and the simulator, then starts MoravinLite beside
# simulated USB and LAN devices.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Only what the demo runs (and the images and sound they are built with); the
# tests and benchmarks build with scripts/test.sh or a plain cmake --build.
cmake --build build -j"$(nproc)" --target MoravinLite Trendora Pagewright moravin-simulator

launcher=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting MoravinLite on a virtual X server (xvfb-run)."
    launcher=(xvfb-run -a -s "-screen 0 1280x800x24")
fi
exec "${launcher[@]}" bash tools/demo.sh "$PWD/build/recorder/MoravinLite"
