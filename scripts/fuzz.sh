#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz/ with clang in build-fuzz/ and runs each for
# a bounded time, starting from its corpus in tests/fuzz/corpus/<target>/. Any crash,
# sanitizer finding, leak or broken invariant fails the run; the input that caused it is
# kept in build-fuzz/artifacts/. New interesting inputs go to build-fuzz/corpus/, never
# into the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${VARNOTEX_FUZZ_SECONDS:-10}

source scripts/batchbuild.sh
batched_build fuzz.sh build-fuzz fuzzers -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DVARNOTEX_FUZZ=ON -DVARNOTEX_TESTS=OFF -DVARNOTEX_BENCH=OFF

# Temporary files of the targets go to memory when it can hold them.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1"
export LSAN_OPTIONS="suppressions=$(pwd)/tests/sanitize/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1"

mkdir -p build-fuzz/artifacts
failed=0
summary=()
for target in build-fuzz/fuzz/fuzz_*; do
  name=$(basename "$target")
  name=${name#fuzz_}
  seeds=tests/fuzz/corpus/$name
  work=build-fuzz/corpus/$name
  mkdir -p "$work" "$seeds"
  log=build-fuzz/$name.log
  echo "== fuzzing $name for ${seconds}s"
  if "$target" "$work" "$seeds" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
       -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$name-" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    summary+=("$name: ${runs:-?} runs, no finding")
  else
    failed=1
    summary+=("$name: FAILED (see $log)")
    grep -E -A30 'invariant violated|ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error' "$log" | head -60 || tail -40 "$log"
  fi
done
printf '%s\n' "${summary[@]}"
exit $failed
