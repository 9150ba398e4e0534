#!/usr/bin/env bash
# Fails, naming the files, when a tracked C++ file differs from what clang-format 14 makes of it.
# Fix with: clang-format-14 -i FILE...
set -euo pipefail
cd "$(dirname "$0")/.."
# One clang-format per batch of files, a batch per core at a time. A batch names the files its
# warnings name; a batch that fails without naming any (clang-format missing, a file unreadable)
# names all of its files, with the error.
found="$(mktemp)"
trap 'rm -f "$found"' EXIT
git ls-files -z -- '*.cpp' '*.h' |
  xargs -0 -n 16 -P "$(nproc)" sh -c '
    out=$(clang-format-14 --dry-run --Werror "$@" 2>&1 >/dev/null) && exit 0
    named=$(printf "%s\n" "$out" |
      sed -n "s/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p" | sort -u)
    if [ -n "$named" ]; then printf "%s\n" "$named"; else printf "%s\n" "$out" >&2; printf "%s\n" "$@"; fi
  ' sh >"$found"
if [ -s "$found" ]; then
  echo "Not formatted with clang-format 14 (.clang-format):" >&2
  sort -u "$found" | sed 's/^/  /' >&2
  exit 1
fi
