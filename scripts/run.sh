#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Loftwell and starts it; arguments
# go to the program (`scripts/run.sh --version`). LOFTWELL_BUILD_DIR picks
# another build tree (the test suite runs this script against its own).
# A tree not yet configured is configured with the default preset; one
# already configured (by any preset, or by hand) is built as it is.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="${LOFTWELL_BUILD_DIR:-$here/build}"
"$here/scripts/ensure-packages.sh"
if [ -f "$dir/build.ninja" ]; then
  # Quiet when nothing changed; the build's own lines, as they come, when something did.
  cmake --build "$dir" --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" 2>&1 |
    { grep -v -e '^ninja: no work to do\.$' -e 'Re-checking globbed directories\.\.\.$' || true; } >&2
else
  "$here/scripts/build.sh" default "$dir" >&2
fi
# The build writes where it put the program, so the path is never guessed here.
program="$(cat "$dir/loftwell-program-path")"
exec "$program" "$@"
