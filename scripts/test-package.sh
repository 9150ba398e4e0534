#!/usr/bin/env bash
# The Debian package, made from an existing build (default build/test, as scripts/test.sh leaves
# it): checked with lintian, appstreamcli and man, installed with dpkg, run on the examples against
# the build's own program, and removed leaving no file behind. Installs the package on this
# machine; the trap removes it again however the script ends.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/test}"
start=$SECONDS
fail() { echo "test-package: $*" >&2; exit 1; }
[ -f "$build/CPackConfig.cmake" ] && [ -x "$build/tecris2nx" ] ||
  fail "$build is not a finished build: build it first (scripts/test.sh)"
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
installed tecris2nx && fail "tecris2nx is installed on this machine: remove it first (apt remove tecris2nx)"

# Only this step needs lintian (it brings in many packages) and the window's data dependencies;
# scripts/setup.sh installs them, and this installs what is missing when run on its own.
missing=()
for p in lintian appstream man-db qt6-translations-l10n; do installed "$p" || missing+=("$p"); done
if [ "${#missing[@]}" -gt 0 ]; then
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

# An interrupt must not reach dpkg: it would leave the triggers it runs for other packages
# (man-db's) half done.
dpkg_run() { (trap '' INT TERM HUP && exec $sudo_cmd dpkg "$@"); }
work="$(mktemp -d)"
package_installed=no
cleanup() {
  if [ "$package_installed" = yes ]; then dpkg_run --purge tecris2nx >/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

echo "== package"
rm -f "$build"/tecris2nx_*.deb
(cd "$build" && cpack -G DEB >"$work/cpack.log") || { cat "$work/cpack.log"; fail "cpack failed"; }
version="$("$build/tecris2nx" --version | sed -n 's/^tecris2nx //p')"
deb="$build/tecris2nx_${version}-1_amd64.deb"
[ -f "$deb" ] || fail "no $deb (found: $(ls "$build"/*.deb 2>/dev/null))"
[ "$(dpkg-deb -f "$deb" Version)" = "${version}-1" ] || fail "package version differs from --version"
echo "$deb"
# Outputs go to files before grep -q: with pipefail, a writer cut off early would fail the test.
dpkg-deb -c "$deb" >"$work/contents"
grep -q ' \./usr/bin/tecris2nx-gui$' "$work/contents" ||
  fail "the package holds no window: was Qt 6 installed when $build was configured?"
dpkg-deb -f "$deb" Depends

echo "== lintian"
lintian --fail-on error,warning --display-info "$deb"

echo "== AppStream metadata and manual pages"
dpkg-deb -x "$deb" "$work/root"
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml
for page in "$work"/root/usr/share/man/man1/tecris2nx.1.gz "$work"/root/usr/share/man/ja/man1/tecris2nx.1.gz; do
  # As lintian reads pages: any troff warning is a fault.
  LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" \
    >/dev/null 2>"$work/man.err"
  [ ! -s "$work/man.err" ] || { cat "$work/man.err"; fail "troff warnings in ${page#"$work"/root}"; }
done

echo "== install"
package_installed=yes
dpkg_run -i "$deb" >/dev/null
dpkg -L tecris2nx >"$work/files"
[ "$(/usr/bin/tecris2nx --version)" = "tecris2nx $version" ] || fail "installed --version"
for page in "tecris2nx" "tecris2nx-gui"; do
  LC_ALL=C.UTF-8 MANWIDTH=80 man -P cat "$page" >"$work/man.txt" 2>&1 || true
  grep -q "TECRIS2NX(1)" "$work/man.txt" || fail "man $page does not render: $(cat "$work/man.txt")"
done
LC_ALL=C.UTF-8 MANWIDTH=80 man -L ja -P cat tecris2nx >"$work/man.txt" 2>&1 || true
grep -q "パターンデータ" "$work/man.txt" || fail "man -L ja tecris2nx does not render the Japanese page"
guide=/usr/share/doc/tecris2nx/tecris2nx-guide-ja.html
grep -qx "$guide" "$work/files" || fail "the package does not install the guide $guide"
grep -q '<img src="data:image/png;base64,' "$guide" || fail "the installed guide carries no pictures"

echo "== installed program on the examples"
examples=(examples/[0-9]*.[0-9]*)
"$build/tecris2nx" --patdat examples/sample-patdat -o "$work/built" "${examples[@]}"
/usr/bin/tecris2nx --patdat examples/sample-patdat -o "$work/installed" "${examples[@]}"
diff -r "$work/built" "$work/installed"
# Pattern data in the user's data folder, found without --patdat.
mkdir -p "$work/home/.local/share/tecris2nx"
cp -r examples/sample-patdat "$work/home/.local/share/tecris2nx/PATDAT"
env -u TECRIS2NX_PATDAT -u XDG_DATA_HOME HOME="$work/home" timeout 60 \
  /usr/bin/tecris2nx --verbose -o "$work/user" "${examples[@]}" >"$work/user.log" 2>&1
grep -q "$work/home/.local/share/tecris2nx/PATDAT" "$work/user.log" || fail "user's PATDAT not used"
diff -r "$work/built" "$work/user"

echo "== remove"
dpkg_run --purge tecris2nx >/dev/null
package_installed=no
left=()
while IFS= read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || continue
  # Folders other packages own (/usr/bin, /usr/share/man/man1...) stay.
  [ -d "$path" ] && [ ! -L "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1 && continue
  left+=("$path")
done <"$work/files"
[ "${#left[@]}" -eq 0 ] || fail "left behind after removal: ${left[*]}"

echo "test-package: passed in $((SECONDS - start)) s"
