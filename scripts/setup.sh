#!/usr/bin/env bash
# Installs the Debian packages Scrivelle needs (only those missing) and builds it.
# Usage: scripts/setup.sh [build|test|package]   ("test" adds the packages the test suite uses,
# "package" those that make the Debian package)
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-build}
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-private-dev libgl-dev zlib1g-dev libdeflate-dev
          fonts-liberation fonts-dejavu-core libhunspell-dev hunspell-en-us)
if [ "$mode" = test ]; then
    packages+=(python3 qpdf poppler-utils giflib-tools imagemagick clang libclang-rt-14-dev
               cups cups-bsd printer-driver-cups-pdf libreoffice-writer-nogui
               desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl
               dpkg-dev file)
fi
if [ "$mode" = package ]; then
    packages+=(dpkg-dev file)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    echo "Installing: ${missing[*]}"
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCRIVELLE_TESTS=$([ "$mode" = test ] && echo ON || echo OFF) >/dev/null
cmake --build build -j "$jobs"
