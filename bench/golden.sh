#!/usr/bin/env bash
# A safety net for changes inside the engine: renders and extracts a fixed list of real pages and
# prints one checksum line per page, so that two builds can be compared page by page.
#
#   bench/golden.sh record CLI OUT.txt     checksums of every listed page with brevia-cli CLI
#   bench/golden.sh compare OLD.txt NEW.txt   pages whose picture or text differ
#
# The list: the bundled sample, the test documents, the generated one-feature cases, the R manuals
# (r-doc-pdf) and the first pages of up to 150 PDFs of the Debian documentation (sorted by path, so
# the same machine gives the same list). Missing files are left out and counted. Pages are drawn at
# 72 dpi as PAM (no compression, so the bytes are the pixels), text as `brevia-cli text`.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)

usage() {
  sed -n '4,5p' "$0" | sed 's/^# *//' >&2
  exit 2
}

list_pages() {
  local gen=$1
  # FILE PAGE pairs.
  for f in "$root/data/samples/sample.pdf" "$root"/tests/data/pdf/*.pdf "$gen"/*.pdf; do
    [ -f "$f" ] && echo "$f 1"
  done
  local r=/usr/share/R/doc/manual
  for p in 1 2 3 5 10 20 40 60 80 100; do echo "$r/R-intro.pdf $p"; done
  for p in 1 2 7 50 300 1000 1500 2000 2415; do echo "$r/fullrefman.pdf $p"; done
  for p in 1 5 30 90; do echo "$r/R-exts.pdf $p"; done
  local pgf
  pgf=$(find /usr/share/texlive/texmf-dist/doc -name pgfmanual.pdf 2>/dev/null | head -n 1)
  if [ -n "$pgf" ]; then
    for p in 1 2 30 100 250 400 600 800 1000; do echo "$pgf $p"; done
  fi
  find /usr/share/doc /usr/share/texlive/texmf-dist/doc -name '*.pdf' -size -4M 2>/dev/null |
    LC_ALL=C sort | awk 'NR % 10 == 1' | head -n 150 | while read -r f; do
    echo "$f 1"
    echo "$f 2"
  done
}

record() {
  local cli=$1 out=$2
  local work
  work=$(mktemp -d)
  trap 'rm -rf "$work"' RETURN
  # The generator sits beside the checkout, or beside the folder of worktrees.
  local gen_tool
  for gen_tool in "$root/../shared/tools/pdfgen/make_all.sh" \
    "$root/../../shared/tools/pdfgen/make_all.sh"; do
    if [ -f "$gen_tool" ]; then
      bash "$gen_tool" "$work/gen" >/dev/null 2>&1 || true
      break
    fi
  done
  local missing=0 n=0
  : >"$out"
  while read -r f p; do
    if [ ! -f "$f" ]; then
      missing=$((missing + 1))
      continue
    fi
    local pic txt
    pic=$(timeout 60 "$cli" render "$f" --page "$p" --format pam -o - 2>/dev/null | sha1sum | cut -c1-16) ||
      pic=failed
    txt=$(timeout 60 "$cli" text "$f" --page "$p" 2>/dev/null | sha1sum | cut -c1-16) || txt=failed
    # Files of the tree and the generated cases are named relative to it, so trees compare.
    case $f in
      "$work"/*) f=gen/${f##*/} ;;
      "$root"/*) f=${f#"$root"/} ;;
    esac
    printf '%s\t%s\t%s\t%s\n' "$f" "$p" "$pic" "$txt" >>"$out"
    n=$((n + 1))
  done < <(list_pages "$work/gen")
  echo "$n pages recorded in $out ($missing listed files missing)"
}

compare() {
  local old=$1 new=$2
  python3 - "$old" "$new" <<'EOF'
import sys
def load(p):
    d = {}
    for line in open(p):
        f, page, pic, txt = line.rstrip("\n").split("\t")
        d[(f, page)] = (pic, txt)
    return d
a, b = load(sys.argv[1]), load(sys.argv[2])
keys = sorted(set(a) & set(b))
pic = [k for k in keys if a[k][0] != b[k][0]]
txt = [k for k in keys if a[k][1] != b[k][1]]
for k in pic: print("picture differs:", k[0], "page", k[1])
for k in txt: print("text differs:   ", k[0], "page", k[1])
only = len(set(a) ^ set(b))
print(f"{len(keys)} pages compared: {len(pic)} pictures and {len(txt)} texts differ; {only} in one list only")
EOF
}

[ $# -eq 3 ] || usage
case $1 in
  record) record "$2" "$3" ;;
  compare) compare "$2" "$3" ;;
  *) usage ;;
esac
