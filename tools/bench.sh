# ./run bench: figures, never pass or fail. See docs/performance.md for what
# each one measures and the latest results.
#
#   discovery  LocateJavaRuntime over the in-memory registry (native, Release)
#   size       both dist executables
#   start calls  under Wine: what the server's log and the installation's
#              claim cost a start, on the real calls (start_calls_benchmark.cpp)
#   log pump   under Wine: the runtime's output piped into its log, rolled,
#              against the same bytes straight to a file and through a bare
#              pipe, and the pumping process's memory (log_pump_benchmark.cpp)
#   service    under Wine's service manager: sc start to the runtime's start,
#              and the service's memory while 1 GiB of output passes through
#   start-up   under Wine: Smeltra.exe started by the end-to-end robot, which
#              times it and stands in for java.exe; SMELTRA_BENCH_RUNS runs
#              (default 9) after one warm-up run

BENCH_OUT=build/bench-results
BENCH_WINDOWS_BUILD=build/windows-x64
BENCH_LAUNCHER=dist/windows-x64/Smeltra.exe

run_bench() {
  ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${WINE_PACKAGES[@]}"
  mkdir -p "$BENCH_OUT"
  bench_discovery
  source tools/build.sh
  run_dist
  bench_sizes
  source tools/wine.sh
  with_wine_prefix win64 bench_windows
}

bench_windows() {
  log "the log's and the claim's calls under Wine"
  tools/wine-run x64 "$BENCH_WINDOWS_BUILD/tests/bin/smeltra_start_calls_benchmark.exe" |
    tee "$BENCH_OUT/start-calls.txt"
  log "the log pump under Wine: three rounds of 1 GiB each way"
  tools/wine-run x64 "$BENCH_WINDOWS_BUILD/tests/bin/smeltra_log_pump_benchmark.exe" |
    tee "$BENCH_OUT/log-pump.txt"
  bench_startup
  log "the service under Wine's service manager"
  python3 -B tests/bench/service_bench.py --exe "$BENCH_LAUNCHER" \
    --robot "$BENCH_WINDOWS_BUILD/tests/bin/robot.exe" | tee "$BENCH_OUT/service.txt"
}

bench_discovery() {
  log "discovery benchmark"
  [ -f build/bench/build.ninja ] || cmake --preset bench >/dev/null
  cmake --build --preset bench
  build/bench/tests/bench/smeltra_discovery_benchmark --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true --benchmark_out="$BENCH_OUT/discovery.json" \
    --benchmark_out_format=json >&2
  # The median of the repetitions in processor time (the machine may be busy
  # with other work), per search and per subkey.
  awk -F'[:,]' '
    /"name":/ { name = $2; gsub(/[" ]/, "", name) }
    /"cpu_time":/ { time = $2 + 0 }
    /"time_unit":/ { unit = $2; gsub(/[" ]/, "", unit) }
    /"subkeys":/ { subkeys = $2 + 0 }
    /^    }/ && name ~ /_median$/ {
      ns = time * (unit == "us" ? 1e3 : unit == "ms" ? 1e6 : 1)
      printf "discovery: %6d subkeys  %12.0f ns per search  %7.1f ns per subkey\n", subkeys, ns, ns / subkeys
      search[subkeys] = ns; if (subkeys > most) most = subkeys
      name = ""
    }
    END {
      printf "discovery: each subkey past the first adds %.1f ns\n", (search[most] - search[1]) / (most - 1)
    }' "$BENCH_OUT/discovery.json" | tee "$BENCH_OUT/discovery.txt"
}

bench_sizes() {
  local arch
  for arch in x64 x86; do
    printf 'size: windows-%s Smeltra.exe %d bytes (%.1f KiB)\n' "$arch" \
      "$(stat -c %s "dist/windows-$arch/Smeltra.exe")" \
      "$(calc "$(stat -c %s "dist/windows-$arch/Smeltra.exe") / 1024")"
  done | tee "$BENCH_OUT/sizes.txt"
}

# Arithmetic on decimals: calc "1.5 * 2".
calc() { awk "BEGIN { print $1 }"; }

# The median of the numbers on stdin.
median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

bench_startup() {
  local runs=${SMELTRA_BENCH_RUNS:-9} root="$WINEPREFIX/drive_c/smeltra-bench"
  mkdir -p "$root/app" "$root/jre/bin"
  cp "$BENCH_LAUNCHER" "$root/app/"
  cp "$BENCH_WINDOWS_BUILD/tests/bin/robot.exe" "$root/"
  cp "$BENCH_WINDOWS_BUILD/tests/bin/robot.exe" "$root/jre/bin/java.exe"
  # A runtime the launcher finds at once: the first key, the 64-bit view.
  tools/wine-run x64 reg add 'HKLM\SOFTWARE\JavaSoft\Java Runtime Environment\1.8.0_392' /v JavaHome \
    /d 'C:\smeltra-bench\jre' /f /reg:64 >/dev/null 2>&1
  # A program left open for the whole run keeps Wine's desktop and services
  # up, as Windows keeps its shell: each start is then measured on a running
  # system, not on one that boots for it.
  tools/wine-run x64 notepad >/dev/null 2>&1 &
  sleep 2

  # Each run twice in a row, paired on one machine state: with the server's
  # log (rolled from the sixth run on) and with it turned off, for what the
  # log costs; or, with SMELTRA_BENCH_BASELINE naming another Smeltra.exe
  # (an earlier build), against that one.
  local runs_out="$BENCH_OUT/startup-runs.txt" events="$BENCH_OUT/startup-events.tsv" i
  local -A exe=([run]='C:\smeltra-bench\app\Smeltra.exe' [pair]='C:\smeltra-bench\app\Smeltra.exe')
  local -A setting=([run]=SMELTRA_SERVER_LOG=on [pair]=SMELTRA_SERVER_LOG=off) out
  local pair_name="no log" which
  if [ -n "${SMELTRA_BENCH_BASELINE:-}" ]; then
    mkdir -p "$root/baseline"
    cp "$SMELTRA_BENCH_BASELINE" "$root/baseline/Smeltra.exe"
    exe[pair]='C:\smeltra-bench\baseline\Smeltra.exe' setting[pair]=SMELTRA_SERVER_LOG=on
    pair_name=baseline
  fi
  out=([run]=$runs_out [pair]=$runs_out.pair)
  : >"${out[run]}"
  : >"${out[pair]}"
  log "start-up under Wine: one warm-up run, then $runs runs, each paired with one of the $pair_name"
  for i in $(seq 0 "$runs"); do
    for which in run pair; do
      tools/wine-run x64 'C:\smeltra-bench\robot.exe' "${exe[$which]}" 'C:\' 0 0 \
        "${setting[$which]}" >"$events"
      [ "$i" -eq 0 ] && continue
      # Per run, on the robot's one clock: process start to splash shown, the
      # splash's life, splash gone and splash shown to the runtime running, and
      # the launcher's peak working set.
      awk -F'\t' '$2 == "launched" { l = $1 } $2 == "window" && !w { w = $1 }
        $2 == "gone" && !g { g = $1 } $2 == "exit" { peak = $4 } $2 == "started" { s = $1 }
        END { if (!s) exit 1; print w - l, g - w, s - g, s - w, peak }' "$events" \
        >>"${out[$which]}" || die "a start-up run did not start the runtime"
    done
  done

  local column names=("process start to splash shown" "splash shown" "splash gone to java.exe"
    "splash shown to java.exe" "peak working set (KiB)")
  {
    printf 'start-up: medians of %d runs (ms unless said), with the log\n' "$runs"
    for column in 1 2 3 4 5; do
      printf '  %-32s %10.1f\n' "${names[column - 1]}" "$(cut -d' ' -f$column "$runs_out" | median)"
    done
    printf '  %-32s %10.1f\n' "splash gone to java.exe, $pair_name" \
      "$(cut -d' ' -f3 "${out[pair]}" | median)"
    printf '  %-32s %10.1f\n' "difference (median of pairs)" \
      "$(paste -d' ' "${out[run]}" "${out[pair]}" | awk '{ print $3 - $8 }' | median)"
  } | tee "$BENCH_OUT/startup.txt"
}
