#!/usr/bin/env bash
# Draws the Windows window for the documentation: the Win32 view under Wine on an Xvfb display,
# in Japanese with IPA Gothic, after converting the examples through it; writes
# docs/window-windows.png, and the boring-log preview of an example over it,
# docs/boring-log-windows.png. Needs the Windows build (scripts/test-windows.sh makes it).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/windows
cmake --build "$build" -j "${JOBS:-2}" --target tecris2nx_win32_tests >/dev/null
source scripts/wine-session.sh
start_wine_session "$build"
bmp="$build/window-windows.bmp"
rm -f "$bmp"
TECRIS2NX_SCREENSHOT="$(windows_path "$bmp")" timeout 120 "$wine" \
  "$build/tests/win32/tecris2nx_win32_tests.exe" --gtest_filter='*Picture' </dev/null
python3 scripts/bmp_to_png.py "$bmp" docs/window-windows.png
echo "docs/window-windows.png"
rm -f "$bmp"
TECRIS2NX_LOG_SCREENSHOT="$(windows_path "$bmp")" timeout 120 "$wine" \
  "$build/tests/win32/tecris2nx_win32_tests.exe" --gtest_filter='*BoringLogPicture' </dev/null
python3 scripts/bmp_to_png.py "$bmp" docs/boring-log-windows.png
echo "docs/boring-log-windows.png"
