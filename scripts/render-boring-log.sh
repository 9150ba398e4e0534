#!/usr/bin/env bash
# Draws the boring log of examples/12345678.006 (every section) with the sample pattern data and
# renders the SVG with headless Chromium into docs/boring-log-svg.png.
#   scripts/render-boring-log.sh [EXAMPLE]
set -euo pipefail
cd "$(dirname "$0")/.."
# Chromium only draws this picture, so the test set-up does not install it.
if ! command -v chromium >/dev/null; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends chromium
fi
example="${1:-examples/12345678.006}"
build=${BUILD_DIR:-build/render}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target tecris2nx
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A fixed date, so that the picture changes only when the drawing does.
SOURCE_DATE_EPOCH=1767225600 "$build/tecris2nx" log --patdat examples/sample-patdat \
  -o "$scratch" "$example"
svg=$(ls "$scratch"/*.svg)
# The sheet is 210 mm wide; at Chromium's 96 px per inch that is 794 px, its height likewise.
height_mm=$(sed -n 's/.* height="\([0-9.]*\)mm".*/\1/p' "$svg" | head -1)
height_px=$(awk -v mm="$height_mm" 'BEGIN { printf "%d", mm / 25.4 * 96 + 1 }')
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --force-device-scale-factor=2 \
  --window-size="794,$height_px" --screenshot="$PWD/docs/boring-log-svg.png" "$svg" 2>/dev/null
echo "wrote docs/boring-log-svg.png"
