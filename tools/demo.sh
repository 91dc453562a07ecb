# ./run demo [no-java|ends-at-once|service]: the launcher starts a real Java
# server under Wine, on a sample installation with a sample runtime; or finds
# no Java; or starts a server that ends at once; or installs the server as a
# service and stops it (demo/run_demo.py tells the story).
# The launcher shows on your display when SMELTRA_USE_DISPLAY=1 and DISPLAY is
# set, otherwise on a private Xvfb; screenshots land in build/demo/.

run_demo() {
  local scenario=${1:-server}
  case "$scenario" in
    server | no-java | ends-at-once | service) ;;
    *) die "usage: ./run demo [no-java|ends-at-once|service]" ;;
  esac
  ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${WINE_PACKAGES[@]}"
  if ! command -v javac >/dev/null || ! command -v jar >/dev/null; then
    ensure_packages "${JDK_PACKAGES[@]}"
  fi
  log "building the launcher, the robot and the stand-in runtime"
  local build=build/windows-x64
  [ -f "$build/build.ninja" ] || cmake --preset windows-x64 >/dev/null
  cmake --build --preset windows-x64 --target Smeltra smeltra_robot smeltra_java_handover >/dev/null
  source tools/wine.sh
  log "starting Wine"
  with_wine_prefix win64 python3 -B demo/run_demo.py \
    --exe "$build/launcher/Smeltra.exe" \
    --robot "$build/tests/bin/robot.exe" \
    --handover "$build/demo/java_handover.exe" \
    --pictures build/demo \
    --scenario "$scenario"
}
