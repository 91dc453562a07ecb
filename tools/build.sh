# ./run build and ./run dist

run_build() {
  ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
  build_preset windows-x64
  build_preset windows-x86
}

run_dist() {
  run_build
  local arch
  for arch in x64 x86; do
    [ -f "build/windows-$arch/launcher/Smeltra.exe" ] || die "the Windows program is not built yet"
    mkdir -p "dist/windows-$arch"
    cp "build/windows-$arch/launcher/Smeltra.exe" "dist/windows-$arch/Smeltra.exe"
    log "dist/windows-$arch/Smeltra.exe: $(stat -c %s "dist/windows-$arch/Smeltra.exe") bytes"
  done
}
