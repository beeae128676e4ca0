#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined sanitizers on) and runs each for a
# short, bounded time from the seeds in tests/data/fuzz. Exits non-zero when a target crashes.
# The runs have a fixed random seed and a fixed number of inputs, so a run is repeatable; the time
# per target (TEVRA_FUZZ_SECONDS, 20) only bounds it. TEVRA_FUZZ_SEED=0 explores with a random seed.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-fuzz
seconds=${TEVRA_FUZZ_SECONDS:-20}
seed=${TEVRA_FUZZ_SEED:-1}
targets=(fuzz_frame_reader fuzz_ini fuzz_baseline fuzz_seedlink_session fuzz_web_request)
declare -A runs=([fuzz_frame_reader]=4000 [fuzz_ini]=600000 [fuzz_baseline]=50000 [fuzz_seedlink_session]=200000 [fuzz_web_request]=100000)

if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is missing (scripts/install-deps.sh installs it)" >&2
  exit 1
fi
generator=()
if command -v ninja >/dev/null; then generator=(-G Ninja); fi
CC=clang CXX=clang++ cmake -S . -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTEVRA_FUZZ=ON -DTEVRA_SANITIZE=ON -DTEVRA_BENCH=OFF -DBUILD_TESTING=OFF \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$dir" --target "${targets[@]}" -j 2

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for t in "${targets[@]}"; do
  corpus="$dir/corpus/$t"
  # A corpus grown by earlier runs would make this run differ from CI's fresh one.
  rm -rf "$corpus"
  mkdir -p "$corpus" "$dir/crashes"
  echo "fuzz: $t for ${seconds}s"
  if ! "$dir/fuzz/$t" -seed="$seed" -runs="${runs[$t]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=40000 \
      -artifact_prefix="$dir/crashes/$t-" -print_final_stats=1 "$corpus" "tests/data/fuzz/$t" \
      >"$dir/$t.log" 2>&1; then
    echo "fuzz: $t FAILED, see $dir/$t.log and $dir/crashes/" >&2
    tail -n 40 "$dir/$t.log" >&2
    status=1
  else
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$dir/$t.log" | tr '\n' ' '
    echo
  fi
done
exit $status
