#!/usr/bin/env bash
# Decoding speed of our JPEG decoder next to djpeg's (with and without its SIMD code) on a
# large photo-like image, baseline and progressive. Rates are megapixels per second of
# processor time (user + system), steadier than wall time on a shared machine; djpeg's include
# starting the process and writing its output to /dev/null.
# Usage: bench/dct_compare.sh BUILD_DIR [repeats] [WIDTHxHEIGHT]
set -euo pipefail
build=${1:?usage: dct_compare.sh BUILD_DIR [repeats] [WIDTHxHEIGHT]}
repeats=${2:-5}
size=${3:-4000x3000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert -size "$size" -seed 42 plasma:fractal -blur 0x1 "$work/photo.ppm"
cjpeg -quality 90 "$work/photo.ppm" > "$work/baseline.jpg"
cjpeg -quality 90 -progressive "$work/photo.ppm" > "$work/progressive.jpg"
megapixels=$(awk -v s="$size" 'BEGIN { split(s, d, "x"); print d[1] * d[2] / 1e6 }')

djpeg_rate() {  # file, extra environment
  local file=$1 extra=$2 seconds
  seconds=$( { TIMEFORMAT='%U %S'; time (for _ in $(seq "$repeats"); do
      env $extra djpeg -dct int -nosmooth -pnm -outfile /dev/null "$file"; done); } 2>&1 )
  awk -v mp="$megapixels" -v n="$repeats" -v t="$seconds" \
    'BEGIN { split(t, p, " "); printf "%.1f", mp * n / (p[1] + p[2]) }'
}

for kind in baseline progressive; do
  file="$work/$kind.jpg"
  ours=$("$build/bin/dct_bench" -n "$repeats" "$file" | sed -n 's/.*cpu \([0-9.]*\) MP\/s.*/\1/p')
  simd=$(djpeg_rate "$file" "")
  plain=$(djpeg_rate "$file" "JSIMD_FORCENONE=1")
  printf '%-12s %s: ours %s MP/s, djpeg %s MP/s (SIMD), djpeg %s MP/s (no SIMD)\n' \
    "$kind" "$size" "$ours" "$simd" "$plain"
done
