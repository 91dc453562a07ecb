# A throwaway Wine prefix on a private X display, shared by one suite.

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Starts Xvfb on a free display unless SMELTRA_USE_DISPLAY asks for the user's.
start_display() {
  if [ -n "${SMELTRA_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.05; done
  die "Xvfb did not start on $DISPLAY"
}

# Makes the prefix once: booted, settled, and with a virtual desktop so that
# hiding a window does not wait for a window manager that is not there.
make_wine_prefix() {
  export WINEPREFIX
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/smeltra-wine.XXXXXX")
  wineboot --init >/dev/null 2>&1
  wineserver -w
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  wineserver -w
}

stop_wine() {
  [ -n "${WINEPREFIX:-}" ] && { wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"; }
  [ -n "${XVFB_PID:-}" ] && { kill "$XVFB_PID" 2>/dev/null || true; }
  return 0
}

# Runs a command with the prefix and display set up, and tears both down after.
with_wine_prefix() {
  start_display
  make_wine_prefix
  trap stop_wine EXIT
  local status=0
  "$@" || status=$?
  stop_wine
  trap - EXIT
  unset WINEPREFIX XVFB_PID
  return $status
}
