#!/usr/bin/env bash
# The window against the command line: both convert the same generated files (default 3,000),
# one after the other, alternating, RUNS times (default 3). Prints each time and the median
# ratio window / command line.
#   bench/window.sh [FILES] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
files="${1:-3000}"
runs="${2:-3}"
build=build/bench-window
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTECRIS2NX_BUILD_TESTS=OFF \
  -DTECRIS2NX_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target tecris2nx make_corpus window_bench
work="$build/bench-work"
rm -rf "$work"
mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
trap 'rm -rf "$work"' EXIT
"$build/bench/make_corpus" "$work/corpus" "$files" >/dev/null
cp -r examples/sample-patdat "$work/patdat"

now() { date +%s.%N; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ratios=()
for i in $(seq 1 "$runs"); do
  sync
  t0=$(now)
  "$build/tecris2nx" --patdat "$work/patdat" -o "$work/cli-$i" "$work"/corpus/batch/*
  t1=$(now)
  cli=$(echo "$t1 - $t0" | bc -l)
  sync
  mkdir -p "$work/window-$i"
  window=$(QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" \
    "$build/bench/window_bench" "$work/corpus/batch" "$work/window-$i" "$work/patdat")
  seconds=${window%% s,*}
  ratio=$(echo "$seconds / $cli" | bc -l)
  ratios+=("$ratio")
  printf 'run %d: command line %.3f s, window %s (ratio %.2f)\n' "$i" "$cli" "$window" "$ratio"
done
printf 'median ratio window / command line: %.2f\n' "$(median "${ratios[@]}")"
