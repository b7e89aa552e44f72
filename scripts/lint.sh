#!/usr/bin/env bash
# Runs clang-tidy (checks in .clang-tidy) over the C++ files changed against a base commit, with
# the compile commands of the optimised build (built first when missing).
#   scripts/lint.sh [BASE]      BASE defaults to where this branch left main (HEAD~1 on main)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
base=${1:-}
if [ -z "$base" ]; then
  base=$(git merge-base HEAD main 2>/dev/null || echo HEAD~1)
  [ "$base" = "$(git rev-parse HEAD)" ] && base=HEAD~1
fi
if [ ! -f build/compile_commands.json ]; then
  scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
fi
mapfile -t files < <( { git diff --name-only "$base" -- '*.cpp'; git ls-files --others --exclude-standard -- '*.cpp'; } \
  | sort -u | while read -r f; do [ -f "$f" ] && grep -q "\"$root/$f\"" build/compile_commands.json && echo "$f"; done)
if [ ${#files[@]} -eq 0 ]; then
  echo "lint: no changed C++ files with compile commands since $base"
  exit 0
fi
echo "lint: ${#files[@]} files changed since $base"
clang-tidy -p build --quiet "${files[@]}"
