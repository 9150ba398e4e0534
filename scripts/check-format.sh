#!/usr/bin/env bash
# Fails, naming the files, when a tracked C++ file differs from what clang-format 14 makes of it.
# Fix with: clang-format-14 -i FILE...
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
offenders=()
for file in "${files[@]}"; do
  clang-format-14 --dry-run --Werror "$file" >/dev/null 2>&1 || offenders+=("$file")
done
if [ "${#offenders[@]}" -gt 0 ]; then
  echo "Not formatted with clang-format 14 (.clang-format):" >&2
  printf '  %s\n' "${offenders[@]}" >&2
  exit 1
fi
