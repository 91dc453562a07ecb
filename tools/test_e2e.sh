# ./run test stage, under Wine: the end-to-end scenarios (tests/e2e/scenarios.py)
# against the real dist/windows-x64/Smeltra.exe, driven by the GUI robot, in
# the shared prefix that tools/wine.sh made. Prints one line a scenario and
# ends with "N passed, N failed"; fails when any scenario failed. Reports and
# screenshots stay in build/e2e-results (in the build folder's e2e-results
# with SMELTRA_E2E_BUILD, below).
#
# Also runs alone, in a prefix of its own: bash tools/test_e2e.sh [scenario...]
# With SMELTRA_E2E_BUILD set to a build folder of the windows-x64 preset, it
# tests that folder's Smeltra.exe instead of the dist one.

test_e2e() {
  log "end-to-end scenarios under Wine"
  local build=${SMELTRA_E2E_BUILD:-} exe results=build/e2e-results
  if [ -n "$build" ]; then
    cmake --build "$build" -j2 --target Smeltra smeltra_robot smeltra_recording_java
    exe=$build/launcher/Smeltra.exe
    results=$build/e2e-results
  else
    source tools/build.sh
    run_dist
    build=build/windows-x64
    exe=dist/windows-x64/Smeltra.exe
  fi
  python3 -B tests/e2e/run_scenarios.py \
    --exe "$exe" \
    --robot "$build/tests/e2e/smeltra_robot.exe" \
    --stand-in "$build/tests/stand_ins/recording_java.exe" \
    --picture resources/splash.gif \
    --results "$results" \
    "$@"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  cd "$(dirname "$0")/.."
  source tools/lib.sh
  source tools/wine.sh
  ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${WINE_PACKAGES[@]}"
  with_wine_prefix test_e2e "$@"
fi
