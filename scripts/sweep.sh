#!/usr/bin/env bash
# Runs the sanitizer build of brevia-cli over every PDF below a folder and prints a table of what
# went wrong: crashes, sanitizer reports, leaks, time-outs and clean errors.
#   scripts/sweep.sh DIR [SECONDS]
# SECONDS limits each call (default 60). Per file: info, render of the first three pages at
# 36 dpi, text, and find of a common word. The sanitizer tree is build-asan (see the README);
# BREVIA_CLI names another program. The messages of every call that went wrong are kept in
# SWEEP_OUT (default a fresh folder under /tmp), one file per call.
set -uo pipefail
if [ $# -lt 1 ] || [ ! -d "$1" ]; then
  echo "usage: scripts/sweep.sh DIR [SECONDS]" >&2
  exit 2
fi
dir=$1 seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${BREVIA_CLI:-$root/build-asan/bin/brevia-cli}
if [ ! -x "$cli" ]; then
  echo "no $cli: build it with scripts/build.sh build-asan ... -DBREVIA_SANITIZE=ON -- brevia-cli" >&2
  exit 2
fi
out=${SWEEP_OUT:-$(mktemp -d /tmp/sweep.XXXXXX)}
mkdir -p "$out"
scratch=$(mktemp -d /tmp/sweep-pages.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
# Reports are printed and counted, not fatal: one run shows every kind of fault a call has.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:halt_on_error=1:exitcode=86}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-exitcode=87}
# No questions, no network, no settings of the user's.
export HOME=$scratch BREVIA_CMAP_SERVER=https://127.0.0.1:9/

files=0 calls=0 crashes=0 sanitizer=0 leaks=0 timeouts=0 errors=0 clean=0
rows=()

# run KIND FILE ARGS...: one call, classified.
run() {
  local kind=$1 file=$2; shift 2
  local log="$scratch/log" status verdict=""
  calls=$((calls + 1))
  timeout --kill-after=5 "$seconds" "$cli" "$@" >/dev/null 2>"$log"
  status=$?
  if grep -q "ERROR: LeakSanitizer" "$log"; then
    verdict=leak leaks=$((leaks + 1))
  elif grep -q "ERROR: AddressSanitizer\|runtime error:\|ERROR: UndefinedBehaviorSanitizer" "$log"; then
    verdict=sanitizer sanitizer=$((sanitizer + 1))
  elif [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    verdict=timeout timeouts=$((timeouts + 1))
  elif [ "$status" -gt 2 ]; then
    verdict="crash($status)" crashes=$((crashes + 1))
  elif [ "$status" -ne 0 ]; then
    errors=$((errors + 1))
  else
    clean=$((clean + 1))
  fi
  if [ -n "$verdict" ]; then
    local keep
    keep="$out/$(printf '%05d' "$calls")-$kind.log"
    { echo "$file"; echo "$cli $*"; echo "exit $status"; cat "$log"; } >"$keep"
    rows+=("$(printf '%-12s %-8s %s' "$verdict" "$kind" "$file")")
  fi
  return "$status"
}

while IFS= read -r -d '' pdf; do
  files=$((files + 1))
  pages=0
  if run info "$pdf" info "$pdf"; then
    pages=$(timeout "$seconds" "$cli" info "$pdf" 2>/dev/null | sed -n 's/^{"pages": \([0-9]*\),.*/\1/p')
  fi
  for ((n = 1; n <= ${pages:-0} && n <= 3; n++)); do
    run render "$pdf" render "$pdf" --page "$n" --dpi 36 -o "$scratch/page.png"
  done
  run text "$pdf" text "$pdf"
  run find "$pdf" find "$pdf" the
done < <(find -L "$dir" -type f -iname '*.pdf' -print0 | sort -z)

echo "files $files, calls $calls"
printf '%-10s %s\n' crashes "$crashes" sanitizer "$sanitizer" leaks "$leaks" timeouts "$timeouts" \
  "clean-errors" "$errors" ok "$clean"
if [ ${#rows[@]} -gt 0 ]; then
  echo
  printf '%s\n' "${rows[@]}"
  echo "messages kept in $out"
fi
[ $((crashes + sanitizer + leaks + timeouts)) -eq 0 ]
