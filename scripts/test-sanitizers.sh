#!/usr/bin/env bash
# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer (clang), the batch
# tests under ThreadSanitizer, then each fuzz target for a bounded time. FUZZ_SECONDS sets the
# time per target (default 20; the committed corpora are replayed by CTest whatever it is).
set -euo pipefail
cd "$(dirname "$0")/.."
# ccache shares compilations between clones when paths are taken relative to the clone.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
build=build/sanitize
seconds="${FUZZ_SECONDS:-20}"
step_start=$SECONDS
# The time of each step, for deciding where the phase can be cut.
step() {
  echo "== sanitizers: $1: $((SECONDS - step_start)) s"
  step_start=$SECONDS
}
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTECRIS2NX_WERROR=ON -DTECRIS2NX_QUICK_BUILD=ON -DTECRIS2NX_FUZZ=ON -DTECRIS2NX_BUILD_GUI=OFF >/dev/null
# Only what CTest and the fuzzing below run (not the guide or the manual pages).
cmake --build "$build" -j "$(nproc)" --target tecris2nx tecris2nx_tests fuzz_convert fuzz_fields \
  fuzz_path_check fuzz_check
step "ASan/UBSan build"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
step "ASan/UBSan tests"

# Batches convert files on several threads: those tests again under ThreadSanitizer, a few times.
tsan=build/tsan
CC=clang-14 CXX=clang++-14 cmake -S . -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTECRIS2NX_WERROR=ON -DTECRIS2NX_QUICK_BUILD=ON -DTECRIS2NX_TSAN=ON -DTECRIS2NX_BUILD_GUI=OFF >/dev/null
cmake --build "$tsan" -j "$(nproc)" --target tecris2nx_batch_tests
step "TSan build"
TSAN_OPTIONS=halt_on_error=1 "$tsan/tests/tecris2nx_batch_tests" --gtest_brief=1 --gtest_repeat=3 \
  --gtest_filter='*Batch*:*ConversionRun*:CliTest.*'
step "TSan tests"

# The fuzz targets side by side, one per core; each one's output is shown once it has ended.
fuzz() {
  local target=$1
  local corpus="tests/fuzz/corpus/$target"
  local work="$build/fuzz-corpus/$target"
  mkdir -p "$work"
  # New inputs go to the scratch corpus; the committed seeds are only read.
  "$build/tests/fuzz/fuzz_$target" "$work" "$corpus" -max_total_time="$seconds" -timeout=1 \
    -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/$target-" \
    >"$build/fuzz-$target.log" 2>&1
}
targets=(convert fields path_check check)
cores=$(nproc)
status=0
for ((i = 0; i < ${#targets[@]}; i += cores)); do
  pids=()
  for target in "${targets[@]:i:cores}"; do
    echo "fuzz_$target: ${seconds}s"
    fuzz "$target" &
    pids+=("$!:$target")
  done
  for entry in "${pids[@]}"; do
    target=${entry#*:}
    if ! wait "${entry%%:*}"; then
      echo "fuzz_$target failed:" >&2
      status=1
    fi
    tail -n 12 "$build/fuzz-$target.log"
  done
done
step "fuzzing"
exit "$status"
