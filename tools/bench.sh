# ./run bench: figures, never pass or fail. See docs/performance.md for what
# each one measures and the latest results.
#
#   discovery  LocateJavaRuntime over the in-memory registry (native, Release)
#   size       both dist executables
#   start-up   under Wine: Smeltra.exe against the floor (tests/bench/floor),
#              alternating, SMELTRA_BENCH_RUNS runs each (default 9)

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
  log "building the floor, the probe and the java.exe stand-in"
  cmake --build "$BENCH_WINDOWS_BUILD" --target smeltra_floor smeltra_startup_probe \
    smeltra_recording_java
  source tools/wine.sh
  with_wine_prefix bench_startup
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
  printf 'size: windows-x64 floor.exe %d bytes\n' \
    "$(stat -c %s "$BENCH_WINDOWS_BUILD/tests/bench/floor/floor.exe")" | tee -a "$BENCH_OUT/sizes.txt"
}

# Arithmetic on decimals: calc "1.5 * 2".
calc() { awk "BEGIN { print $1 }"; }

# The median of the numbers on stdin.
median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# The value of key $1 in every line of file $2.
bench_field() { grep -o "$1=[^ ]*" "$2" | cut -d= -f2; }

bench_startup() {
  local runs=${SMELTRA_BENCH_RUNS:-9}
  local root="$WINEPREFIX/drive_c/smeltra-bench"
  mkdir -p "$root/app" "$root/jre/bin" "$root/records"
  cp "$BENCH_LAUNCHER" "$BENCH_WINDOWS_BUILD/tests/bench/floor/floor.exe" "$root/app/"
  cp "$BENCH_WINDOWS_BUILD/tests/stand_ins/recording_java.exe" "$root/jre/bin/java.exe"
  cp "$BENCH_WINDOWS_BUILD/tests/bench/startup_probe.exe" "$root/"
  # A runtime the launcher finds at once: the first key, the 64-bit view.
  wine reg add 'HKLM\SOFTWARE\JavaSoft\Java Runtime Environment\1.8.0_392' /v JavaHome \
    /d 'C:\smeltra-bench\jre' /f /reg:64 >/dev/null 2>&1
  wineserver -w
  export SMELTRA_BENCH_JAVA_HOME='C:\smeltra-bench\jre'
  # A program left open for the whole run keeps Wine's desktop and services
  # up, as Windows keeps its shell: each start is then measured on a running
  # system, not on one that boots for it.
  wine notepad >/dev/null 2>&1 &
  sleep 2

  local probe='C:\smeltra-bench\startup_probe.exe' record='C:\smeltra-bench\records\start.txt'
  local floor_out="$BENCH_OUT/startup-floor.txt" launcher_out="$BENCH_OUT/startup-launcher.txt"
  : >"$floor_out"
  : >"$launcher_out"
  log "start-up under Wine: one warm-up run each, then $runs runs each, alternating"
  local i
  for i in $(seq 0 "$runs"); do
    local floor_line launcher_line
    floor_line=$(wine "$probe" 'C:\smeltra-bench\app\floor.exe' "$record" | tr -d '\r')
    launcher_line=$(wine "$probe" 'C:\smeltra-bench\app\Smeltra.exe' "$record" | tr -d '\r')
    [ -n "$floor_line" ] && [ -n "$launcher_line" ] || die "a start-up run did not start the runtime"
    [ "$i" -eq 0 ] && continue
    echo "$floor_line" >>"$floor_out"
    echo "$launcher_line" >>"$launcher_out"
  done

  local key floor launcher
  {
    printf 'start-up: medians of %d runs each (ms; memory in KiB)\n' "$runs"
    printf '  %-22s %12s %12s %12s\n' figure floor launcher difference
    for key in start_to_start_ms start_to_ready_ms start_to_record_ms lifetime_ms cpu_ms \
      peak_working_set_kb peak_private_kb; do
      floor=$(bench_field "$key" "$floor_out" | median)
      launcher=$(bench_field "$key" "$launcher_out" | median)
      printf '  %-22s %12.1f %12.1f %+12.1f\n' "$key" "$floor" "$launcher" \
        "$(calc "$launcher - $floor")"
    done
    floor=$(bench_field start_to_start_ms "$floor_out" | median)
    launcher=$(bench_field start_to_start_ms "$launcher_out" | median)
    printf '  launcher minus the 2 s splash: %.1f ms; floor minus the 2 s: %.1f ms\n' \
      "$(calc "$launcher - 2000")" "$(calc "$floor - 2000")"
    # Each launcher run against the floor run just before it, which shares
    # its moment's load on the machine.
    printf '  start_to_start, median of the paired differences: %+.1f ms\n' "$(paste \
      <(bench_field start_to_start_ms "$floor_out") <(bench_field start_to_start_ms "$launcher_out") |
      awk '{ print $2 - $1 }' | median)"
    floor=$(bench_field peak_working_set_kb "$floor_out" | median)
    launcher=$(bench_field peak_working_set_kb "$launcher_out" | median)
    printf '  peak working set, launcher / floor: %.2f\n' "$(calc "$launcher / $floor")"
  } | tee "$BENCH_OUT/startup.txt"
}
