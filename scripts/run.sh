#!/usr/bin/env bash
# Installs what is missing, builds, and starts Scrivelle. Any argument goes to the program.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh" build
exec "$here/build/scrivelle" "$@"
