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
# manager that is not there. Everything here is the prefix's own programs.
make_wine_prefix() {
  export WINEPREFIX WINEARCH=$1
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/smeltra-wine.XXXXXX")
  wine_step "making a $1 prefix" prefix wineboot --init || die "Wine could not make a $1 prefix."
  # Settled: boot's desktop is gone, so the first window starts one with the
  # settings below.
  wineserver -w
  # From here one server for the prefix's whole life, ended by stop_wine.
  # Debian's wineserver script starts a server with -p0: it shuts down the
  # moment the last program ends, and a program started in that moment finds
  # it refusing, waits for it to go and may give up (exit status 1).
  wineserver -p || die "no wineserver could be started for the $1 prefix."
  wine_step "setting the virtual desktop" prefix reg add 'HKCU\Software\Wine\Explorer' /v Desktop \
    /d Default /f || die "Wine could not set up the $1 prefix."
  wine_step "setting the virtual desktop's size" prefix reg add \
    'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f ||
    die "Wine could not set up the $1 prefix."
  # The desktop process that the first step started reads its settings once
  # and lives as long as the server: without this restart every program
  # would run on a desktop without the settings above.
  wineserver -k
  wineserver -w
  wineserver -p || die "no wineserver could be started again for the $1 prefix."
}

# wine_step <what> <wine-run arguments...>: a step of the prefix's own, with
# Wine's error messages kept; when it fails, says which step, its exit status
# and those messages. Into a file, not a pipe: a server the step starts would
# hold a pipe open.
wine_step() {
  local what=$1 messages status=0
  shift
  messages=$(mktemp "${TMPDIR:-/tmp}/smeltra-wine-step.XXXXXX")
  WINEDEBUG=err+all tools/wine-run "$@" >"$messages" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    printf 'error: %s (wine-run %s) ended with exit status %d; Wine said:\n' "$what" "$*" "$status" >&2
    sed 's/^/    /' "$messages" >&2
  fi
  rm -f "$messages"
  return "$status"
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

# Why no program of this build can run on this machine, for a reason the
# machine cannot change; nothing when it can run. A missing or broken Wine is
# not such a reason: the canary fails on it. The probe is Debian's i386
# loader, which comes with Wine's 32-bit half: whether the kernel runs it is
# whether it runs 32-bit programs at all (SMELTRA_X86_PROBE stands in for it).
build_unavailable() {
  local probe=${SMELTRA_X86_PROBE:-/lib/ld-linux.so.2} status=0
  [ "$1" = x86 ] && [ -x "$probe" ] || return 0
  "$probe" --help >/dev/null 2>&1 || status=$?
  # 126: the kernel would not execute it (an executable file, so not the rights).
  [ "$status" -ne 126 ] || echo "this kernel runs no 32-bit programs"
}

# wine_canary <x64|x86> <program>: fails unless the program, which returns 2
# when given no arguments, runs in the prefix and that status comes back.
# Without Wine's 32-bit half, Debian's `wine` prints a hint and returns 0 for
# a 32-bit program, so a suite could pass having run nothing.
wine_canary() {
  local arch=$1 program=$2 status=0
  tools/wine-run "$arch" "$program" >/dev/null 2>&1 || status=$?
  [ "$status" -eq 2 ] && return 0
  printf 'error: %s\n' "an $arch Windows program does not run in the $WINEARCH prefix (status" \
    "$status, not 2). See why with: WINEDEBUG=err+all tools/wine-run $arch $program" >&2
  return 1
}
