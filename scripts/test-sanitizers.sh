#!/usr/bin/env bash
# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer (clang), the batch
# tests under ThreadSanitizer, then each fuzz target for a bounded time. FUZZ_SECONDS sets the
# time per target (default 15; the committed corpora are replayed by CTest whatever it is),
# FUZZ_JOBS how many targets run at a time (default one per core).
#   bash scripts/test-sanitizers.sh              every step, in this order:
#   bash scripts/test-sanitizers.sh STEP...      asan-build asan-tests tsan-build tsan-tests fuzz
# (scripts/test.sh runs the steps apart, to fill the cores beside other work).
set -euo pipefail
cd "$(dirname "$0")/.."
# ccache shares compilations between clones when paths are taken relative to the clone, and
# takes a compilation's headers from the compiler's dependency list instead of preprocessing it.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1 CCACHE_DEPEND=1
build=build/sanitize
tsan=build/tsan
seconds="${FUZZ_SECONDS:-15}"
steps=("$@")
[ "${#steps[@]}" -gt 0 ] || steps=(asan-build asan-tests tsan-build tsan-tests fuzz)
step_start=$SECONDS
# The time of each step, for deciding where the phase can be cut.
step() {
  echo "== sanitizers: $1: $((SECONDS - step_start)) s"
  step_start=$SECONDS
}

asan_build() {
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTECRIS2NX_WERROR=ON -DTECRIS2NX_QUICK_BUILD=ON -DTECRIS2NX_FUZZ=ON \
    -DTECRIS2NX_BUILD_GUI=OFF >/dev/null
  # Only what CTest and the fuzzing below run (not the guide or the manual pages).
  cmake --build "$build" -j "$(nproc)" --target tecris2nx tecris2nx_tests fuzz_convert \
    fuzz_fields fuzz_path_check fuzz_check fuzz_log
  step "ASan/UBSan build"
}

asan_tests() {
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
  step "ASan/UBSan tests"
}

# Batches convert files on several threads: those tests again under ThreadSanitizer, a few times.
tsan_build() {
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTECRIS2NX_WERROR=ON -DTECRIS2NX_QUICK_BUILD=ON -DTECRIS2NX_TSAN=ON \
    -DTECRIS2NX_BUILD_GUI=OFF >/dev/null
  cmake --build "$tsan" -j "$(nproc)" --target tecris2nx_batch_tests
  step "TSan build"
}

tsan_tests() {
  TSAN_OPTIONS=halt_on_error=1 "$tsan/tests/tecris2nx_batch_tests" --gtest_brief=1 \
    --gtest_repeat=3 --gtest_filter='*Batch*:*ConversionRun*:CliTest.*'
  step "TSan tests"
}

# One fuzz target; new inputs go to the scratch corpus, the committed seeds are only read.
fuzz_one() {
  local target=$1
  local corpus="tests/fuzz/corpus/$target"
  local work="$build/fuzz-corpus/$target"
  mkdir -p "$work"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/tests/fuzz/fuzz_$target" "$work" "$corpus" -max_total_time="$seconds" -timeout=1 \
    -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/$target-" \
    >"$build/fuzz-$target.log" 2>&1
}

# The fuzz targets side by side, FUZZ_JOBS at a time; each one's output is shown once it has ended.
fuzz() {
  local targets=(convert fields path_check check log)
  local cores="${FUZZ_JOBS:-$(nproc)}" status=0 i target entry pids
  for ((i = 0; i < ${#targets[@]}; i += cores)); do
    pids=()
    for target in "${targets[@]:i:cores}"; do
      echo "fuzz_$target: ${seconds}s"
      fuzz_one "$target" &
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
  return "$status"
}

for s in "${steps[@]}"; do
  case "$s" in
    asan-build) asan_build ;;
    asan-tests) asan_tests ;;
    tsan-build) tsan_build ;;
    tsan-tests) tsan_tests ;;
    fuzz) fuzz ;;
    *) echo "test-sanitizers.sh: no step \"$s\" (asan-build asan-tests tsan-build tsan-tests fuzz)" >&2
       exit 2 ;;
  esac
done
