#!/usr/bin/env bash
# JBIG2 text page: our decoder next to jbig2dec on the same embedded streams.
#   bench/jbig2_compare.sh [BUILD_DIR] [RUNS]
# Makes the page (bench/make_jbig2_text_page.py) when missing, checks both decoders give the
# rendered page, then times RUNS processes of each (decode and write a PBM), alternating, and the
# in-process decode alone.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-20}
data=${JBIG2_BENCH_DATA:-/tmp/brevia-jbig2-bench}
bench=$build/bin/jbig2_bench
[ -f "$data/text-page.page" ] || python3 "$root/bench/make_jbig2_text_page.py" "$data"
g=$data/text-page.globals p=$data/text-page.page ref=$data/text-page.pbm
"$bench" -n 1 -c "$ref" "$g" "$p" >/dev/null
jbig2dec -q -t pbm -o "$data/peer.pbm" "$g" "$p"
"$bench" -n 1 -c "$data/peer.pbm" "$g" "$p" | sed 's/^/peer output /'
ours=0 peer=0
for i in $(seq "$runs"); do
  t0=$(date +%s%N); "$bench" -n 1 -o "$data/ours.pbm" "$g" "$p"; t1=$(date +%s%N)
  jbig2dec -q -t pbm -o "$data/peer.pbm" "$g" "$p"; t2=$(date +%s%N)
  ours=$((ours + t1 - t0)); peer=$((peer + t2 - t1))
done
awk -v o="$ours" -v p="$peer" -v n="$runs" 'BEGIN {
  printf "decode + write PBM, %d processes each: ours %.2f ms, jbig2dec %.2f ms, ratio %.2fx\n",
         n, o / n / 1e6, p / n / 1e6, p / o }'
"$bench" -n "$runs" "$g" "$p" | sed 's/^/in-process: /'
