#!/usr/bin/env bash
# Configures (once) and builds one build tree.
# Usage: scripts/build.sh BUILD_DIR [extra cmake -D options...]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
fi
cmake --build "$dir" --parallel "$(nproc)"
