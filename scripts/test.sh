#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Loftwell and runs the whole test suite,
# through the presets in CMakePresets.json:
#   scripts/test.sh                    preset default, in build/
#   scripts/test.sh --sanitize         preset sanitize: AddressSanitizer and
#                                      UndefinedBehaviorSanitizer, in build-sanitize/
#   scripts/test.sh --ci [--sanitize]  preset ci or ci-sanitize: the same trees,
#                                      with compiler warnings as errors
# CMAKE_BUILD_PARALLEL_LEVEL and CTEST_PARALLEL_LEVEL limit the jobs (default:
# one per core).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

sanitize=false ci=false
for arg in "$@"; do
  case "$arg" in
    --sanitize) sanitize=true ;;
    --ci) ci=true ;;
    *) echo "usage: scripts/test.sh [--ci] [--sanitize]" >&2; exit 2 ;;
  esac
done
if $ci && $sanitize; then preset=ci-sanitize
elif $ci; then preset=ci
elif $sanitize; then preset=sanitize
else preset=default
fi

"$here/scripts/ensure-packages.sh"
"$here/scripts/build.sh" "$preset"
cd "$here"
ctest --preset "$preset" --parallel "${CTEST_PARALLEL_LEVEL:-$(nproc)}"
