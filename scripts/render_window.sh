#!/usr/bin/env bash
# Draws the window into docs/window.png: source folder examples/, the sample pattern data, the
# listed files converted into a scratch destination, the host's real drive list. Needs no
# display (offscreen platform).
#   scripts/render_window.sh               writes docs/window.png
#   scripts/render_window.sh --mid-run OUT converts 3,000 generated files and draws the window
#                                          while it is at work (progress and the stop button)
#   scripts/render_window.sh --failing OUT [FINDINGS]
#                                          the examples and one file cut short inside a section:
#                                          the run that goes on past it, its line marked; with
#                                          FINDINGS also the findings window of a warned file
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build/render}
cmake -S . -B "$build" -G Ninja -DTECRIS2NX_BENCH=ON >/dev/null
scratch="${TMPDIR:-/tmp}/tecris2nx-window"
rm -rf "$scratch"
mkdir -p "$scratch/runtime" "$scratch/converted" docs
chmod 700 "$scratch/runtime"
trap 'rm -rf "$scratch"' EXIT
render() {
  QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$scratch/runtime" \
    "$build/app/gui/tecris2nx-render-window" "$@"
}
if [ "${1:-}" = "--mid-run" ]; then
  out=$(realpath -m "${2:?usage: render_window.sh --mid-run OUT.png}")
  cmake --build "$build" --target tecris2nx-render-window make_corpus
  "$build/bench/make_corpus" "$scratch/corpus" 3000 >/dev/null
  render --mid-run "$scratch/corpus/batch" "$scratch/converted" "$out" \
    "$PWD/examples/sample-patdat"
  echo "wrote $out"
elif [ "${1:-}" = "--failing" ]; then
  out=$(realpath -m "${2:?usage: render_window.sh --failing OUT.png}")
  cmake --build "$build" --target tecris2nx-render-window
  mkdir -p "$scratch/source"
  cp examples/[0-9]*.[0-9]* "$scratch/source/"
  # The example with every section under another identifier, ending two thirds of the way
  # through: the sections before the cut are written.
  sed 's/12345678006/12345678007/' examples/12345678.006 >"$scratch/whole"
  head -c $(($(stat -c %s "$scratch/whole") * 2 / 3)) "$scratch/whole" >"$scratch/source/12345678.007"
  findings=()
  [ -z "${3:-}" ] || findings=(--findings "$(realpath -m "$3")")
  render "${findings[@]}" "$scratch/source" "$scratch/converted" "$out" \
    "$PWD/examples/sample-patdat"
  echo "wrote $out ${3:-}"
else
  cmake --build "$build" --target tecris2nx-render-window
  render "$PWD/examples" "$scratch/converted" docs/window.png "$PWD/examples/sample-patdat"
  echo "wrote docs/window.png"
fi
