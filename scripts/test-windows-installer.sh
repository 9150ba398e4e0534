#!/usr/bin/env bash
# The installer and the portable zip under Wine. Run by scripts/test-windows.sh inside its Wine
# session (WINEPREFIX, a running wineserver, a display) after the Linux end-to-end outputs were
# made in build/windows/e2e/linux; build/dist must hold the release (scripts/package-windows.sh).
#   silent install with a PATDAT to copy -> files, shortcut (its name, the documents folder as
#   its working folder), "Apps & features" entry with its publisher, data copy
#   the installed tecris2nx.exe on the examples, finding the copied PATDAT -> Linux's bytes
#   the installed window starts and closes
#   silent uninstall -> no program file, shortcut or registry entry left; the user's data kept
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/windows
wine=/usr/lib/wine/wine64
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
setup="build/dist/tecris2nx-$version-setup.exe"
zip="build/dist/tecris2nx-$version-win64.zip"
work="$build/installer-test"
drive_c="$WINEPREFIX/drive_c"
installed="$drive_c/Program Files/tecris2nx"
data="$drive_c/ProgramData/tecris2nx"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/TECRIS → Nx 変換プログラム.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\tecris2nx'
status=0
fail() {
  echo "installer test: $*" >&2
  status=1
}
source scripts/wine-session.sh  # windows_path
registry_has_key() { "$wine" reg query "$key" /v DisplayName >/dev/null 2>&1 </dev/null; }

rm -rf "$work" "$installed" "$data" "$shortcut"
mkdir -p "$work"
# The user's own pattern data, under a name that the drive walk would never take.
cp -r examples/sample-patdat "$work/my-patdat"

# A folder without kishitu.txt is refused before anything is installed.
if timeout 60 "$wine" "$setup" /S "/PATDAT=$(windows_path "$work")" </dev/null; then
  fail "a PATDAT without kishitu.txt was accepted"
fi
[ ! -e "$installed" ] || fail "refused PATDAT: something was installed"

timeout 120 "$wine" "$setup" /S "/PATDAT=$(windows_path "$work/my-patdat")" </dev/null ||
  fail "silent install: exit status $?"
for f in tecris2nx.exe tecris2nx-gui.exe README.txt LICENSE.txt uninstall.exe; do
  [ -f "$installed/$f" ] || fail "not installed: Program Files/tecris2nx/$f"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut named like the window's caption"
registry_has_key || fail "no uninstall entry in the registry"
"$wine" reg query "$key" /v Publisher </dev/null 2>/dev/null | grep -q 'tecris2nx project' ||
  fail "the uninstall entry names no publisher"
# The window starts in the user's documents folder: the shortcut's working folder, once the shell
# has expanded it, is the Documents folder the system gives this user.
if [ -f "$shortcut" ]; then
  working=$(python3 scripts/lnk_fields.py "$shortcut" working_dir)
  expanded=$("$wine" cmd /c echo "$working" </dev/null 2>/dev/null | tr -d '\r')
  documents=$("$wine" reg query \
    'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' /v Personal \
    </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
  if [ -z "$documents" ] || [ "${expanded,,}" != "${documents,,}" ]; then
    fail "shortcut's working folder \"$working\" ($expanded) is not the documents folder ($documents)"
  fi
fi
diff -r "$work/my-patdat" "$data/PATDAT" >&2 || fail "PATDAT not copied to ProgramData"

# The installed command line finds the machine-wide PATDAT by itself.
inputs=()
for f in examples/[0-9]*.[0-9]*; do inputs+=("$(windows_path "$f")"); done
(
  unset TECRIS2NX_PATDAT
  timeout 120 "$wine" "$installed/tecris2nx.exe" -o "$(windows_path "$work/out")" "${inputs[@]}" \
    </dev/null >"$work/cli.log" 2>&1
) || true
diff -r "$build/e2e/linux" "$work/out" >&2 || fail "installed tecris2nx.exe: outputs differ from Linux"

# The installed window: started, found by its caption and closed (the Win32 view's tests).
if [ -f "${TECRIS2NX_WIN32_TESTS:-}" ]; then
  TECRIS2NX_INSTALLED_GUI="C:\\Program Files\\tecris2nx\\tecris2nx-gui.exe" \
    timeout 120 "$wine" "$TECRIS2NX_WIN32_TESTS" --gtest_filter='InstalledWindow.*' \
    --gtest_color=no </dev/null >"$work/window.log" 2>&1 ||
    { cat "$work/window.log" >&2; fail "the installed window did not start and close"; }
fi

# The uninstaller copies itself to a temporary folder and returns at once: wait for the files.
timeout 60 "$wine" "$installed/uninstall.exe" /S </dev/null || fail "silent uninstall: exit status $?"
for _ in $(seq 100); do
  [ -e "$installed" ] || [ -e "$shortcut" ] || break
  sleep 0.2
done
[ ! -e "$installed" ] || { find "$installed" >&2; fail "left behind in Program Files"; }
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is left"
! registry_has_key || fail "the uninstall entry is left in the registry"
[ -f "$data/PATDAT/kishitu.txt" ] || fail "silent uninstall removed the user's pattern data"
rm -rf "$data"

# The portable zip: both programs, README, licence and the samples, nothing named PATDAT.
listing=$(unzip -Z1 "$zip")
for f in tecris2nx.exe tecris2nx-gui.exe README.txt LICENSE.txt sample-data/12345678.001 \
  sample-data/sample-patdat/kishitu.txt; do
  grep -qx "tecris2nx-$version-win64/$f" <<<"$listing" || fail "not in the zip: $f"
done
! grep -q 'PATDAT/' <<<"$listing" || fail "the zip holds a folder named PATDAT"

[ "$status" -eq 0 ] && echo "Windows installer: silent install, $(find "$work/out" -type f | wc -l) outputs identical to Linux, silent uninstall clean; zip complete"
exit "$status"
