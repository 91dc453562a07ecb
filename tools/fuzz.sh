# ./run fuzz [seconds]: the runtime discovery fuzz target (tests/fuzz) under
# libFuzzer with the address and undefined-behaviour sanitizers.

FUZZER=build/fuzz/tests/fuzz/smeltra_discovery_fuzzer

build_fuzzer() {
  ensure_packages "${NATIVE_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
  [ -f build/fuzz/build.ninja ] || cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
}

# Fuzzes for $1 seconds. The seed corpus runs first; what the fuzzer learns is
# kept in build/fuzz/corpus, outside the repository. A finding leaves its
# input in build/fuzz/findings (keep it in tests/fuzz/corpus) and fails.
# With "quiet" as $2 the engine's running commentary goes to build/fuzz/fuzz.log.
fuzz_discovery() {
  local seconds=$1 quiet=${2:-}
  local corpus=build/fuzz/corpus findings=build/fuzz/findings log_file=build/fuzz/fuzz.log
  build_fuzzer
  mkdir -p "$corpus" "$findings"
  local args=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
    -artifact_prefix="$findings/" "$corpus" tests/fuzz/corpus)
  local status=0
  if [ "$quiet" = quiet ]; then
    "$FUZZER" "${args[@]}" >"$log_file" 2>&1 || status=$?
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb))' \
      "$log_file" >&2 || true
  else
    "$FUZZER" "${args[@]}" || status=$?
  fi
  if [ $status -ne 0 ]; then
    [ "$quiet" = quiet ] && tail -n 40 "$log_file" >&2
    log "the fuzzer found a fault; its input is in $findings/"
    return 1
  fi
  log "fuzzing for ${seconds}s found nothing"
}

run_fuzz() {
  local seconds=${1:-600}
  [[ $seconds =~ ^[0-9]+$ ]] || die "usage: ./run fuzz [seconds]"
  fuzz_discovery "$seconds"
}
