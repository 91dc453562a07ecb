# ./run test: every suite, native and under Wine.

run_test() {
  ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${WINE_PACKAGES[@]}"
  log "native build"
  build_preset native
  log "Windows builds"
  build_preset windows-x86
  build_preset windows-x64
  local stage
  # Each optional stage lives in a file of its own: tools/test_<stage>.sh
  # defines test_<stage>; the Wine stages run inside one shared prefix.
  for stage in fuzz exe_checks; do
    if [ -f "tools/test_$stage.sh" ]; then source "tools/test_$stage.sh"; "test_$stage"; fi
  done
  source tools/wine.sh
  with_wine_prefix run_wine_suites
  log "native unit tests"
  ctest --preset native
}

run_wine_suites() {
  log "Windows tests under Wine"
  ctest --preset windows-x64
  local stage
  for stage in e2e; do
    if [ -f "tools/test_$stage.sh" ]; then source "tools/test_$stage.sh"; "test_$stage"; fi
  done
}
