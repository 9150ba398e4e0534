#!/usr/bin/env bash
# Set-up, build and the whole test suite, from a fresh machine or a clean clone. Prints the time
# of each phase and the total at the end.
#
# The builds take both cores one after the other. What leaves a core idle runs in the background
# beside them: the second half of the set-up, the format check, the Debian package test and the
# fuzzing (one target at a time, beside the tests under Wine). A background job writes to a log of
# its own in build/test-logs, printed when it is joined; a job that fails fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
phase_start=$SECONDS
timings=()
logs=build/test-logs
rm -rf "$logs"
mkdir -p "$logs"
# Ends the phase under way: its name and how long it took.
phase() {
  timings+=("$(printf '%-28s %4d s' "$1" $((SECONDS - phase_start)))")
  echo "== $1: $((SECONDS - phase_start)) s"
  phase_start=$SECONDS
}
declare -A background_pids=()
# A background job's log file: its name in letters, digits and dashes.
log_of() { printf '%s/%s' "$logs" "$(tr -c 'a-zA-Z0-9\n' - <<<"$1" | tr -s - | sed 's/-$//')"; }
# Starts a program (not a shell function: inside one called this way, a failure would not stop
# it) in the background; its output goes to its log, and its own time to a file beside it.
background() {
  local name=$1 log
  shift
  log=$(log_of "$name")
  echo "== $name: started in the background"
  (
    job_start=$SECONDS
    status=0
    "$@" || status=$?
    echo "$((SECONDS - job_start))" >"$log.seconds"
    exit "$status"
  ) >"$log.log" 2>&1 </dev/null &
  background_pids[$name]=$!
}
# Waits for a background job, prints its log and its time, and stops the run if it failed. The
# wait, if any, is a phase of its own in the table.
join() {
  local name=$1 status=0 log took="?"
  log=$(log_of "$name")
  wait "${background_pids[$name]}" || status=$?
  unset 'background_pids[$name]'
  echo "== $name (in the background):"
  cat "$log.log"
  [ ! -f "$log.seconds" ] || took=$(<"$log.seconds")
  timings+=("$(printf '%-28s %4s s  (in the background; waited %d s for it)' "$name" "$took" \
    $((SECONDS - phase_start)))")
  echo "== $name: $took s"
  phase_start=$SECONDS
  if [ "$status" -ne 0 ]; then
    echo "== $name failed (exit status $status): its log is above" >&2
    exit "$status"
  fi
}
# However the run ends, background jobs end first (apt and dpkg must not be cut off), and the log
# of any not joined is shown.
finish() {
  local name
  for name in "${!background_pids[@]}"; do
    wait "${background_pids[$name]}" || echo "== $name failed too" >&2
    echo "== $name (in the background, not joined):"
    cat "$(log_of "$name").log" || true
  done
  printf '%s\n' "== times" "${timings[@]}"
  printf '%-28s %4d s\n' "total" $((SECONDS - start))
}
trap finish EXIT

# What the GCC build and its tests need first; the rest (clang, MinGW, Wine, NSIS, lintian...)
# while it compiles.
bash scripts/setup.sh build
phase "set-up (build)"
background "set-up (the rest)" bash scripts/setup.sh rest

# ccache reuses compilations across clean clones: paths are taken relative to the clone. It takes
# a compilation's headers from the compiler's dependency list instead of preprocessing it twice.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1 CCACHE_DEPEND=1
build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTECRIS2NX_WERROR=ON -DTECRIS2NX_QUICK_BUILD=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
phase "build (gcc, Qt)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
phase "unit, end-to-end, window"

join "set-up (the rest)"
background "format" bash scripts/check-format.sh
# The Debian package made from the first build: lintian, install, the examples, removal.
background "Debian package" bash scripts/test-package.sh "$build"

# Again under AddressSanitizer and UndefinedBehaviorSanitizer, and the batch tests under
# ThreadSanitizer.
bash scripts/test-sanitizers.sh asan-build
phase "ASan/UBSan build"
bash scripts/test-sanitizers.sh asan-tests
phase "ASan/UBSan tests"
bash scripts/test-sanitizers.sh tsan-build
phase "TSan build"
# The package test reads the first build, which the Windows end-to-end test reconfigures.
join "Debian package"

# The Windows build, then the same suite under Wine with end-to-end outputs compared to Linux.
bash scripts/test-windows.sh build
phase "Windows build, installer"
# The TSan tests and the tests under Wine keep about one core busy: the fuzz targets take the
# other, one at a time, so each still has a core to itself.
background "fuzzing" env FUZZ_JOBS=1 bash scripts/test-sanitizers.sh fuzz
bash scripts/test-sanitizers.sh tsan-tests
phase "TSan tests"
bash scripts/test-windows.sh test
phase "Windows tests under Wine"
join "fuzzing"
join "format"
