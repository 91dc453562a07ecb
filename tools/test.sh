# ./run test: every suite, native and under Wine, then one summary of them.

# The Wine suites in the order they run: name|prefix|build|what runs. Through
# WOW64 the x86 build meets only the scenarios that WOW64 tells apart.
WINE_SUITES="\
x64 Windows tests|win64|x64|ctest
x64 end-to-end scenarios|win64|x64|e2e
x86 scenarios through WOW64|win64|x86|e2e --wow64
x86 Windows tests in a 32-bit prefix|win32|x86|ctest
x86 end-to-end scenarios in a 32-bit prefix|win32|x86|e2e"

run_test() {
  ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${WINE_PACKAGES[@]}" \
    "${FUZZ_PACKAGES[@]}"
  log "native build"
  build_preset native
  # Each Windows build once: every suite tests these very executables.
  log "Windows builds"
  source tools/build.sh
  run_dist
  source tools/fuzz.sh
  source tools/test_exe_checks.sh
  source tools/test_release.sh
  source tools/wine.sh
  source tools/test_e2e.sh
  suite "native unit tests" ctest --preset native
  suite "fuzzing runtime discovery and the options file, seed corpus and fixed inputs" fuzz_fixed
  suite "checks on the shipped executables" test_exe_checks
  suite "rebuild and signing" test_release
  suite "Wine suites planned for a kernel without 32-bit programs" test_wine_plan
  local wine_prefix runnable
  for wine_prefix in win64 win32; do
    runnable=0
    for_wine_suites plan_in "$wine_prefix"
    # No prefix is made for suites that are all skipped.
    [ "$runnable" -eq 0 ] || with_wine_prefix "$wine_prefix" for_wine_suites run_in "$wine_prefix"
  done
  suites_summary
}

# for_wine_suites <command...>: runs the command once a suite, which sees it
# as name, prefix, arch, what, and reason (why this machine cannot run it).
for_wine_suites() {
  local name prefix arch what reason
  while IFS='|' read -r -u 3 name prefix arch what; do
    reason=$(build_unavailable "$arch")
    "$@"
  done 3<<<"$WINE_SUITES"
}

# A suite of prefix $1 that cannot run here is skipped, or failed where the
# machine must run them all; one that can marks the prefix as needed.
plan_in() {
  [ "$prefix" = "$1" ] || return 0
  if [ -z "$reason" ]; then
    runnable=1
  elif [ "${SMELTRA_REQUIRE_X86:-}" = 1 ]; then
    suite_failed "$name" "$reason, and SMELTRA_REQUIRE_X86=1 requires it"
  else
    suite_skipped "$name" "$reason"
  fi
}

# In the prefix made, a suite of prefix $1 that can run.
run_in() {
  [ "$prefix" = "$1" ] && [ -z "$reason" ] || return 0
  # shellcheck disable=SC2086 # what runs is words
  suite "$name" wine_suite "$arch" $what
}

wine_suite() {
  local arch=$1 what=$2
  shift 2
  wine_canary "$arch" "build/windows-$arch/tests/bin/robot.exe"
  case "$what" in
    ctest) ctest --preset "windows-$arch" ;;
    e2e) test_e2e "$arch" "$@" ;;
  esac
}

# Where the kernel runs 32-bit programs the skip cannot happen for real: with
# a probe the kernel cannot execute, every x86 suite is planned as skipped
# with its reason and no x64 one; a probe that is not there skips nothing, so
# that a machine without Wine's 32-bit half meets the canary.
test_wine_plan() {
  local probe got
  probe=$(mktemp "${TMPDIR:-/tmp}/smeltra-probe.XXXXXX")
  # An ELF header for no machine: the kernel refuses it as it refuses a
  # 32-bit program where it has no 32-bit support.
  { printf '\177ELF\001\001\001'; head -c 57 /dev/zero; } >"$probe"
  chmod +x "$probe"
  planned() { echo "$arch|$reason"; }
  got=$(SMELTRA_X86_PROBE=$probe for_wine_suites planned | sort -u)
  rm -f "$probe"
  [ "$got" = $'x64|\nx86|this kernel runs no 32-bit programs' ] ||
    { printf 'plan without 32-bit programs:\n%s\n' "$got" >&2; return 1; }
  got=$(SMELTRA_X86_PROBE=/nonexistent for_wine_suites planned | sort -u)
  [ "$got" = $'x64|\nx86|' ] || { echo "a missing probe skipped suites: $got" >&2; return 1; }
}
