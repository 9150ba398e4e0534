#!/usr/bin/env bash
# Benchmark: one long field against a well-formed file of the same size. Prints time and peak
# memory of tecris2nx on each; reading must stay linear in the file's length, and a field beyond
# the longest one read (16 MiB) is refused after reading that much.
#   bench/long_field.sh [MB]
set -euo pipefail
cd "$(dirname "$0")/.."
mb="${1:-100}"
build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTECRIS2NX_BUILD_GUI=OFF \
  -DTECRIS2NX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target tecris2nx >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bytes=$((mb * 1024 * 1024))
field=$((15 * 1024 * 1024))
{ printf 'C,12345678001,'; head -c "$bytes" /dev/zero | tr '\0' x; printf '\r\n'; } >"$work/12345678.001"
{ printf 'C,12345678002,'; head -c "$field" /dev/zero | tr '\0' x; printf ',1\r\n1,2,3,1.5,12,28\r\n'; } \
  >"$work/12345678.002"
# The same size as empty lines after the last section: every one of them is read as a field.
{
  printf 'C,12345678003,y,1\r\n1,2,3,1.5,12,28\r\n'
  head -c "$bytes" /dev/zero | tr '\0' '\n'
} >"$work/12345678.003"
for file in 001 002 003; do
  case $file in
    001) what="one field of $mb MiB (refused)" ;;
    002) what="one field of 15 MiB (converted)" ;;
    003) what="$mb MiB of empty fields" ;;
  esac
  /usr/bin/time -f "%e s, peak %M KB" -o "$work/time" \
    "$build/tecris2nx" --patdat examples/sample-patdat -o "$work/out" "$work/12345678.$file" \
    2>/dev/null || true
  echo "$what: $(cat "$work/time")"
done
