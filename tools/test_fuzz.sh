# ./run test stage: one minute of fuzzing; any finding fails the run.
source tools/fuzz.sh

test_fuzz() {
  log "fuzzing runtime discovery for 60 s"
  fuzz_discovery 60 quiet
}
