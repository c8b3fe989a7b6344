#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package build/scrivelle_VERSION_ARCH.deb
# (install it with: sudo apt-get install ./build/scrivelle_*.deb).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh" package
cd "$here/build"
cpack -G DEB
