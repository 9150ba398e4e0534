#!/usr/bin/env bash
# The Windows build (MinGW-w64, static) and the whole test suite under Wine, on a display of its
# own (Xvfb) in a Japanese locale; then the installer and the zip.
# Wine gets its own prefix inside the build folder and may write nothing outside it.
# WINDOWS_TEST_TIMEOUT sets the limit in seconds for the test run (default 900).
#   bash scripts/test-windows.sh         all of it
#   bash scripts/test-windows.sh build   the build, the installer and the zip
#   bash scripts/test-windows.sh test    the tests under Wine, over what "build" left
set -euo pipefail
cd "$(dirname "$0")/.."
# ccache shares compilations between clones when paths are taken relative to the clone, and
# takes a compilation's headers from the compiler's dependency list instead of preprocessing it.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1 CCACHE_DEPEND=1
build=build/windows
jobs="${JOBS:-2}"
part="${1:-all}"
case "$part" in
  all | build | test) ;;
  *) echo "usage: test-windows.sh [build|test]" >&2; exit 2 ;;
esac
step_start=$SECONDS
# The time of each step, for deciding where the phase can be cut.
step() {
  echo "== Windows: $1: $((SECONDS - step_start)) s"
  step_start=$SECONDS
}

if [ "$part" != test ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTECRIS2NX_WERROR=ON -DTECRIS2NX_QUICK_BUILD=ON \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DTECRIS2NX_BUILD_GUI=OFF >/dev/null
  cmake --build "$build" -j "$jobs"
  step "MinGW build"
  # The installer and the zip from the same build (stripped copies), tested at the end.
  bash scripts/package-windows.sh >/dev/null
  step "installer and zip"
fi
[ "$part" != build ] || exit 0

# Wine on a display of its own, in Japanese, with its own prefix and one persistent server.
# Drive R: points at a folder that does not exist: a drive that is there but not ready.
source scripts/wine-session.sh
rm -rf "$build/no-such-drive"
start_wine_session "$build" "r=$build/no-such-drive"
export TECRIS2NX_TEST_UNREADY_DRIVE=R
step "Wine session"
# The window's test converts the examples into this folder, compared with Linux's below.
window_out="$build/window-e2e"
rm -rf "$window_out"
export TECRIS2NX_WINDOW_OUTPUT="$(windows_path "$window_out")"
timeout "${WINDOWS_TEST_TIMEOUT:-900}" \
  ctest --test-dir "$build" --output-on-failure </dev/null
step "tests under Wine"

# The window at 200 %: Wine takes the DPI from the prefix at each program start.
desktop='HKCU\Control Panel\Desktop'
"$wine" reg add "$desktop" /v LogPixels /t REG_DWORD /d 192 /f >/dev/null </dev/null
set +e
timeout 120 "$wine" "$build/tests/win32/tecris2nx_win32_tests.exe" --gtest_color=no \
  --gtest_filter='MainWindowTest.EveryControlFits*:MainWindowTest.Controls*:MainWindowTest.Remembered*' \
  >"$build/window-200.log" 2>&1 </dev/null
dpi_status=$?
set -e
"$wine" reg add "$desktop" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null </dev/null
[ "$dpi_status" -eq 0 ] || { cat "$build/window-200.log" >&2; echo "window at 200 %: failed" >&2; exit 1; }
step "window at 200 %"

# The bundled examples through both programs: the Windows one into a Z:\ folder, into a C:\
# folder with a Japanese name and into one of more than 260 characters must write exactly the
# Linux one's bytes.
linux="${LINUX_BUILD:-build/test}"
cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTECRIS2NX_WERROR=ON -DTECRIS2NX_QUICK_BUILD=ON >/dev/null
cmake --build "$linux" -j "$jobs" --target tecris2nx >/dev/null
e2e="$build/e2e"
c_folder="tecris2nx-e2e"
rm -rf "$e2e" "$WINEPREFIX/drive_c/$c_folder"
mkdir -p "$e2e"
inputs=(examples/[0-9]*.[0-9]*)
windows_inputs=()
for f in "${inputs[@]}"; do windows_inputs+=("$(windows_path "$f")"); done

set +e
"$linux/tecris2nx" --patdat examples/sample-patdat -o "$e2e/linux" "${inputs[@]}" 2>"$e2e/linux.err"
linux_status=$?
status=0
deep="C:\\$c_folder\\deep"
while [ "${#deep}" -lt 300 ]; do deep+="\\level-of-a-deep-share"; done
for destination in "$(windows_path "$e2e/windows-z")" "C:\\$c_folder\\変換結果" "$deep"; do
  timeout 120 "$wine" "$build/tecris2nx.exe" --patdat "$(windows_path examples/sample-patdat)" \
    -o "$destination" "${windows_inputs[@]}" 2>"$e2e/windows.err" </dev/null
  windows_status=$?
  case "$destination" in
    Z:*) written="$e2e/windows-z" ;;
    *) written="$WINEPREFIX/drive_c/$(tr '\\' / <<<"${destination#C:\\}")" ;;
  esac
  if [ "$windows_status" -ne "$linux_status" ]; then
    echo "tecris2nx.exe -o $destination: exit status $windows_status, Linux $linux_status" >&2
    cat "$e2e/windows.err" >&2
    status=1
  elif ! diff -r "$e2e/linux" "$written" >&2; then
    echo "tecris2nx.exe -o $destination: outputs differ from Linux" >&2
    status=1
  fi
done
# Both programs declare long-path awareness; the manifest is kept as text in the resources.
for exe in "$build/tecris2nx.exe" "$(find "$build" -maxdepth 3 -name tecris2nx-gui.exe | head -n 1)"; do
  grep -aq '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true<' \
    "$exe" || { echo "$exe: the manifest does not declare longPathAware" >&2; status=1; }
done
if ! diff -r "$e2e/linux" "$window_out" >&2; then
  echo "tecris2nx-gui.exe: outputs of the window's run differ from Linux" >&2
  status=1
fi
set -e
files=$(find "$e2e/linux" -type f | wc -l)
if [ "$status" -eq 0 ]; then
  echo "Windows end to end: ${#inputs[@]} files, $files outputs byte-identical to Linux in 3" \
    "folders (one of ${#deep} characters) and through the window"
fi

step "end to end against Linux"
TECRIS2NX_WIN32_TESTS="$PWD/$build/tests/win32/tecris2nx_win32_tests.exe" \
  bash scripts/test-windows-installer.sh || status=1
step "installer and zip under Wine"
exit "$status"
