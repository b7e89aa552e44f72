#!/usr/bin/env bash
# Formats the tracked C++ sources with clang-format (.clang-format), or with --check only
# reports the files that differ and fails. The generated name tables are left as generated.
#   scripts/format.sh [--check]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -v '^engine/fonts/name_code_tables_data.cpp$')
if [ "${1:-}" = "--check" ]; then
  if ! clang-format --dry-run --Werror "${files[@]}" 2> /tmp/brevia-format.$$; then
    grep -o '^[^:]*:' /tmp/brevia-format.$$ | sort -u | sed 's/:$//; s/^/  not formatted: /' | head -50
    rm -f /tmp/brevia-format.$$
    echo "format: run scripts/format.sh to format these files" >&2
    exit 1
  fi
  rm -f /tmp/brevia-format.$$
  echo "format: ${#files[@]} files formatted as .clang-format says"
else
  clang-format -i "${files[@]}"
fi
