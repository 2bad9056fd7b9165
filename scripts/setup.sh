#!/usr/bin/env bash
# Installs the Debian packages Roruvez needs, when missing: with "program", only what building
# and running it takes; with no argument, also everything the tests use.
set -euo pipefail

# Building and running the program.
packages=(
    cmake make g++ pkg-config gzip
    qt6-base-dev qt6-qpa-plugins fonts-liberation
    nlohmann-json3-dev libssl-dev zlib1g-dev
)
# Checking, testing and packaging it.
if [ "${1:-}" != "program" ]; then
    packages+=(
        clang-format clang-tidy-14 clang libclang-rt-14-dev
        libgtest-dev libgmock-dev
        xvfb xauth locales
        fiu-utils libfiu-dev e2fsprogs strace par2
        fuse3 dosfstools fusefat exfatprogs exfat-fuse ntfs-3g fuse2fs bindfs btrfs-progs xfsprogs
        python3-fusepy
        dbus-daemon dbus-bin at-spi2-core python3-pyatspi gir1.2-atspi-2.0
        dpkg-dev file lintian desktop-file-utils appstream man-db
        shared-mime-info libglib2.0-bin libxml2-utils xdg-utils
    )
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} > 0)); then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    echo "Installing: ${missing[*]}"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi
