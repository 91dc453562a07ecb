# The fuzz targets (tests/fuzz) under libFuzzer with the address and
# undefined-behaviour sanitizers: the runtime discovery, and the options
# file's reader. `./run fuzz` explores at length; `./run
# test` runs fuzz_fixed, the same inputs on every run of a tree.

# How many inputs ./run test's exploration tries per target, from a fixed
# seed: a few seconds' worth, enough to reach past the seeds.
FUZZ_FIXED_RUNS=20000
FUZZ_FIXED_SEED=1

build_fuzzer() {
  ensure_packages "${NATIVE_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
  [ -f build/fuzz/build.ninja ] || cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
}

# fuzz_target <target> <corpus folder> <libFuzzer option...>: fuzzes the
# target from the corpus folder (where it keeps what it learns) and its seed
# corpus, tests/fuzz/corpus/<target>. A finding leaves its input in
# build/fuzz/findings (keep it in the seed corpus) and fails. The engine's
# running commentary goes to build/fuzz/<target>.log; its closing lines are
# shown, and all of it when it found something. The caller's `runner`, when
# set, is the command the fuzzer runs under.
fuzz_target() {
  local target=$1 corpus=$2 findings=build/fuzz/findings log_file=build/fuzz/$1.log status=0
  shift 2
  mkdir -p "$corpus" "$findings"
  "${runner[@]}" "build/fuzz/tests/fuzz/smeltra_${target}_fuzzer" "$@" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" "tests/fuzz/corpus/$target" >"$log_file" 2>&1 ||
    status=$?
  grep -E '^(#[0-9]+[[:space:]]+DONE|stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb))' \
    "$log_file" >&2 || true
  if [ $status -ne 0 ]; then
    tail -n 40 "$log_file" >&2
    log "fuzzing $target found a fault; its input is in $findings/"
    return 1
  fi
}

# ./run test: each target replays its seed corpus, then tries FUZZ_FIXED_RUNS
# inputs derived from it with FUZZ_FIXED_SEED, starting from nothing learned
# before; so a finding fails every run of the same tree, and no run of it
# fails by chance. libFuzzer's DONE line (coverage, features, corpus) is the
# same on every run.
fuzz_fixed() {
  build_fuzzer
  # The same seed gives the same inputs only at the same addresses: libFuzzer
  # learns the values the code compares, pointers among them. Nor may it
  # reload the corpus folder on a timer.
  local target corpus runner=(setarch "$(uname -m)" --addr-no-randomize)
  if ! "${runner[@]}" true 2>/dev/null; then
    log "this machine does not turn address randomisation off: the fuzz inputs may differ between runs"
    runner=()
  fi
  for target in discovery vm_options; do
    corpus=$(mktemp -d "${TMPDIR:-/tmp}/smeltra-fuzz.XXXXXX")
    fuzz_target "$target" "$corpus" -seed="$FUZZ_FIXED_SEED" -runs="$FUZZ_FIXED_RUNS" -reload=0 ||
      { rm -rf "$corpus"; return 1; }
    rm -rf "$corpus"
    log "fuzzing $target: $FUZZ_FIXED_RUNS inputs from seed $FUZZ_FIXED_SEED found nothing"
  done
}

# ./run fuzz [seconds]: each target explores for that long (10 minutes by
# default) from a random seed; what it learns is kept outside the repository,
# for the next ./run fuzz.
run_fuzz() {
  local seconds=${1:-600} target runner=()
  [[ $seconds =~ ^[0-9]+$ ]] || die "usage: ./run fuzz [seconds]"
  build_fuzzer
  for target in discovery vm_options; do
    fuzz_target "$target" "build/fuzz/corpus/$target" -max_total_time="$seconds"
    log "fuzzing $target for $seconds s found nothing"
  done
}
