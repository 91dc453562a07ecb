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

# Makes the prefix once, for win64 (64-bit Windows, where 32-bit programs run
# through WOW64) or win32 (32-bit Windows: one registry view): booted, settled,
# and with a virtual desktop so that hiding a window does not wait for a window
# manager that is not there.
make_wine_prefix() {
  export WINEPREFIX WINEARCH=$1
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/smeltra-wine.XXXXXX")
  wineboot --init >/dev/null 2>&1 || die "Wine could not make a $1 prefix. $(wine32_trouble)"
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

# with_wine_prefix <win64|win32> <command...>: runs the command with a prefix
# of that kind and the display set up, and tears both down after.
with_wine_prefix() {
  trap stop_wine EXIT
  start_display
  make_wine_prefix "$1"
  shift
  # Not `"$@" || status=$?`: that would turn off set -e inside the command,
  # and a failed suite followed by a passing one would pass.
  local status
  "$@"
  status=$?
  stop_wine
  trap - EXIT
  unset WINEPREFIX WINEARCH XVFB_PID
  return $status
}

# Why Wine cannot run 32-bit programs here, and the fix; nothing when it can.
# Once wine32 is installed, `wine` starts every program through its 32-bit
# loader, so 64-bit programs need a kernel that runs 32-bit ones too.
wine32_trouble() {
  if ! [ -x /usr/lib/wine/wine ]; then
    echo "Wine's 32-bit half is not installed; install it with: dpkg --add-architecture i386" \
      "&& apt-get update && apt-get install wine32:i386."
  elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "This kernel does not run 32-bit programs; boot one built with CONFIG_IA32_EMULATION" \
      "and without ia32_emulation=0 on its command line."
  fi
}

# wine_canary <x64|x86> <program>: dies unless the program, which returns 2
# when given no arguments, runs in the prefix and that status comes back.
# Without Wine's 32-bit half, `wine` prints a hint and returns 0 for a 32-bit
# program, so a suite could pass having run nothing.
wine_canary() {
  local arch=$1 program=$2 status=0
  wine "$program" >/dev/null 2>&1 || status=$?
  [ "$status" -eq 2 ] && return 0
  die "an $arch Windows program does not run in the $WINEARCH prefix (status $status, not 2)," \
    "so no $arch suite can run. $(wine32_trouble) See why with: WINEDEBUG=err+all wine $program"
}
