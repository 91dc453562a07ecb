# ./run test stage, under Wine: the end-to-end scenarios (tests/e2e/run_scenarios.py)
# and the service's (tests/e2e/run_service.py)
# against the real dist/windows-<arch>/Smeltra.exe, driven by tests/e2e/robot.cpp,
# in the prefix that tools/wine.sh made: test_e2e <x64|x86> [--wow64] [scenario...].
# --wow64 runs only the scenarios with keys in both registry views, the ones
# WOW64 tells apart.
#
# Alone, in a prefix of its own, as ./run test runs it: bash tools/test_e2e.sh
# [x64|x86|wow64] [scenario...]. SMELTRA_E2E_BUILD=<build folder of that arch>
# tests that folder's Smeltra.exe instead of the dist one.

test_e2e() {
  local arch=$1 build=${SMELTRA_E2E_BUILD:-build/windows-$1} exe=dist/windows-$1/Smeltra.exe
  shift
  log "end-to-end scenarios under Wine: $arch in the $WINEARCH prefix $*"
  if [ -n "${SMELTRA_E2E_BUILD:-}" ]; then
    cmake --build "$build" -j2 --target Smeltra smeltra_robot
    exe=$build/launcher/Smeltra.exe
  fi
  python3 -B tests/e2e/run_scenarios.py --arch "$arch" --exe "$exe" \
    --robot "$build/tests/bin/robot.exe" "$@"
  # The service, under the prefix's own service manager, where a scenario
  # list or WOW64 does not narrow the run.
  [ $# -eq 0 ] || return 0
  python3 -B tests/e2e/run_service.py --arch "$arch" --exe "$exe" \
    --robot "$build/tests/bin/robot.exe"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  cd "$(dirname "$0")/.."
  source tools/lib.sh
  source tools/wine.sh
  source tools/build.sh
  source tools/test.sh
  ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${WINE_PACKAGES[@]}"
  # The run's row of ./run test's table, which names its prefix.
  row="x64 e2e"
  case "${1:-}" in
    x64) shift ;;
    x86) row="x86 e2e" && shift ;;
    wow64) row="x86 e2e --wow64" && shift ;;
  esac
  in_row() { [ "$arch $what" != "$row" ] || row_prefix=$prefix; }
  for_wine_suites in_row
  run_dist >/dev/null
  # shellcheck disable=SC2086 # the row's build and what runs are words
  with_wine_prefix "$row_prefix" wine_suite $row "$@"
fi
