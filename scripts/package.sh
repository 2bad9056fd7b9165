#!/usr/bin/env bash
# Builds the Debian package from a Release build and checks it as a packager and a user would:
# lintian without errors, the menu entry, the metainfo and both manual pages valid, then runs
# both programs from it. Only CI (CI=true) installs it for real and removes it again; elsewhere
# the programs run from the unpacked package, so a developer's machine stays as it was.
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

# The types of a first piece and of a later one: a valid shared-mime-info file, and, in a MIME
# database of the unpacked package alone, a real first piece is of its type by its name and,
# renamed, by its header, later pieces of theirs by their names, and a mere name of neither.
mimeFile=$(ls "$contents"/usr/share/mime/packages/*.xml)
schema=$(find /usr/share -name 'shared-mime-info*.xsd' -print -quit 2>/dev/null || true)
if [ -n "$schema" ]; then
    xmllint --noout --schema "$schema" "$mimeFile"
else
    echo "== no shared-mime-info schema installed: $mimeFile checked as XML only"
    xmllint --noout "$mimeFile"
fi
mimeTypes=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$mimeFile")
mimeType=$(echo "$mimeTypes" | sed -n 1p)
pieceType=$(echo "$mimeTypes" | sed -n 2p)
grep -q "^MimeType=$mimeType;$pieceType;$" "$contents"/usr/share/applications/*.desktop
grep -q '^Exec=roruvez %f$' "$contents"/usr/share/applications/*.desktop
# Dolphin's service menus: split on every file, join on the pieces' types, each running the
# window on the file.
menus="$contents/usr/share/kio/servicemenus"
grep -q '^MimeType=all/allfiles;$' "$menus"/*.split.desktop
grep -q '^Name=Split with Roruvez$' "$menus"/*.split.desktop
grep -q "^MimeType=$mimeType;$pieceType;$" "$menus"/*.join.desktop
grep -q '^Name=Join with Roruvez$' "$menus"/*.join.desktop
for menu in "$menus"/*.desktop; do
    grep -q '^Type=Service$' "$menu"
    grep -q '^Exec=roruvez %f$' "$menu"
done
mimeRoot="$contents/mime-check"
mkdir -p "$mimeRoot/share/mime/packages" "$mimeRoot/files"
cp "$mimeFile" "$mimeRoot/share/mime/packages/"
mimeErrors=$(XDG_DATA_HOME="$mimeRoot/share" update-mime-database "$mimeRoot/share/mime" 2>&1)
if [ -n "$mimeErrors" ]; then
    echo "update-mime-database: $mimeErrors" >&2
    exit 1
fi
head -c 300000 /dev/urandom >"$mimeRoot/files/data.bin"
(cd "$mimeRoot/files" && "$contents/usr/bin/roruvez-cli" split data.bin --size 100K --yes >/dev/null)
cp "$mimeRoot/files/breldo.1" "$mimeRoot/files/renamed.bin"
printf 'not a piece\n' >"$mimeRoot/files/notes-breldo.2"
typeOf() {
    local -x XDG_DATA_HOME="$mimeRoot/share" XDG_DATA_DIRS="$mimeRoot/share:/usr/share"
    if command -v gio >/dev/null; then
        gio info -a standard::content-type "$1" | sed -n 's/.*standard::content-type: //p'
    else
        xdg-mime query filetype "$1"
    fi
}
for name in breldo.1 renamed.bin; do
    found=$(typeOf "$mimeRoot/files/$name")
    if [ "$found" != "$mimeType" ]; then
        echo "$name is typed $found instead of $mimeType" >&2
        exit 1
    fi
done
# Every later piece is one, over the manual pages' globs; a name that only ends like one is not.
cp "$mimeRoot/files/breldo.2" "$mimeRoot/files/BRELDO.10000"
for name in breldo.2 breldo.3 BRELDO.10000; do
    found=$(typeOf "$mimeRoot/files/$name")
    if [ "$found" != "$pieceType" ]; then
        echo "$name is typed $found instead of $pieceType" >&2
        exit 1
    fi
done
found=$(typeOf "$mimeRoot/files/notes-breldo.2")
if [ "$found" = "$mimeType" ] || [ "$found" = "$pieceType" ]; then
    echo "notes-breldo.2 is typed as a piece" >&2
    exit 1
fi

root="$contents"
if [ "${CI:-}" = "true" ]; then
    $sudo dpkg -i "$deb"
    removePackage() { $sudo dpkg -r roruvez; }
    trap 'removePackage; rm -rf "$contents"' EXIT
    root=""
fi

version=$(sed -n 's/^project(roruvez VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
test "$("$root"/usr/bin/roruvez-cli --version)" = "roruvez-cli $version"
for file in "$root"/usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/*.png \
    "$root"/usr/share/icons/hicolor/scalable/apps/*.svg \
    "$root"/usr/share/bash-completion/completions/roruvez-cli \
    "$root"/usr/share/man/man1/roruvez.1.gz "$root"/usr/share/man/man1/roruvez-cli.1.gz; do
    test -s "$file"
done

# The window answers --help and --version without a display, and opens a first piece it is
# given as the file manager gives it.
test "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root"/usr/bin/roruvez --version)" = "roruvez $version"
env -u DISPLAY -u WAYLAND_DISPLAY "$root"/usr/bin/roruvez --help | grep -q '^usage: roruvez \[FILE\]'
status=0
QT_QPA_PLATFORM=offscreen timeout 5 "$root"/usr/bin/roruvez "$mimeRoot/files/breldo.1" || status=$?
if [ "$status" -ne 124 ]; then
    echo "the installed roruvez given a first piece ended with status $status" >&2
    exit 1
fi

# The window starts and stays up: still running when the time runs out is success (124), any
# other ending is a failure.
status=0
QT_QPA_PLATFORM=offscreen timeout 5 "$root"/usr/bin/roruvez || status=$?
if [ "$status" -ne 124 ]; then
    echo "the installed roruvez ended with status $status instead of running" >&2
    exit 1
fi
echo "== package checks passed"
