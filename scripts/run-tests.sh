#!/usr/bin/env bash
# Checks the formatting, then builds everything and runs every test twice: an optimised build,
# then a build with AddressSanitizer and UndefinedBehaviorSanitizer. Compiler warnings are
# errors in both builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/deps.sh

export QT_QPA_PLATFORM=offscreen

echo "== formatting"
scripts/format.sh --check

echo "== optimised build and tests"
scripts/build.sh build -DCMAKE_BUILD_TYPE=Release -DBREVIA_WERROR=ON
ctest --test-dir build --output-on-failure -j2

echo "== sanitizer build and tests"
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
  -DBREVIA_SANITIZE=ON -DBREVIA_BENCH=OFF -DBREVIA_WERROR=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS=suppressions="$root/tests/lsan.supp" ctest --test-dir build-asan --output-on-failure -j2
echo "== all tests passed"
