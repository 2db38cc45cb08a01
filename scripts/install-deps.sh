#!/usr/bin/env bash
# Installs the Debian 12 packages the suite needs to build, test and run.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
    qtbase5-dev libqt5serialport5-dev qtmultimedia5-dev libqt5multimedia5-plugins
    libqt5sql5-sqlite libqt5svg5-dev libqt5webkit5-dev libjs-jquery
    gstreamer1.0-plugins-good
    fonts-liberation2 fonts-dejavu-core
    lame sqlite3 xvfb xauth poppler-utils
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
