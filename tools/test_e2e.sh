# ./run test stage, under Wine: the end-to-end scenarios (tests/e2e/run_scenarios.py)
# against the real dist/windows-<arch>/Smeltra.exe, driven by tests/e2e/robot.cpp,
# in the prefix that tools/wine.sh made. One line a scenario, then
# "N passed, N failed"; fails when any scenario failed or none ran.
#
# test_e2e <x64|x86> [runner options] [scenario...]; --wow64 runs only the
# scenarios with keys in both registry views, the ones WOW64 tells apart.
#
# Also runs alone, in a prefix of its own, as one of ./run test's end-to-end
# suites: bash tools/test_e2e.sh [x64|x86|wow64] [scenario...], x64 by default
# (x86: in a 32-bit prefix). With SMELTRA_E2E_BUILD set to a build folder of
# the run's preset, it tests that folder's Smeltra.exe instead of the dist one.

test_e2e() {
  local arch=$1
  shift
  log "end-to-end scenarios under Wine: $arch in the $WINEARCH prefix $*"
  local build=${SMELTRA_E2E_BUILD:-} exe
  if [ -n "$build" ]; then
    cmake --build "$build" -j2 --target Smeltra smeltra_robot
    exe=$build/launcher/Smeltra.exe
  else
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
  source tools/build.sh
  source tools/test.sh
  ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${WINE_PACKAGES[@]}"
  run=x64
  case "${1:-}" in x64 | x86 | wow64) run=$1 && shift ;; esac
  # The run's row of ./run test's table: its prefix, build and runner options.
  chosen() {
    [[ $what == e2e* ]] || return 0
    [ "$run" = wow64 ] && [[ $what == *--wow64 ]] && row="$prefix $arch ${what#e2e}"
    [ "$run" = "$arch" ] && [[ $what != *--wow64 ]] && row="$prefix $arch"
    return 0
  }
  row=
  for_wine_suites chosen
  read -r prefix arch options <<<"$row"
  run_dist >/dev/null
  canary_then_e2e() {
    wine_canary "$1" "build/windows-$1/tests/bin/robot.exe" && test_e2e "$@"
  }
  # shellcheck disable=SC2086 # the options are words
  with_wine_prefix "$prefix" canary_then_e2e "$arch" $options "$@"
fi
