#!/usr/bin/env bash
# Benchmark: the boring log of a file whose one soil name is long, at growing lengths. Prints the
# time and peak memory of `tecris2nx log` for each; fitting the name into its column must stay
# linear in its length (ten times the name, about ten times the time).
#   bench/long_soil_name.sh [CHARACTERS...]
set -euo pipefail
cd "$(dirname "$0")/.."
lengths=("$@")
[ "${#lengths[@]}" -gt 0 ] || lengths=(10000 100000 300000 1000000 3000000)
build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTECRIS2NX_BUILD_GUI=OFF \
  -DTECRIS2NX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target tecris2nx >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for n in "${lengths[@]}"; do
  {
    printf 'B,12345678001,x\r\n1\r\nB,1,1,2.0,0,'
    head -c "$n" /dev/zero | tr '\0' a
    printf ',H,\r\n'
  } >"$work/12345678.001"
  /usr/bin/time -f "%e s, peak %M KB" -o "$work/time" \
    "$build/tecris2nx" log --patdat examples/sample-patdat -o "$work/out" "$work/12345678.001" \
    >/dev/null 2>&1 || true
  echo "soil name of $n characters: $(cat "$work/time")"
done
