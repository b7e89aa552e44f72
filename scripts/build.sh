#!/usr/bin/env bash
# Configures and builds one build tree incrementally. The tree is configured again whenever the
# options differ from the ones it was last configured with.
#   scripts/build.sh DIR [cmake options...] -- [targets...]
set -euo pipefail
dir=$1; shift
opts=(); targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; targets=("$@"); break; fi
  opts+=("$1"); shift
done
root=$(cd "$(dirname "$0")/.." && pwd)
if command -v ccache >/dev/null 2>&1; then
  opts+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
stamp="$root/$dir/.configure-options"
wanted="${opts[*]}"
if [ ! -f "$root/$dir/build.ninja" ] || [ "$(cat "$stamp" 2>/dev/null)" != "$wanted" ]; then
  cmake -S "$root" -B "$root/$dir" -G Ninja "${opts[@]}"
  printf '%s' "$wanted" > "$stamp"
fi
ninja -C "$root/$dir" -j2 "${targets[@]}"
