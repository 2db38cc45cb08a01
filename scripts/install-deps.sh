#!/usr/bin/env bash
# Installs the Debian 12 packages the suite needs to build, test and run.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
    qtbase5-dev libqt5serialport5-dev qtmultimedia5-dev libqt5multimedia5-plugins
    libqt5sql5-sqlite libqt5svg5-dev libqt5webkit5-dev libjs-jquery
    gstreamer1.0-plugins-good
    fonts-liberation2 fonts-dejavu-core
    lame sqlite3 libsqlite3-dev libqcustomplot-dev tzdata poppler-utils xvfb xauth
    desktop-file-utils appstream lintian dpkg-dev file
    libcurl4-openssl-dev libmosquitto-dev libsecret-1-dev
    mosquitto mosquitto-clients python3-aiosmtpd gnome-keyring dbus-daemon openssl
    postgresql-15 postgresql-client libpq-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

# Only the package installation needs root: as another user it goes through sudo.
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "$0: these packages are missing: ${missing[*]}" >&2
        echo "$0: install them as root (apt-get install ...), or install sudo" >&2
        exit 1
    fi
    as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
