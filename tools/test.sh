# ./run test: every suite, native and under Wine, then one summary of them.

# The Wine suites in the order they run: name, prefix, build, what runs. The
# x86 build's unit and Windows API tests and its whole scenario table run in a
# 32-bit prefix; through WOW64 it meets only the scenarios with keys in both
# registry views, which only WOW64 tells apart.
WINE_SUITES=(
  "x64 Windows tests|win64|x64|ctest"
  "x64 end-to-end scenarios|win64|x64|e2e"
  "x86 scenarios through WOW64|win64|x86|e2e --wow64"
  "x86 Windows tests in a 32-bit prefix|win32|x86|ctest"
  "x86 end-to-end scenarios in a 32-bit prefix|win32|x86|e2e"
)

run_test() {
  ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${WINE_PACKAGES[@]}" \
    "${FUZZ_PACKAGES[@]}"
  log "native build"
  build_preset native
  log "Windows builds"
  build_preset windows-x86
  build_preset windows-x64
  source tools/fuzz.sh
  source tools/test_exe_checks.sh
  source tools/test_release.sh
  source tools/wine.sh
  source tools/test_e2e.sh
  suite "native unit tests" ctest --preset native
  suite "fuzzing runtime discovery and the options file for ${SMELTRA_FUZZ_SECONDS:-20} s" \
    fuzz_all "${SMELTRA_FUZZ_SECONDS:-20}" quiet
  suite "checks on the shipped executables" test_exe_checks
  suite "rebuild and signing" test_release
  suite "Wine suites planned for a kernel without 32-bit programs" test_wine_plan
  local prefix planned
  for prefix in win64 win32; do
    mapfile -t planned < <(wine_plan | awk -F'|' -v prefix="$prefix" '$2 == prefix')
    skip_unavailable "${planned[@]}"
    # No prefix is made for suites that are all skipped.
    if printf '%s\n' "${planned[@]}" | grep -q '|$'; then
      with_wine_prefix "$prefix" run_wine_suites "${planned[@]}"
    fi
  done
  suites_summary
}

# The Wine suites, each with why it cannot run here (empty when it can).
wine_plan() {
  local line arch
  for line in "${WINE_SUITES[@]}"; do
    IFS='|' read -r _ _ arch _ <<<"$line"
    printf '%s|%s\n' "$line" "$(build_unavailable "$arch")"
  done
}

# The planned suites that cannot run here are skipped, or failed where the
# machine must run them all.
skip_unavailable() {
  local line name reason
  for line in "$@"; do
    IFS='|' read -r name _ _ _ reason <<<"$line"
    [ -n "$reason" ] || continue
    if [ "${SMELTRA_REQUIRE_X86:-}" = 1 ]; then
      suite_failed "$name" "$reason, and SMELTRA_REQUIRE_X86=1 requires it"
    else
      suite_skipped "$name" "$reason"
    fi
  done
}

# In the prefix made, the planned suites that can run, each after a canary
# that a program of its build runs there.
run_wine_suites() {
  local line name arch what reason
  for line in "$@"; do
    IFS='|' read -r name _ arch what reason <<<"$line"
    [ -z "$reason" ] || continue
    # shellcheck disable=SC2086 # what runs is words
    suite "$name" wine_suite "$arch" $what
  done
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

# Where the kernel runs 32-bit programs the skip cannot happen for real: the
# plan made with a probe the kernel cannot execute keeps every x64 suite and
# skips every x86 one with its reason; a probe that is not there skips
# nothing, so that a machine without Wine's 32-bit half meets the canary.
test_wine_plan() {
  local probe want got
  probe=$(mktemp "${TMPDIR:-/tmp}/smeltra-probe.XXXXXX")
  # An ELF header for no machine: the kernel refuses it as it refuses a
  # 32-bit program where it has no 32-bit support.
  { printf '\177ELF\001\001\001'; head -c 57 /dev/zero; } >"$probe"
  chmod +x "$probe"
  want=$(for line in "${WINE_SUITES[@]}"; do
    case "$line" in
      *'|x86|'*) echo "$line|this kernel runs no 32-bit programs" ;;
      *) echo "$line|" ;;
    esac
  done)
  got=$(SMELTRA_X86_PROBE=$probe wine_plan)
  rm -f "$probe"
  [ "$got" = "$want" ] || { printf 'plan without 32-bit programs:\n%s\nexpected:\n%s\n' "$got" "$want" >&2; return 1; }
  got=$(SMELTRA_X86_PROBE=/nonexistent wine_plan | grep -c '|$')
  [ "$got" -eq "${#WINE_SUITES[@]}" ] || { echo "a missing probe skipped suites" >&2; return 1; }
}
