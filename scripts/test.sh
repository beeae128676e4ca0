#!/usr/bin/env bash
# Runs the whole test suite: normal build, then an address+undefined sanitizer build running the
# same tests (the slow end-to-end ones excepted), then short fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== normal build"
scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== sanitizer build"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
# -O1 -g1: line numbers in every report, in about 60 % of the build time of -O2 -g.
asan_flags="-O1 -g1 -DNDEBUG"
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTEVRA_SANITIZE=ON -DTEVRA_BENCH=OFF \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=$asan_flags" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=$asan_flags"
ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE e2e

if [ -x scripts/fuzz.sh ]; then
  echo "== fuzz"
  scripts/fuzz.sh
fi
