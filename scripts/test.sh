#!/usr/bin/env bash
# Set-up, build and the whole test suite, from a fresh machine or a clean clone.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/check-format.sh
build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTECRIS2NX_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"

# Again under AddressSanitizer and UndefinedBehaviorSanitizer, with a short run of each fuzz target.
FUZZ_SECONDS="${FUZZ_SECONDS:-60}" bash scripts/test-sanitizers.sh

# The Windows build and the same suite under Wine, with end-to-end outputs compared to Linux.
bash scripts/test-windows.sh

# The Debian package made from the first build: lintian, install, the examples, removal.
bash scripts/test-package.sh "$build"
