#!/usr/bin/env bash
# Benchmark: converts a generated corpus with tecris2nx and, alternating with it, copies the
# produced job folders (the floor: the same bytes into the same number of files), once plainly and
# once the way the converter must write them (each file under a temporary name, then renamed).
# Ends with one Markdown table of every figure (measure | value | floor | met?), which
# docs/performance.md takes as it is.
#   bench/run.sh [FILES] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
files="${1:-1000}"
runs="${2:-5}"
bash scripts/setup.sh
build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTECRIS2NX_BUILD_GUI=OFF \
  -DTECRIS2NX_BUILD_TESTS=OFF -DTECRIS2NX_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target tecris2nx make_corpus micro_bench safe_copy
work="$build/bench-work"
# Deleting many files keeps this machine's file system busy for a while after: a run deletes its
# work at the end, and waits when an interrupted run left some behind.
if [ -e "$work" ]; then
  rm -rf "$work"
  sync && sleep 10
fi
mkdir -p "$work"
"$build/bench/make_corpus" "$work/corpus" "$files"
cp -r examples/sample-patdat "$work/patdat"
sync && sleep 3
bin="$build/tecris2nx"

# The shell's own clock: a `date` started for each reading cost about 7 ms of every measurement on
# this machine, a tenth of the large file's conversion.
now() { printf -v "$1" '%s' "${EPOCHREALTIME/,/.}"; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
batch_mb=$(du -sb "$work/corpus/batch" | awk '{printf "%.2f", $1/1e6}')
large_mb=$(du -sb "$work/corpus/large" | awk '{printf "%.2f", $1/1e6}')

# The large file first, before thousands of batch outputs make the file system busy: throughput
# on one core (median of several runs) and peak memory.
larges=()
for i in $(seq 1 "$runs"); do
  now t0
  "$bin" --patdat "$work/patdat" -o "$work/large-$i" "$work"/corpus/large/*
  now t1
  larges+=("$(echo "$t1 - $t0" | bc -l)")
done
large_s=$(median "${larges[@]}")
# This machine's two cores have been seen to differ by half for minutes at a time (the host
# shares one of them), so that a run's speed depends on the core it lands on: the large file on
# each core in turn, and beside it a hash of the batch's files on the same core, which does
# nothing of the converter's.
by_core=()
if command -v taskset >/dev/null && [ "$(nproc)" -gt 1 ]; then
  cores=$(nproc)
  if [ "$cores" -gt 8 ]; then cores=8; fi
  for core in $(seq 0 $((cores - 1))); do
    ts=()
    for i in $(seq 1 "$runs"); do
      now t0
      taskset -c "$core" "$bin" --patdat "$work/patdat" -o "$work/large-c$core-$i" \
        "$work"/corpus/large/*
      now t1
      ts+=("$(echo "$t1 - $t0" | bc -l)")
    done
    now t0
    taskset -c "$core" sha256sum "$work"/corpus/batch/* >/dev/null
    now t1
    by_core+=("$(printf '| large file on core %d, median of %d (the hash of the batch on that core) | %.1f MB/s (hash %.0f ms) | — | — |' \
      "$core" "$runs" "$(echo "$large_mb / $(median "${ts[@]}")" | bc -l)" \
      "$(echo "($t1 - $t0) * 1000" | bc -l)")")
  done
fi
/usr/bin/time -f '%M' -o "$work/time-large" \
  "$bin" --patdat "$work/patdat" -o "$work/out-large" "$work"/corpus/large/*
large_kb=$(cat "$work/time-large")
sync && sleep 3

ratios=()
safe_ratios=()
convs=()
ones=()
workers=$(nproc)
if [ "$workers" -gt 8 ]; then workers=8; fi
# Every run writes into folders of its own; all are deleted at the end: deleting thousands of
# files between runs would make the file system busy for the next run.
for i in $(seq 1 "$runs"); do
  sync
  sleep 1
  now t0
  "$bin" --patdat "$work/patdat" -o "$work/out-$i" "$work"/corpus/batch/*
  now t1
  sync
  sleep 1
  now t2
  cp -r "$work/out-$i" "$work/copy-$i"
  now t3
  sync
  sleep 1
  now t4
  "$bin" -j 1 --patdat "$work/patdat" -o "$work/one-$i" "$work"/corpus/batch/*
  now t5
  sync
  sleep 1
  now t6
  "$build/bench/safe_copy" "$work/out-$i" "$work/safe-$i"
  now t7
  conv=$(echo "$t1 - $t0" | bc -l)
  floor=$(echo "$t3 - $t2" | bc -l)
  safe=$(echo "$t7 - $t6" | bc -l)
  convs+=("$conv")
  ones+=("$(echo "$t5 - $t4" | bc -l)")
  ratios+=("$(echo "$conv / $floor" | bc -l)")
  safe_ratios+=("$(echo "$conv / $safe" | bc -l)")
done
conv=$(median "${convs[@]}")
one=$(median "${ones[@]}")
ratio=$(median "${ratios[@]}")
safe_ratio=$(median "${safe_ratios[@]}")
outputs=$(find "$work/out-1" -type f | wc -l)

# Check mode on the same files (one file after another, nothing written). The generated files are
# valid: a finding of severity error fails the benchmark (exit status 1 under set -e).
checks=()
check_larges=()
for i in $(seq 1 "$runs"); do
  now t0
  "$bin" check --patdat "$work/patdat" "$work"/corpus/batch/* >"$work/check-batch.txt"
  now t1
  "$bin" check --patdat "$work/patdat" "$work"/corpus/large/* >"$work/check-large.txt"
  now t2
  checks+=("$(echo "$t1 - $t0" | bc -l)")
  check_larges+=("$(echo "$t2 - $t1" | bc -l)")
done
# --verbose (and the window) also count each file's warnings, in the same pass as the conversion:
# the large file and the batch, each run alternating with the conversion without.
verboses=()
plains=()
batch_verboses=()
batch_plains=()
# One timed conversion after the writes before it are on disk (the second of two would pay for
# the first's); prints its seconds.
timed() {
  sync && sleep 1
  local t0 t1
  now t0
  "$bin" "$@" >/dev/null 2>&1
  now t1
  echo "$t1 - $t0" | bc -l
}
for i in $(seq 1 "$runs"); do
  # Every other round the counted run goes first: the file system slows as it fills, and the
  # run that always came second would pay for it.
  for kind in $(if [ $((i % 2)) -eq 1 ]; then echo plain verbose; else echo verbose plain; fi); do
    if [ "$kind" = plain ]; then
      plains+=("$(timed --patdat "$work/patdat" -o "$work/plain-$i" "$work"/corpus/large/*)")
      batch_plains+=("$(timed --patdat "$work/patdat" -o "$work/batch-plain-$i" "$work"/corpus/batch/*)")
    else
      verboses+=("$(timed --verbose --patdat "$work/patdat" -o "$work/verbose-$i" "$work"/corpus/large/*)")
      batch_verboses+=("$(timed --verbose --patdat "$work/patdat" -o "$work/batch-verbose-$i" \
        "$work"/corpus/batch/*)")
    fi
  done
done
verbose_s=$(median "${verboses[@]}")
plain_s=$(median "${plains[@]}")
batch_verbose_s=$(median "${batch_verboses[@]}")
batch_plain_s=$(median "${batch_plains[@]}")
# The boring log and the report of every batch file, alternating with the conversion of the
# same files, so that all meet the file system in the same state.
logs=()
log_convs=()
reports=()
for i in $(seq 1 "$runs"); do
  sync
  sleep 1
  now t0
  "$bin" --patdat "$work/patdat" -o "$work/log-conv-$i" "$work"/corpus/batch/* 2>/dev/null
  now t1
  sync
  sleep 1
  now t2
  "$bin" log --format svg --patdat "$work/patdat" -o "$work/log-$i" "$work"/corpus/batch/*
  now t3
  sync
  sleep 1
  now t4
  "$bin" report --patdat "$work/patdat" -o "$work/report-$i" "$work"/corpus/batch/* >/dev/null
  now t5
  log_convs+=("$(echo "$t1 - $t0" | bc -l)")
  logs+=("$(echo "$t3 - $t2" | bc -l)")
  reports+=("$(echo "$t5 - $t4" | bc -l)")
done
log_s=$(median "${logs[@]}")
report_s=$(median "${reports[@]}")
log_conv_s=$(median "${log_convs[@]}")
check_s=$(median "${checks[@]}")
check_large_s=$(median "${check_larges[@]}")
check_warnings=$(grep -c ': warning T' "$work/check-batch.txt" || true)
/usr/bin/time -f '%M' -o "$work/time-batch" \
  "$bin" --patdat "$work/patdat" -o "$work/out" "$work"/corpus/batch/*

# The micro-benchmarks of the hot paths, then every figure above as one Markdown table.
echo
"$build/bench/micro_bench" --min-time 0.5
# A table row with a floor: the measure, the value shown, the figure compared, the comparison
# ("<=" or ">="), the limit and the floor's text.
row() {
  local met=no
  [ "$(echo "$3 $4 $5" | bc -l)" -eq 0 ] || met=yes
  printf '| %s | %s | %s | %s |\n' "$1" "$2" "$6" "$met"
}
large_mbs=$(echo "$large_mb / $large_s" | bc -l)
large_times=$(echo "$large_kb * 1024 / ($large_mb * 1000000)" | bc -l)
verbose_ratio=$(echo "$verbose_s / $plain_s" | bc -l)
batch_verbose_ratio=$(echo "$batch_verbose_s / $batch_plain_s" | bc -l)
echo
echo "Figures of \`bash bench/run.sh $files $runs\`, $(date -u '+%Y-%m-%d %H:%M UTC'), commit" \
  "$(git rev-parse --short HEAD 2>/dev/null || echo unknown); machine: $(nproc) cores," \
  "$(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo)," \
  "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')." \
  "$(if [ "$runs" -gt 1 ]; then echo "Times are medians of $runs runs."; else echo "Times are of one run."; fi)"
echo
echo "| measure | value | floor | met? |"
echo "|---|---|---|---|"
row "large file ($large_mb MB), one file, one core" \
  "$(printf '%.1f MB/s (%.3f s)' "$large_mbs" "$large_s")" "$large_mbs" ">=" 60 "at least 60 MB/s"
row "peak memory on the large file" \
  "$(printf '%.1f MB, %.1f x the input' "$(echo "$large_kb * 1024 / 1000000" | bc -l)" "$large_times")" \
  "$large_times" "<=" 3 "at most 3 x the input"
printf '| batch: %d files (%s MB) into %d output files, %d files at once | %.3f s, %.0f files/s, %.1f MB/s | — | — |\n' \
  "$files" "$batch_mb" "$outputs" "$workers" "$conv" "$(echo "$files / $conv" | bc -l)" \
  "$(echo "$batch_mb / $conv" | bc -l)"
row "batch / the copy of its outputs written safely (\`bench/safe_copy\`)" \
  "$(printf '%.2f' "$safe_ratio")" "$safe_ratio" "<=" 1.6 "at most 1.6"
printf '| batch / the plain copy of its outputs (`cp -r`) | %.2f | — | — |\n' "$ratio"
printf '| batch, one file at a time (`-j 1`) | %.3f s, %.1f MB/s | — | — |\n' \
  "$one" "$(echo "$batch_mb / $one" | bc -l)"
printf '| peak memory on the batch | %.1f MB | — | — |\n' \
  "$(echo "$(cat "$work/time-batch") * 1024 / 1000000" | bc -l)"
if [ "${#by_core[@]}" -gt 0 ]; then printf '%s\n' "${by_core[@]}"; fi
row "warnings counted (\`--verbose\`) / not, large file" \
  "$(printf '%.2f (%.3f s / %.3f s)' "$verbose_ratio" "$verbose_s" "$plain_s")" \
  "$verbose_ratio" "<=" 2 "at most 2"
row "warnings counted (\`--verbose\`) / not, batch" \
  "$(printf '%.2f (%.3f s / %.3f s)' "$batch_verbose_ratio" "$batch_verbose_s" "$batch_plain_s")" \
  "$batch_verbose_ratio" "<=" 1.5 "at most 1.5"
printf '| `check`, batch (0 errors, %d warnings) / large file | %.3f s / %.3f s | — | — |\n' \
  "$check_warnings" "$check_s" "$check_large_s"
printf '| boring log (`log --format svg`) of the batch / its conversion | %.2f (%.3f s / %.3f s) | — | — |\n' \
  "$(echo "$log_s / $log_conv_s" | bc -l)" "$log_s" "$log_conv_s"
report_ratio=$(echo "$report_s / $log_conv_s" | bc -l)
row "report (\`report\`) of the batch / its conversion" \
  "$(printf '%.2f (%.3f s / %.3f s)' "$report_ratio" "$report_s" "$log_conv_s")" \
  "$report_ratio" "<=" 1 "at most 1"
rm -rf "$work"
