#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Roruvez needs, when missing.
set -euo pipefail

packages=(
    cmake make g++ pkg-config clang-format clang-tidy-14
    libgtest-dev libgmock-dev
    qt6-base-dev qt6-qpa-plugins fonts-liberation
    nlohmann-json3-dev libssl-dev
    xvfb xauth locales
    fiu-utils libfiu-dev e2fsprogs strace clang libclang-rt-14-dev
    fuse3 dosfstools fusefat exfatprogs exfat-fuse ntfs-3g fuse2fs bindfs btrfs-progs xfsprogs
    python3-fusepy
    dbus-daemon dbus-bin at-spi2-core python3-pyatspi gir1.2-atspi-2.0
    dpkg-dev file lintian desktop-file-utils appstream man-db
    shared-mime-info libglib2.0-bin libxml2-utils xdg-utils
)

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
