# Sourced by the scripts that run Windows programs: one Xvfb display and one freshly booted Wine
# prefix for the whole run, both stopped by their process ids at the end.
#   wine_session_start DIR [LOADER]   (prefix in DIR/prefix, logs in DIR; LOADER runs a Windows
#                                     program: wine64 by default, scripts/wine32 for the 32-bit
#                                     Wine of the x86 chroot)
#   wine_session_stop
# Exports WINEPREFIX, WINEDEBUG, DISPLAY and ZAR_WINE64 (the wine64 loader).

ZAR_WINE64=${ZAR_WINE64:-/usr/lib/wine/wine64}
export ZAR_WINE64

wine_session_start() {
  local dir=$1
  ZAR_WINE_LOADER=${2:-$ZAR_WINE64}
  mkdir -p "$dir"
  export WINEDEBUG=-all
  export WINEPREFIX="$dir/prefix"
  export WINEDLLOVERRIDES="mscoree,mshtml="
  rm -rf "$WINEPREFIX"

  # A free display number.
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  ZAR_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done

  # Under emulation, each start of the Wine server and its services costs many seconds: one
  # server stays up for the whole session instead of quitting whenever no program runs.
  if [ "$ZAR_WINE_LOADER" != "$ZAR_WINE64" ]; then
    mkdir -p "$WINEPREFIX"
    "$ZAR_WINE_LOADER" --exec wineserver -p >"$dir/wineserver.log" 2>&1 </dev/null || true
  fi

  # Boot the prefix before any test starts: Wine's background services inherit open file
  # descriptors, and a test runner would wait on them forever.
  "$ZAR_WINE_LOADER" wineboot -i >"$dir/wineboot.log" 2>&1 </dev/null || true
  # Windows draw their own captions: there is no window manager on the display.
  "$ZAR_WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f \
    >>"$dir/wineboot.log" 2>&1 </dev/null || true
  # Unmanaged windows: without a window manager, Wine would wait two seconds for one each time a
  # window (a message box, a dialog) closes.
  "$ZAR_WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    >>"$dir/wineboot.log" 2>&1 </dev/null || true
  "$ZAR_WINE_LOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >>"$dir/wineboot.log" 2>&1 </dev/null || true
}

wine_session_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    if [ "${ZAR_WINE_LOADER:-$ZAR_WINE64}" = "$ZAR_WINE64" ]; then
      WINEPREFIX="$WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
    else
      WINEPREFIX="$WINEPREFIX" "$ZAR_WINE_LOADER" --exec wineserver -k >/dev/null 2>&1 || true
    fi
  fi
  if [ -n "${ZAR_XVFB_PID:-}" ]; then
    kill "$ZAR_XVFB_PID" >/dev/null 2>&1 || true
    wait "$ZAR_XVFB_PID" 2>/dev/null || true
    ZAR_XVFB_PID=
  fi
}
