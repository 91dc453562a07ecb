# ./run test stage, under Wine: the end-to-end scenarios (tests/e2e/run_scenarios.py)
# against the real dist/windows-<arch>/Smeltra.exe, driven by tests/e2e/robot.cpp,
# in the prefix that tools/wine.sh made. One line a scenario, then
# "N passed, N failed"; fails when any scenario failed or none ran.
#
# test_e2e <x64|x86> [runner options] [scenario...]; --wow64 runs only the
# scenarios with keys in both registry views, the ones WOW64 tells apart.
#
# Also runs alone, in a prefix of its own: bash tools/test_e2e.sh [run] [scenario...]
# where the run is x64 (the default), x86 (in a 32-bit prefix) or wow64. With SMELTRA_E2E_BUILD set to a build
# folder of the run's preset, it tests that folder's Smeltra.exe instead of the dist one.

test_e2e() {
  local arch=$1
  shift
  log "end-to-end scenarios under Wine: $arch in the $WINEARCH prefix $*"
  local build=${SMELTRA_E2E_BUILD:-} exe
  if [ -n "$build" ]; then
    cmake --build "$build" -j2 --target Smeltra smeltra_robot
    exe=$build/launcher/Smeltra.exe
  else
    source tools/build.sh
    run_dist
    build=build/windows-$arch
    exe=dist/windows-$arch/Smeltra.exe
  fi
  python3 -B tests/e2e/run_scenarios.py --arch "$arch" --exe "$exe" \
    --robot "$build/tests/bin/robot.exe" "$@"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  cd "$(dirname "$0")/.."
  source tools/lib.sh
  source tools/wine.sh
  ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${WINE_PACKAGES[@]}"
  # Run: prefix, launcher, runner options.
  declare -A E2E_RUNS=([x64]="win64 x64" [x86]="win32 x86" [wow64]="win64 x86 --wow64")
  run=x64
  if [ -n "${1:-}" ] && [ -n "${E2E_RUNS[$1]:-}" ]; then run=$1 && shift; fi
  read -r prefix arch options <<<"${E2E_RUNS[$run]}"
  build_preset "windows-$arch" >/dev/null
  canary_then_e2e() {
    wine_canary "$1" "build/windows-$1/tests/bin/robot.exe" && test_e2e "$@"
  }
  # shellcheck disable=SC2086 # the options are words
  with_wine_prefix "$prefix" canary_then_e2e "$arch" $options "$@"
fi
