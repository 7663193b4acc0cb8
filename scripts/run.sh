#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Loftwell and starts it; arguments
# go to the program (`scripts/run.sh --version`). LOFTWELL_BUILD_DIR picks
# another build tree (the test suite runs this script against its own).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="${LOFTWELL_BUILD_DIR:-$here/build}"
"$here/scripts/ensure-packages.sh"
"$here/scripts/build.sh" "$dir" >&2
# The build writes where it put the program, so the path is never guessed here.
program="$(cat "$dir/loftwell-program-path")"
exec "$program" "$@"
