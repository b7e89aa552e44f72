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
# Processor time (user + system) of each process is the steadier figure on a shared machine;
# wall time is printed too.
cpu() { local t; t=$( { TIMEFORMAT='%R %U %S'; time "$@" >/dev/null; } 2>&1 | tail -1); echo "$t"; }
ours_w=0 ours_c=0 peer_w=0 peer_c=0
for i in $(seq "$runs"); do
  read -r w u s < <(cpu "$bench" -n 1 -o "$data/ours.pbm" "$g" "$p")
  ours_w=$(awk -v a="$ours_w" -v b="$w" 'BEGIN{print a+b}'); ours_c=$(awk -v a="$ours_c" -v b="$u" -v c="$s" 'BEGIN{print a+b+c}')
  read -r w u s < <(cpu jbig2dec -q -t pbm -o "$data/peer.pbm" "$g" "$p")
  peer_w=$(awk -v a="$peer_w" -v b="$w" 'BEGIN{print a+b}'); peer_c=$(awk -v a="$peer_c" -v b="$u" -v c="$s" 'BEGIN{print a+b+c}')
done
cmp -s "$data/ours.pbm" "$data/peer.pbm" && echo "both wrote the same PBM"
awk -v ow="$ours_w" -v oc="$ours_c" -v pw="$peer_w" -v pc="$peer_c" -v n="$runs" 'BEGIN {
  printf "decode + write PBM, %d processes each: wall ours %.2f ms, jbig2dec %.2f ms (%.2fx); cpu ours %.2f ms, jbig2dec %.2f ms (%.2fx)\n",
         n, ow / n * 1e3, pw / n * 1e3, pw / ow, oc / n * 1e3, pc / n * 1e3, pc / oc }'
"$bench" -n "$runs" "$g" "$p" | sed 's/^/in-process: /'
