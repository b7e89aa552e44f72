#!/usr/bin/env bash
# The main job: builds what is needed and shows a document.
#   scripts/run-reader.sh [FILE.pdf]
# With a display the viewer opens FILE (or the bundled sample); without one the document is
# summarised and its first page rendered with brevia-cli to a PNG whose path is printed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/deps.sh

file=${1:-$root/data/samples/sample.pdf}
if [ ! -f "$file" ]; then
  echo "run-reader: no such file: $file" >&2
  exit 2
fi
file=$(cd "$(dirname "$file")" && pwd)/$(basename "$file")
cli=$root/build/bin/brevia-cli
viewer=$root/build/bin/brevia

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  scripts/build.sh build -DCMAKE_BUILD_TYPE=Release -- brevia brevia-cli
  exec "$viewer" "$file"
fi

# The viewer is built too, so the command suggested below exists.
scripts/build.sh build -DCMAKE_BUILD_TYPE=Release -- brevia brevia-cli
"$cli" info "$file"
png=$root/build/page-1.png
if "$cli" render "$file" --page 1 --dpi 96 -o "$png"; then
  echo "No display: page 1 rendered to $png"
fi
if command -v xvfb-run >/dev/null 2>&1; then
  echo "(run the viewer with a display, or under Xvfb: xvfb-run -a $viewer \"$file\")"
else
  echo "(run the viewer with a display: $viewer \"$file\"; without one, install xvfb and use xvfb-run -a)"
fi
