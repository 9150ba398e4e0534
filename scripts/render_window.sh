#!/usr/bin/env bash
# Draws the window into docs/window.png: source folder examples/, the sample pattern data, the
# listed files converted into a scratch destination, the host's real drive list. Needs no
# display (offscreen platform).
#   scripts/render_window.sh               writes docs/window.png
#   scripts/render_window.sh --mid-run OUT converts 3,000 generated files and draws the window
#                                          while it is at work (progress and the stop button)
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
else
  cmake --build "$build" --target tecris2nx-render-window
  render "$PWD/examples" "$scratch/converted" docs/window.png "$PWD/examples/sample-patdat"
  echo "wrote docs/window.png"
fi
