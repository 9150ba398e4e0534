#!/usr/bin/env bash
# Installs what the build needs, builds the command line, then converts the bundled sample TECRIS
# files into ./converted and shows the result, then reports the made-up delivery of
# examples/delivery into ./delivery-report. Only the build's packages: the tests' extras
# (clang, MinGW, Wine, NSIS...) are scripts/test.sh's business, and a newcomer should see the
# examples converted without waiting for them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target tecris2nx
rm -rf converted
"$build/tecris2nx" --verbose --patdat examples/sample-patdat -o converted examples/[0-9]*.[0-9]*
echo
echo "converted/:"
find converted -type f | sort | while read -r f; do
  printf '  %s (%s bytes)\n' "$f" "$(wc -c <"$f")"
done
# The made-up delivery of examples/delivery as one report: open delivery-report/report.html.
rm -rf delivery-report
echo
"$build/tecris2nx" report --patdat examples/sample-patdat -o delivery-report examples/delivery
