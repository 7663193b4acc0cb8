#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Loftwell and runs the whole test suite.
# With --sanitize the suite is built and run under AddressSanitizer and
# UndefinedBehaviorSanitizer in a build tree of its own.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/ensure-packages.sh"

dir="$here/build"
opts=()
if [ "${1:-}" = "--sanitize" ]; then
  dir="$here/build-sanitize"
  opts=(-DLOFTWELL_SANITIZE=ON)
fi
"$here/scripts/build.sh" "$dir" "${opts[@]}"

export QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$here/tests/lsan-suppressions.txt"
cd "$dir"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
