#!/bin/sh
# Installs the build into a temporary folder as the package would and checks
# that every program, desktop file, icon and the udev rule is in place, and
# that the desktop data passes its validators.
# Usage: check-install.sh <build dir>
set -eu
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT INT TERM
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null

status=0
for f in \
    usr/bin/MoravinLite usr/bin/Trendora usr/bin/Pagewright usr/bin/moravin-simulator \
    usr/share/applications/example.moravin.MoravinLite.desktop \
    usr/share/applications/example.moravin.Trendora.desktop \
    usr/share/applications/example.moravin.Pagewright.desktop \
    usr/share/mime/packages/moravin.xml \
    usr/share/metainfo/example.moravin.MoravinLite.metainfo.xml \
    usr/share/icons/hicolor/48x48/apps/moravin.png \
    usr/share/icons/hicolor/scalable/apps/moravin.svg \
    usr/lib/udev/rules.d/70-moravin-devices.rules \
    usr/share/doc/moravin/copyright usr/share/doc/moravin/changelog.gz \
    usr/share/man/man1/MoravinLite.1.gz; do
    if [ ! -s "$root/$f" ]; then
        echo "missing: /$f" >&2
        status=1
    fi
done
# The recorder looks for the companions beside itself first.
for p in MoravinLite Trendora Pagewright; do
    [ -x "$root/usr/bin/$p" ] || { echo "not executable: /usr/bin/$p" >&2; status=1; }
done
grep -q 'ATTRS{idVendor}=="04d8", ATTRS{idProduct}=="000a", TAG+="uaccess"' \
    "$root/usr/lib/udev/rules.d/70-moravin-devices.rules" || { echo "udev rule" >&2; status=1; }
grep -q '<glob pattern="\*.qpj"/>' "$root/usr/share/mime/packages/moravin.xml" ||
    { echo "mime glob" >&2; status=1; }
for d in Trendora Pagewright; do
    grep -q '^MimeType=application/x-moravin-project;$' \
        "$root/usr/share/applications/example.moravin.$d.desktop" ||
        { echo "$d does not open projects" >&2; status=1; }
done
desktop-file-validate "$root"/usr/share/applications/*.desktop || status=1
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml >/dev/null || status=1
exit $status
