#!/usr/bin/env bash
# Line coverage of the unit and end-to-end suites (tecris2nx_tests, which also runs the built
# tecris2nx) with gcov, summed by gcovr over the program's own sources. Not part of test.sh.
#   bash scripts/coverage.sh [BUILD_DIR]   (default build/coverage; HTML in BUILD_DIR/coverage.html)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/coverage}"
command -v gcovr >/dev/null || { echo "gcovr is missing: run scripts/setup.sh" >&2; exit 1; }
# Counters are written beside the objects; a cached object would carry another build's paths.
export CCACHE_DISABLE=1
# Batches convert on several threads: without atomic updates their counters can come out
# negative, which gcovr refuses.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTECRIS2NX_BUILD_GUI=OFF \
  -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" -DCMAKE_EXE_LINKER_FLAGS="--coverage" \
  >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target tecris2nx_tests tecris2nx
find "$build" -name '*.gcda' -delete
ctest --test-dir "$build" -j "${JOBS:-2}" -E '^(FindingPages|Guide)\.' \
  --output-on-failure >"$build/ctest.log" || { tail -n 40 "$build/ctest.log" >&2; exit 1; }
tail -n 3 "$build/ctest.log"
# One process: gcovr 5.2 with -j hangs for good when a worker fails. CMake's own compiler probe
# has no source to show.
gcovr --root . --object-directory "$build" --exclude-directories "$build/CMakeFiles" \
  --filter 'common/' --filter 'tecris/' --filter 'sections/' --filter 'check/' --filter 'log/' \
  --filter 'run/' --filter 'app/' \
  --exclude 'app/gui/' --exclude 'app/log_render/' --exclude-unreachable-branches \
  --html "$build/coverage.html" --print-summary | tail -n 3
