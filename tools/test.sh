# ./run test: every suite, native and under Wine.

run_test() {
  ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${WINE_PACKAGES[@]}"
  log "native build and unit tests"
  build_preset native
  log "Windows builds"
  build_preset windows-x86
  build_preset windows-x64
  source tools/wine.sh
  with_wine_prefix ctest --preset windows-x64
  ctest --preset native
}
