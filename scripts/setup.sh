#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the window, the user guide (pandoc), the
# sanitizer and fuzzing runs and the benchmark need (poppler-utils: the PDF tests' pdfinfo; gcovr:
# scripts/coverage.sh).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev fonts-ipafont-gothic
  poppler-utils
  libc-bin
  clang-14 libclang-rt-14-dev llvm-14 clang-format-14
  libbenchmark-dev bc time gcovr
  python3 python3-jsonschema pandoc
  g++-mingw-w64-x86-64-posix googletest wine wine64
  nsis zip unzip xvfb locales
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
