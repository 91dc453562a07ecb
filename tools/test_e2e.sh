# ./run test stage, under Wine: the end-to-end scenarios (tests/e2e/run_scenarios.py)
# against the real dist/windows-x64/Smeltra.exe, driven by tests/e2e/robot.cpp,
# in the prefix that tools/wine.sh made. One line a scenario, then
# "N passed, N failed"; fails when any scenario failed.
#
# Also runs alone, in a prefix of its own: bash tools/test_e2e.sh [scenario...]
# With SMELTRA_E2E_BUILD set to a build folder of the windows-x64 preset, it
# tests that folder's Smeltra.exe instead of the dist one.

test_e2e() {
  log "end-to-end scenarios under Wine"
  local build=${SMELTRA_E2E_BUILD:-} exe
  if [ -n "$build" ]; then
    cmake --build "$build" -j2 --target Smeltra smeltra_robot
    exe=$build/launcher/Smeltra.exe
  else
    source tools/build.sh
    run_dist
    build=build/windows-x64
    exe=dist/windows-x64/Smeltra.exe
  fi
  python3 -B tests/e2e/run_scenarios.py --exe "$exe" --robot "$build/tests/bin/robot.exe" "$@"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  cd "$(dirname "$0")/.."
  source tools/lib.sh
  source tools/wine.sh
  ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${WINE_PACKAGES[@]}"
  with_wine_prefix test_e2e "$@"
fi
