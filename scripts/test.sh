#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite through CTest.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh" test
[ -x "$here/scripts/printer.sh" ] && "$here/scripts/printer.sh" || true
cd "$here/build"
ctest --output-on-failure -j "$(nproc)" "$@"
