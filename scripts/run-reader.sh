#!/usr/bin/env bash
# The main job: builds what is needed and shows a document.
#   scripts/run-reader.sh [FILE.pdf]
# With a display the viewer opens FILE (or the bundled sample); without one the
# document is summarised and its first page rendered with brevia-cli.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=Release

file=${1:-$root/data/samples/sample.pdf}
cli=$root/build/bin/brevia-cli
viewer=$root/build/bin/brevia

if [ -x "$viewer" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec "$viewer" "$file"
fi

"$cli" info "$file"
if "$cli" render "$file" --page 1 --dpi 96 -o "$root/build/page-1.png" 2>/dev/null; then
  echo "No display: page 1 rendered to $root/build/page-1.png"
fi
