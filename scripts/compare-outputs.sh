#!/usr/bin/env bash
# Compares two builds of tecris2nx on the same inputs: every output file's bytes, the texts on
# both streams and the exit codes of the conversion (plain, --verbose, a batch on two cores),
# `check --json` and `log`. For changes that must not change any output.
#   scripts/compare-outputs.sh OLD_BIN NEW_BIN [MUTANTS] [MAKE_CORPUS]
# MUTANTS (default 1200) mutated files are made from the examples and a generated corpus;
# MAKE_CORPUS is bench/make_corpus of either build (default: found beside OLD_BIN).
set -euo pipefail
old=$(realpath "$1")
new=$(realpath "$2")
mutants="${3:-1200}"
make_corpus="${4:-$(dirname "$old")/bench/make_corpus}"
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$make_corpus" "$work/corpus" 200 7 >/dev/null
python3 scripts/mutate_corpus.py "$work/in" "$mutants" 43 examples/[0-9]*.[0-9]* \
  $(ls "$work"/corpus/batch/* | head -40)
patdat=examples/sample-patdat

# Runs one build over everything into $work/<label>; each command's streams and exit code go into
# a file of their own, with the run folder's path written as @.
run() {
  local bin=$1 label=$2 dir=$work/$2 file n
  mkdir -p "$dir/report"
  record() {  # record NAME COMMAND...
    local name=$1 status=0
    shift
    "$@" >"$dir/report/$name.out" 2>"$dir/report/$name.err" || status=$?
    echo "$status" >"$dir/report/$name.status"
    sed -i "s#$dir#@#g; s#$work/in#IN#g; s#$work/corpus#CORPUS#g" \
      "$dir/report/$name.out" "$dir/report/$name.err"
  }
  for folder in "$work"/in/*; do
    n=$(basename "$folder")
    file=$(ls "$folder"/*)
    record "$n.convert" "$bin" --patdat "$patdat" -o "$dir/convert/$n" "$file"
    record "$n.verbose" "$bin" --verbose --patdat "$patdat" -o "$dir/verbose/$n" "$file"
    record "$n.check" "$bin" check --json --patdat "$patdat" "$file"
    record "$n.log" "$bin" log --patdat "$patdat" -o "$dir/log/$n" "$file"
  done
  record batch "$bin" --verbose -j 2 --patdat "$patdat" -o "$dir/batch" "$work"/corpus/batch/*
  record large "$bin" --verbose --patdat "$patdat" -o "$dir/large" "$work"/corpus/large/*
  record large-check "$bin" check --patdat "$patdat" "$work"/corpus/large/*
}
run "$old" old
run "$new" new
count=$(ls "$work/in" | wc -l)
if diff -r "$work/old" "$work/new" >"$work/diff" 2>&1; then
  echo "no difference: $count files (examples, made and mutated), 200-file batch, large file"
else
  head -n 60 "$work/diff"
  echo "DIFFERENCES: $(grep -c '^diff\|^Only\|^Files' "$work/diff" || true) places (first lines above)"
  exit 1
fi
