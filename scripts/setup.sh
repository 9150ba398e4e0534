#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the window, the user guide (pandoc), the
# sanitizer and fuzzing runs, the Windows suite, the package test and the benchmark need
# (poppler-utils: the PDF tests' pdfinfo; gcovr: scripts/coverage.sh; proj-bin: the report's
# datum test against cs2cs).
#   bash scripts/setup.sh         everything
#   bash scripts/setup.sh build   the lists and what the GCC build and its tests need
#   bash scripts/setup.sh rest    the others, after "build" (scripts/test.sh runs this one while
#                                 the GCC build compiles)
set -euo pipefail
part="${1:-all}"
build_packages=(
  build-essential cmake ninja-build pkg-config ccache
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev fonts-ipafont-gothic
  poppler-utils
  libc-bin
  python3 python3-jsonschema pandoc
  proj-bin
)
rest_packages=(
  clang-14 libclang-rt-14-dev llvm-14 clang-format-14
  bc time gcovr
  g++-mingw-w64-x86-64-posix googletest wine wine64
  nsis zip unzip xvfb locales
  lintian appstream man-db
)
case "$part" in
  all) packages=("${build_packages[@]}" "${rest_packages[@]}") ;;
  build) packages=("${build_packages[@]}") ;;
  rest) packages=("${rest_packages[@]}") ;;
  *) echo "usage: setup.sh [build|rest]" >&2; exit 2 ;;
esac
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
# "rest" relies on the lists that "build" brought up to date: it updates them when anything of
# either part was missing.
update=no
if [ "$part" = build ]; then
  for p in "${rest_packages[@]}"; do installed "$p" || update=yes; done
fi
[ "${#missing[@]}" -eq 0 ] || [ "$part" = rest ] || update=yes
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
[ "$update" = no ] || $sudo_cmd apt-get update -qq
if [ "${#missing[@]}" -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi
