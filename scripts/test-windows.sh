#!/usr/bin/env bash
# The Windows build (MinGW-w64, static) and the whole test suite under Wine, on a display of its
# own (Xvfb) in a Japanese locale; then the installer and the zip.
# Wine gets its own prefix inside the build folder and may write nothing outside it.
# WINDOWS_TEST_TIMEOUT sets the limit in seconds for the test run (default 900).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/windows
jobs="${JOBS:-2}"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTECRIS2NX_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DTECRIS2NX_BUILD_GUI=OFF >/dev/null
cmake --build "$build" -j "$jobs"
# The installer and the zip from the same build (stripped copies), tested at the end.
bash scripts/package-windows.sh >/dev/null

export WINEPREFIX="$PWD/$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko installers, no menu entries or file associations in the user's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

# The window tests need a display: an Xvfb of our own, which picks a free display number.
rm -f "$build/xvfb.display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$build/xvfb.display" \
  >"$build/xvfb.log" 2>&1 </dev/null &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$build/xvfb.display" ] && break
  sleep 0.1
done
[ -s "$build/xvfb.display" ] || { echo "Xvfb did not start, see $build/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(cat "$build/xvfb.display")"

# Japanese, as users have it: code page 932, Japanese message-box buttons. Japanese arguments
# still reach Wine as UTF-8.
if [ ! -f "$build/locale/ja_JP.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$build/locale"
  # Status 1 means warnings only.
  localedef -i ja_JP -f UTF-8 "$build/locale/ja_JP.UTF-8" || [ $? -eq 1 ]
fi
export LOCPATH="$PWD/$build/locale"
# Bash itself cannot see LOCPATH and warns; its children can.
export LC_ALL=ja_JP.UTF-8 2>/dev/null

# One persistent server for every Wine process of the run. Its output goes to a file: a server
# holding the test runner's pipe open would keep ctest waiting for ever.
mkdir -p "$WINEPREFIX"
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -p >"$build/wineserver.log" 2>&1 </dev/null
# Wine first, then its display.
stop_server() {
  "$wineserver" -k >/dev/null 2>&1 || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap stop_server EXIT

# Creates the prefix when missing and starts Wine's background services (services.exe,
# winedevice, ...) now, with their output in a file: started by a test instead, they would inherit
# ctest's pipe and keep it waiting after the tests ended.
[ -f "$WINEPREFIX/system.reg" ] || echo "Creating the Wine prefix in $WINEPREFIX"
timeout 300 "$wine" wineboot --init >"$build/wineboot.log" 2>&1 </dev/null
# Wine's own fonts have no Japanese: in this prefix only, the dialog and system fonts are drawn
# with Debian's IPA Gothic.
{
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\n'
  for font in "MS Shell Dlg" "MS Shell Dlg 2" Tahoma "MS UI Gothic" "Segoe UI" "Yu Gothic UI" \
    "Meiryo UI" "MS Gothic" "MS PGothic"; do
    printf '"%s"="IPAGothic"\n' "$font"
  done
} >"$build/fonts.reg"
timeout 60 "$wine" regedit /S "$(printf 'Z:%s' "$PWD/$build/fonts.reg" | tr / '\\')" </dev/null

# Drive R: points at a folder that does not exist: a drive that is there but not ready.
rm -rf "$build/no-such-drive"
ln -sfn "$PWD/$build/no-such-drive" "$WINEPREFIX/dosdevices/r:"
export TECRIS2NX_TEST_UNREADY_DRIVE=R
timeout "${WINDOWS_TEST_TIMEOUT:-900}" \
  ctest --test-dir "$build" --output-on-failure </dev/null

# The bundled examples through both programs: the Windows one into a Z:\ folder and into a C:\
# folder with a Japanese name must write exactly the Linux one's bytes.
linux="${LINUX_BUILD:-build/test}"
cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTECRIS2NX_WERROR=ON >/dev/null
cmake --build "$linux" -j "$jobs" --target tecris2nx >/dev/null
e2e="$build/e2e"
c_folder="tecris2nx-e2e"
rm -rf "$e2e" "$WINEPREFIX/drive_c/$c_folder"
mkdir -p "$e2e"
inputs=(examples/[0-9]*.[0-9]*)
windows_path() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }
windows_inputs=()
for f in "${inputs[@]}"; do windows_inputs+=("$(windows_path "$f")"); done

set +e
"$linux/tecris2nx" --patdat examples/sample-patdat -o "$e2e/linux" "${inputs[@]}" 2>"$e2e/linux.err"
linux_status=$?
status=0
for destination in "$(windows_path "$e2e/windows-z")" "C:\\$c_folder\\変換結果"; do
  timeout 120 "$wine" "$build/tecris2nx.exe" --patdat "$(windows_path examples/sample-patdat)" \
    -o "$destination" "${windows_inputs[@]}" 2>"$e2e/windows.err" </dev/null
  windows_status=$?
  case "$destination" in
    Z:*) written="$e2e/windows-z" ;;
    *) written="$WINEPREFIX/drive_c/$c_folder/変換結果" ;;
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
set -e
files=$(find "$e2e/linux" -type f | wc -l)
if [ "$status" -eq 0 ]; then
  echo "Windows end to end: ${#inputs[@]} files, $files outputs byte-identical to Linux in 2 folders"
fi

TECRIS2NX_WIN32_TESTS="$PWD/$build/tests/win32/tecris2nx_win32_tests.exe" \
  bash scripts/test-windows-installer.sh || status=1
exit "$status"
