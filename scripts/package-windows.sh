#!/usr/bin/env bash
# The Windows release from Debian in one command: the MinGW-w64 build of both programs (the same
# build folder the Windows tests use), stripped, then the installer and the portable zip:
#   build/dist/tecris2nx-<version>-setup.exe   (NSIS, 64-bit)
#   build/dist/tecris2nx-<version>-win64.zip
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build/windows
dist=build/dist
jobs="${JOBS:-2}"
triple=x86_64-w64-mingw32

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTECRIS2NX_WERROR=ON -DTECRIS2NX_QUICK_BUILD=ON \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DTECRIS2NX_BUILD_GUI=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target tecris2nx tecris2nx-gui
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $build/CMakeCache.txt" >&2; exit 1; }
[ -f LICENSE ] || { echo "LICENSE is missing at the root of the tree" >&2; exit 1; }

# Stripped copies: the build keeps its debugging information for the tests.
stage="$build/stage"
rm -rf "$stage"
mkdir -p "$stage"
for program in tecris2nx tecris2nx-gui; do
  "$triple-strip" -o "$stage/$program.exe" "$build/$program.exe"
done
# For the users: the Japanese guide (one HTML file, its pictures inside), a short Japanese note
# that Notepad shows right (UTF-8 with BOM, CR LF) and the licence, .txt so that a double click
# opens them. The English README is the developers' and stays out.
python3 scripts/build_guide.py "$stage/tecris2nx-guide-ja.html"
cp packaging/windows/readme-ja.txt "$stage/はじめにお読みください.txt"
cp LICENSE "$stage/LICENSE.txt"

mkdir -p "$dist"
setup="$dist/tecris2nx-$version-setup.exe"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$PWD/$stage" \
  -DICON="$PWD/app/icons/tecris2nx.ico" -DOUTFILE="$PWD/$setup" packaging/windows/tecris2nx.nsi

# The portable zip: the programs, the guide, the note, the licence and the sample data, named as samples so that
# nobody takes them for a pattern table (the lookup only ever takes a folder named PATDAT).
name="tecris2nx-$version-win64"
portable="$build/portable/$name"
rm -rf "$build/portable"
mkdir -p "$portable/sample-data"
cp "$stage"/*.exe "$stage"/*.txt "$stage"/*.html "$portable/"
cp examples/[0-9]*.[0-9]* "$portable/sample-data/"
cp -r examples/sample-patdat "$portable/sample-data/sample-patdat"
zip="$PWD/$dist/$name.zip"
rm -f "$zip"
# Python's zipfile marks non-ASCII names as UTF-8 (general-purpose bit 11), which Explorer and
# 7-Zip honour; Info-ZIP's zip leaves the mark off, and Japanese Windows would then show
# "はじめにお読みください.txt" in garbled characters.
(cd "$build/portable" && python3 - "$zip" "$name" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
    for folder, subfolders, files in os.walk(sys.argv[2]):
        subfolders.sort()
        archive.write(folder)
        for name in sorted(files):
            archive.write(os.path.join(folder, name))
PY
)

for f in "$stage"/*.exe "$setup" "$zip"; do
  printf '%-40s %9s bytes\n' "$(basename "$f")" "$(stat -c %s "$f")"
done
