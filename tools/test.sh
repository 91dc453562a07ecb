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
  with_wine_prefix run_wine_suites
}

run_wine_suites() {
  log "Windows tests under Wine"
  # A start-up test has been seen to fail once in about 25 runs under Wine,
  # cause not yet known; a fault fails both runs, a hiccup of Wine's not.
  ctest --preset windows-x64 --repeat until-pass:2
  source tools/test_e2e.sh
  test_e2e
}
