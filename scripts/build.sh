#!/usr/bin/env bash
# Configures (once) and builds one build tree incrementally.
#   scripts/build.sh DIR [cmake options...] -- [targets...]
set -euo pipefail
dir=$1; shift
opts=(); targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; targets=("$@"); break; fi
  opts+=("$1"); shift
done
root=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -f "$root/$dir/build.ninja" ]; then
  cmake -S "$root" -B "$root/$dir" -G Ninja "${opts[@]}"
fi
ninja -C "$root/$dir" -j2 "${targets[@]}"
