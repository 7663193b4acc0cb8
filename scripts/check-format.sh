#!/usr/bin/env bash
# Checks that every tracked C++ file is formatted as .clang-format says, with
# clang-format 14 (Debian 12's), and fails listing the files that differ.
# Fix them with `clang-format -i FILE...`. CLANG_FORMAT picks another binary.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/ensure-packages.sh"
cd "$here"

clang_format="${CLANG_FORMAT:-clang-format}"
# Another major version formats some constructs differently.
version="$("$clang_format" --version)"
if [[ ! "$version" =~ version\ 14\. ]]; then
  echo "warning: .clang-format is tuned for clang-format 14; this is: $version" >&2
fi
# A broken .clang-format fails here, not as a list of every file.
"$clang_format" --dump-config >/dev/null

mapfile -d '' -t files < <(git ls-files -z -- '*.cpp' '*.h')
[ ${#files[@]} -gt 0 ] || { echo "no tracked C++ files found" >&2; exit 1; }
differ=()
for file in "${files[@]}"; do
  if ! "$clang_format" --dry-run --Werror "$file" 2>/dev/null; then
    differ+=("$file")
  fi
done
if [ ${#differ[@]} -gt 0 ]; then
  echo "Not formatted as .clang-format says (clang-format -i FILE... fixes them):" >&2
  printf '  %s\n' "${differ[@]}" >&2
  exit 1
fi
echo "Formatting: ${#files[@]} files checked, all as .clang-format says."
