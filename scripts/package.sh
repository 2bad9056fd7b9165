#!/usr/bin/env bash
# Builds the Debian package from a Release build and checks it as a packager and a user would:
# lintian without errors, the menu entry, the metainfo and both manual pages valid, then installs
# it, runs both installed programs and removes it again.
#   scripts/package.sh BUILD-DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/package.sh BUILD-DIR}

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

rm -f "$build"/roruvez_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/roruvez_*.deb)
echo "== $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

lintian --fail-on error --tag-display-limit 0 "$deb"

# What the package holds is checked, not what the build tree happens to hold.
contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT
dpkg-deb --extract "$deb" "$contents"
desktop-file-validate "$contents"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$contents"/usr/share/metainfo/*.metainfo.xml
for page in "$contents"/usr/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
        echo "$page: $warnings" >&2
        exit 1
    fi
done

$sudo dpkg -i "$deb"
removePackage() { $sudo dpkg -r roruvez; }
trap 'removePackage; rm -rf "$contents"' EXIT

version=$(sed -n 's/^project(roruvez VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
test "$(/usr/bin/roruvez-cli --version)" = "roruvez-cli $version"
for file in /usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/*.png \
    /usr/share/icons/hicolor/scalable/apps/*.svg /usr/share/bash-completion/completions/roruvez-cli \
    /usr/share/man/man1/roruvez.1.gz /usr/share/man/man1/roruvez-cli.1.gz; do
    test -s "$file"
done

# The window starts and stays up: still running when the time runs out is success (124), any
# other ending is a failure.
status=0
QT_QPA_PLATFORM=offscreen timeout 5 /usr/bin/roruvez || status=$?
if [ "$status" -ne 124 ]; then
    echo "the installed roruvez ended with status $status instead of running" >&2
    exit 1
fi
echo "== package checks passed"
