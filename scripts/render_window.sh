#!/usr/bin/env bash
# Draws the window into docs/window.png: source folder examples/, the sample pattern data, the
# listed files converted into a scratch destination. Needs no display (offscreen platform).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build/render}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target tecris2nx-render-window
scratch="${TMPDIR:-/tmp}/tecris2nx-window"
rm -rf "$scratch"
mkdir -p "$scratch/runtime" "$scratch/converted" docs
chmod 700 "$scratch/runtime"
trap 'rm -rf "$scratch"' EXIT
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$scratch/runtime" \
  "$build/app/gui/tecris2nx-render-window" \
  "$PWD/examples" "$scratch/converted" docs/window.png "$PWD/examples/sample-patdat"
echo "wrote docs/window.png"
