#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Loftwell and starts it.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/ensure-packages.sh"
"$here/scripts/build.sh" "$here/build"
exec "$here/build/src/app/loftwell" "$@"
