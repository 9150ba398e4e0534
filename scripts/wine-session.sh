# Sourced by the scripts that run Windows programs under Wine. start_wine_session BUILD [L=DIR...]
# starts a session whose prefix lives in BUILD/wineprefix: an Xvfb display of its own, a Japanese
# locale, one persistent wineserver, IPA Gothic for the Windows UI fonts, and drive L: for each
# L=DIR. Both the server and the display are stopped by their own ids when the script exits. It
# sets wine and wineserver for the caller.

# A Linux path as Wine sees it, through drive Z:.
windows_path() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }

# Wine first, then its display.
stop_wine_session() {
  "$wineserver" -k >/dev/null 2>&1 || true
  [ -z "${xvfb_pid:-}" ] || kill "$xvfb_pid" 2>/dev/null || true
}

start_wine_session() {
  local build="$1"
  shift
  export WINEPREFIX="$PWD/$build/wineprefix"
  export WINEARCH=win64
  export WINEDEBUG=-all
  # No Mono or Gecko installers, no menu entries or file associations in the user's desktop.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  unset DISPLAY WAYLAND_DISPLAY
  wine=/usr/lib/wine/wine64
  wineserver=/usr/lib/wine/wineserver64
  [ -x "$wineserver" ] || wineserver=$(command -v wineserver)

  # Windows need a display (CreateWindowExW fails without one): an Xvfb of our own, which picks a
  # free display number.
  rm -f "$build/xvfb.display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$build/xvfb.display" \
    >"$build/xvfb.log" 2>&1 </dev/null &
  xvfb_pid=$!
  trap stop_wine_session EXIT
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
  export TECRIS2NX_TEST_JAPANESE=1

  # One persistent server for every Wine process of the run. Its output goes to a file: a server
  # holding the test runner's pipe open would keep ctest waiting for ever.
  mkdir -p "$WINEPREFIX"
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -p >"$build/wineserver.log" 2>&1 </dev/null

  # Creates the prefix when missing and starts Wine's background services (services.exe,
  # winedevice, ...) now, with their output in a file: started by a test instead, they would
  # inherit ctest's pipe and keep it waiting after the tests ended.
  [ -f "$WINEPREFIX/system.reg" ] || echo "Creating the Wine prefix in $WINEPREFIX"
  timeout 300 "$wine" wineboot --init >"$build/wineboot.log" 2>&1 </dev/null
  # Wine's own fonts have no Japanese: in this prefix only, the dialog and system fonts are drawn
  # with Debian's IPA Gothic. Without a window manager Wine draws the windows' frames itself.
  {
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\n'
    for font in "MS Shell Dlg" "MS Shell Dlg 2" Tahoma "MS UI Gothic" "Segoe UI" "Yu Gothic UI" \
      "Meiryo UI" "MS Gothic" "MS PGothic"; do
      printf '"%s"="IPAGothic"\n' "$font"
    done
    printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n'
  } >"$build/wine-settings.reg"
  timeout 60 "$wine" regedit /S "$(windows_path "$build/wine-settings.reg")" </dev/null

  # Further arguments L=DIR are drives. Wine lists a drive linked while it runs only once its
  # server starts again, so a new link restarts it (the prefix keeps the link for later runs).
  local drive link restart=0
  for drive in "$@"; do
    link="$WINEPREFIX/dosdevices/${drive%%=*}:"
    if [ "$(readlink "$link" || true)" != "$(realpath -m "${drive#*=}")" ]; then
      ln -sfn "$(realpath -m "${drive#*=}")" "$link"
      restart=1
    fi
  done
  if [ "$restart" -eq 1 ]; then
    "$wineserver" -k >/dev/null 2>&1 || true
    "$wineserver" -w >/dev/null 2>&1 || true
    "$wineserver" -p >>"$build/wineserver.log" 2>&1 </dev/null
    timeout 300 "$wine" wineboot >>"$build/wineboot.log" 2>&1 </dev/null
  fi
}
