# ./run fuzz [seconds]: the fuzz targets (tests/fuzz) under libFuzzer with the
# address and undefined-behaviour sanitizers: the runtime discovery, then the
# options file's reader and its quoting, two thirds of the time and one third.

build_fuzzer() {
  ensure_packages "${NATIVE_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
  [ -f build/fuzz/build.ninja ] || cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
}

# Fuzzes target $1 for $2 seconds. Its seed corpus (tests/fuzz/corpus/$1)
# runs first; what the fuzzer learns is kept in build/fuzz/corpus/$1, outside
# the repository. A finding leaves its input in build/fuzz/findings (keep it
# in the seed corpus) and fails. With "quiet" as $3 the engine's running
# commentary goes to build/fuzz/$1.log.
fuzz_target() {
  local target=$1 seconds=$2 quiet=${3:-}
  local corpus=build/fuzz/corpus/$target findings=build/fuzz/findings log_file=build/fuzz/$target.log
  mkdir -p "$corpus" "$findings"
  local args=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
    -artifact_prefix="$findings/" "$corpus" "tests/fuzz/corpus/$target")
  local status=0
  if [ "$quiet" = quiet ]; then
    "build/fuzz/tests/fuzz/smeltra_${target}_fuzzer" "${args[@]}" >"$log_file" 2>&1 || status=$?
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb))' \
      "$log_file" >&2 || true
  else
    "build/fuzz/tests/fuzz/smeltra_${target}_fuzzer" "${args[@]}" || status=$?
  fi
  if [ $status -ne 0 ]; then
    [ "$quiet" = quiet ] && tail -n 40 "$log_file" >&2
    log "fuzzing $target found a fault; its input is in $findings/"
    return 1
  fi
  log "fuzzing $target for ${seconds}s found nothing"
}

# Both targets in $1 seconds in all; "quiet" as $2 as above.
fuzz_all() {
  local seconds=$1 quiet=${2:-}
  build_fuzzer
  fuzz_target discovery $((seconds * 2 / 3)) "$quiet"
  fuzz_target vm_options $((seconds - seconds * 2 / 3)) "$quiet"
}

run_fuzz() {
  local seconds=${1:-600}
  [[ $seconds =~ ^[0-9]+$ ]] || die "usage: ./run fuzz [seconds]"
  fuzz_all "$seconds"
}
