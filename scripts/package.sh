#!/usr/bin/env bash
# Builds the Debian package build/release/tecris2nx_<version>_amd64.deb from a release build.
# Install it with: sudo apt install ./build/release/tecris2nx_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTECRIS2NX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/tecris2nx_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/tecris2nx_*.deb
