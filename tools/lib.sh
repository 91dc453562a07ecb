# Shared by the ./run commands.

log() { printf '==> %s\n' "$*" >&2; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

# Installs the Debian packages named that are not installed yet; a name such
# as wine32:i386 adds its architecture to dpkg first when it is not there.
ensure_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if ! command -v apt-get >/dev/null; then
    die "not a Debian system; install these packages (or their equivalents): ${missing[*]}"
  fi
  local sudo=() arch
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  for pkg in "${missing[@]}"; do
    arch=${pkg#*:}
    [ "$arch" != "$pkg" ] || continue
    { dpkg --print-architecture; dpkg --print-foreign-architectures; } | grep -qx "$arch" && continue
    log "adding the $arch architecture to dpkg"
    "${sudo[@]}" dpkg --add-architecture "$arch"
  done
  # Another apt-get may be at work on the same machine: wait for it.
  local apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
  log "installing ${missing[*]}"
  "${apt[@]}" update -qq
  "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# The run's suites, for the summary that ends it.
SUITES_PASSED=0
SUITES_FAILED=()
SUITES_SKIPPED=()

# suite <name> <command...>: runs one suite under set -e, in a subshell so
# that its failure is counted and the run goes on to the next suite. Not
# `if (...)`: set -e is off in a condition, inside the subshell too.
suite() {
  local name=$1 status
  shift
  log "$name"
  set +e
  (
    set -e
    "$@"
  )
  status=$?
  set -e
  if [ "$status" -eq 0 ]; then
    SUITES_PASSED=$((SUITES_PASSED + 1))
  else
    suite_failed "$name" "status $status"
  fi
}

suite_failed() { SUITES_FAILED+=("$1: $2"); }
suite_skipped() { SUITES_SKIPPED+=("$1: $2"); }

# The summary, on standard output: one closing count, then each suite that
# failed or was skipped and why. Fails when one failed or none ran.
suites_summary() {
  local line
  printf 'suites: %d passed, %d failed, %d skipped\n' "$SUITES_PASSED" "${#SUITES_FAILED[@]}" \
    "${#SUITES_SKIPPED[@]}"
  for line in "${SUITES_FAILED[@]}"; do printf '  failed: %s\n' "$line"; done
  for line in "${SUITES_SKIPPED[@]}"; do printf '  skipped: %s\n' "$line"; done
  [ ${#SUITES_FAILED[@]} -eq 0 ] && [ "$SUITES_PASSED" -gt 0 ]
}

# What every build needs.
NATIVE_PACKAGES=(cmake ninja-build g++ libgtest-dev googletest libbenchmark-dev)
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64
  binutils-mingw-w64-i686)
WINE_PACKAGES=(wine wine64 xvfb xauth)
# Wine's 32-bit half: without it no 32-bit Windows program runs, neither as
# 32-bit Windows (WINEARCH=win32) nor through WOW64 in a 64-bit prefix.
WINE_PACKAGES+=(wine32:i386)
# Wine's own symbol font: without it the title bar's close button shows as the
# letter "r".
WINE_PACKAGES+=(fonts-wine)
# Wine has no Arial or Times New Roman and falls back to these, which have the
# same metrics, so the splash's labels fit their boxes as they do on Windows.
WINE_PACKAGES+=(fonts-liberation)
# The end-to-end scenarios are run by a Python script; the demo's screenshots
# are taken with ImageMagick's import.
WINE_PACKAGES+=(python3 imagemagick)
# Only for redrawing the committed pictures (resources/make_pictures.sh).
PICTURE_PACKAGES=(imagemagick fonts-dejavu-core python3)
# Fuzzing: clang with libFuzzer and the sanitizers.
FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)
# ./run release: Authenticode signing, and the zips are written by Python.
RELEASE_PACKAGES=(osslsigncode openssl python3)
# ./run demo compiles its sample server when no JDK is there yet.
JDK_PACKAGES=(default-jdk-headless)

# Configures (once) and builds one preset.
build_preset() {
  local preset=$1
  [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
}
