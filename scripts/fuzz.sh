#!/usr/bin/env bash
# Builds one libFuzzer target with clang (in build-fuzz/) and runs it for a while.
#   scripts/fuzz.sh TARGET SECONDS [CORPUS]
# TARGET is a file name of fuzz/ without .cpp (document_fuzz, ccitt_fuzz, ...). CORPUS defaults to
# build-fuzz/corpus/TARGET, seeded with the kept inputs of tests/data/fuzz/TARGET. Inputs that
# crash are written to build-fuzz/findings/TARGET/; copy them into tests/data/fuzz/TARGET/ once
# fixed, and the tests replay them. FUZZ_TIMEOUT (seconds, default 20) is the time one input may
# take before it counts as a hang; raise it when the machine is loaded or the target opens whole
# documents.
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: scripts/fuzz.sh TARGET SECONDS [CORPUS]" >&2
  exit 2
fi
target=$1 seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -f "$root/fuzz/$target.cpp" ]; then
  echo "no fuzz target fuzz/$target.cpp" >&2
  exit 2
fi
CC=clang CXX=clang++ "$root/scripts/build.sh" build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBREVIA_FUZZ=ON -DBREVIA_TESTS=OFF -DBREVIA_VIEWER=OFF -DBREVIA_BENCH=OFF -- "$target"
corpus=${3:-$root/build-fuzz/corpus/$target}
mkdir -p "$corpus" "$root/build-fuzz/findings/$target"
if [ -d "$root/tests/data/fuzz/$target" ] && [ -z "${3:-}" ]; then
  cp -n "$root/tests/data/fuzz/$target"/* "$corpus"/ 2>/dev/null || true
fi
exec "$root/build-fuzz/bin/$target" -max_total_time="$seconds" -timeout="${FUZZ_TIMEOUT:-20}" -rss_limit_mb=4096 \
  -artifact_prefix="$root/build-fuzz/findings/$target/" "$corpus"
