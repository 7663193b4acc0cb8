#!/usr/bin/env bash
# Configures one build tree from a preset in CMakePresets.json and builds it.
# Usage: scripts/build.sh PRESET [BUILD_DIR]
#   PRESET     default, sanitize, ci or ci-sanitize (`cmake --list-presets`)
#   BUILD_DIR  a tree other than the preset's own
# The tree is configured every time, so one made by hand or by another preset
# (build/ is shared by default and ci, build-sanitize/ by sanitize and
# ci-sanitize) takes on the preset's settings. CMAKE_BUILD_PARALLEL_LEVEL
# limits the build's jobs (default: one per core).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
preset="${1:?usage: scripts/build.sh PRESET [BUILD_DIR]}"
jobs="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
if [ $# -ge 2 ]; then
  dir="$(realpath -m -- "$2")"
  cd "$here"  # where cmake finds CMakePresets.json
  cmake --preset "$preset" -B "$dir" >/dev/null
  cmake --build "$dir" --parallel "$jobs"
else
  cd "$here"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --parallel "$jobs"
fi
