#!/usr/bin/env bash
# JPEG 2000 decoding time of our decoder next to opj_decompress on a 4000 × 3000 photo-like RGB
# image, lossy (9/7) and lossless (5/3), both made with opj_compress; one thread each, then two.
# Both sides read the file and write the image as PPM into the same folder; processor time
# (user + system) is steadier than wall time on a shared machine.
# Usage: bench/jpx_compare.sh BUILD_DIR [runs] [WIDTHxHEIGHT]
set -euo pipefail
build=${1:?usage: jpx_compare.sh BUILD_DIR [runs] [WIDTHxHEIGHT]}
export runs=${2:-3}
size=${3:-4000x3000}
source "$(dirname "$0")/timing.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert -size "$size" -seed 42 plasma:fractal -blur 0x1 -depth 8 "$work/photo.ppm"
opj_compress -i "$work/photo.ppm" -o "$work/lossy.jp2" -I -r 20 > /dev/null
opj_compress -i "$work/photo.ppm" -o "$work/lossless.jp2" > /dev/null

for kind in lossy lossless; do
  file="$work/$kind.jp2"
  for threads in 1 2; do
    ours=$(best "$build/bin/jpx_bench" -n 1 -t "$threads" -o "$work/ours.ppm" "$file")
    peer=$(best opj_decompress -threads "$threads" -i "$file" -o "$work/peer.ppm")
    printf '%-8s %s, %d thread(s): ours %s; opj_decompress %s\n' "$kind" "$size" "$threads" "$ours" "$peer"
  done
  bytes=$(( ${size%x*} * ${size#*x} * 3 ))
  differ=$(cmp -l <(tail -c "$bytes" "$work/ours.ppm") <(tail -c "$bytes" "$work/peer.ppm") | wc -l || true)
  echo "$kind: $differ of $bytes samples differ from opj_decompress's"
done
