# ./run test: every suite, native and under Wine.

run_test() {
  ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${WINE_PACKAGES[@]}" \
    "${FUZZ_PACKAGES[@]}"
  log "native build and unit tests"
  build_preset native
  ctest --preset native
  log "Windows builds"
  build_preset windows-x86
  build_preset windows-x64
  source tools/fuzz.sh
  log "fuzzing runtime discovery for ${SMELTRA_FUZZ_SECONDS:-20} s"
  fuzz_discovery "${SMELTRA_FUZZ_SECONDS:-20}" quiet
  source tools/test_exe_checks.sh
  test_exe_checks
  source tools/test_release.sh
  test_release
  source tools/wine.sh
  source tools/test_e2e.sh
  with_wine_prefix win64 run_wine_suites x64 x86
  with_wine_prefix win32 run_wine_suites x86
}

# run_wine_suites <arch> [arch]: in the prefix made, the first build's Windows
# tests and end-to-end scenarios; then the second build's scenarios with keys
# in both registry views, which only WOW64 tells apart (the x86 launcher's
# whole table runs in the 32-bit prefix).
run_wine_suites() {
  local arch
  for arch in "$@"; do
    log "canary: an $arch Windows program in the $WINEARCH prefix"
    wine_canary "$arch" "build/windows-$arch/tests/bin/robot.exe"
  done
  log "Windows tests under Wine: $1 in the $WINEARCH prefix"
  # A start-up test has been seen to fail once in about 25 runs under Wine,
  # cause not yet known; a fault fails both runs, a hiccup of Wine's not.
  ctest --preset "windows-$1" --repeat until-pass:2
  test_e2e "$1"
  if [ $# -gt 1 ]; then test_e2e "$2" --wow64; fi
}
