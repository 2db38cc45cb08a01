#!/usr/bin/env bash
# Builds the suite and starts MoravinLite beside simulated USB and LAN devices.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"

launcher=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting MoravinLite on a virtual X server (xvfb-run)."
    launcher=(xvfb-run -a -s "-screen 0 1280x800x24")
fi
exec "${launcher[@]}" bash tools/demo.sh "$PWD/build/recorder/MoravinLite"
