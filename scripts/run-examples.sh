#!/usr/bin/env bash
# Set-up, build, then convert the bundled sample TECRIS files into ./converted and show the result.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
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
