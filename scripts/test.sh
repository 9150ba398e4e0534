#!/usr/bin/env bash
# Set-up, build and the whole test suite, from a fresh machine or a clean clone. Prints the time
# of each phase and the total at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
phase_start=$SECONDS
timings=()
# Ends the phase under way: its name and how long it took.
phase() {
  timings+=("$(printf '%-28s %4d s' "$1" $((SECONDS - phase_start)))")
  echo "== $1: $((SECONDS - phase_start)) s"
  phase_start=$SECONDS
}
print_timings() {
  printf '%s\n' "== times" "${timings[@]}"
  printf '%-28s %4d s\n' "total" $((SECONDS - start))
}
trap print_timings EXIT

bash scripts/setup.sh
phase "set-up"
bash scripts/check-format.sh
phase "format"
# ccache reuses compilations across clean clones: paths are taken relative to the clone.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTECRIS2NX_WERROR=ON -DTECRIS2NX_QUICK_BUILD=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
phase "build (gcc, Qt)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
phase "unit, end-to-end, window"

# Again under AddressSanitizer and UndefinedBehaviorSanitizer, with a short run of each fuzz target.
bash scripts/test-sanitizers.sh
phase "sanitizers and fuzzing"

# The Windows build and the same suite under Wine, with end-to-end outputs compared to Linux.
bash scripts/test-windows.sh
phase "Windows"

# The Debian package made from the first build: lintian, install, the examples, removal.
bash scripts/test-package.sh "$build"
phase "Debian package"
