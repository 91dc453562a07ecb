# ./run release: what a vendor publishes, in dist/: Smeltra-<version>-windows-<arch>.zip
# for each architecture, holding that Smeltra.exe, and SHA256SUMS over the zips.
# The executables are signed first when SMELTRA_SIGN_PKCS12 names a PKCS#12
# code-signing certificate and SMELTRA_SIGN_PASSWORD_FILE the file holding its
# password (a file, so that the password shows in no process list), and
# time-stamped by the RFC 3161 service at SMELTRA_SIGN_TIMESTAMP_URL when set.

RELEASE_ARCHES=(x64 x86)

run_release() {
  ensure_packages "${RELEASE_PACKAGES[@]}"
  source tools/build.sh
  run_dist
  release_files dist
}

# The time the zips' entries are dated with: the caller's SOURCE_DATE_EPOCH,
# else the last commit's time, else (sources outside a git checkout) 0, which
# a zip holds as its earliest date, 1980-01-01.
source_date_epoch() {
  local prefix
  if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    echo "$SOURCE_DATE_EPOCH"
  elif prefix=$(git rev-parse --show-prefix 2>/dev/null) && [ -z "$prefix" ]; then
    git log -1 --format=%ct
  else
    echo 0
  fi
}

# Signs (when a certificate is given) and zips $1/windows-<arch>/Smeltra.exe,
# and sums the zips, all in $1.
release_files() {
  local dir=$1 arch file listing version zips=()
  version=$(sed -n 's/^project(SmeltraLauncher VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
  if [ -n "${SMELTRA_SIGN_PKCS12:-}" ]; then
    [ -r "${SMELTRA_SIGN_PASSWORD_FILE:-}" ] ||
      die "SMELTRA_SIGN_PASSWORD_FILE must name the readable file that holds the certificate's password"
  fi
  for arch in "${RELEASE_ARCHES[@]}"; do
    [ -z "${SMELTRA_SIGN_PKCS12:-}" ] || sign_exe "$dir/windows-$arch/Smeltra.exe"
    zips+=("Smeltra-$version-windows-$arch.zip")
    deterministic_zip "$dir/${zips[-1]}" "$dir/windows-$arch/Smeltra.exe"
  done
  (cd "$dir" && sha256sum "${zips[@]}" >SHA256SUMS)
  listing="in $dir:"
  for file in "${zips[@]}"; do listing+=" $file ($(stat -c %s "$dir/$file") bytes),"; done
  if [ -n "${SMELTRA_SIGN_PKCS12:-}" ]; then
    log "$listing SHA256SUMS; the executables are signed"
  else
    log "$listing SHA256SUMS"
    log "the executables are NOT signed: no SMELTRA_SIGN_PKCS12 given"
  fi
}

# Authenticode, SHA-256, in place.
sign_exe() {
  local exe=$1 timestamp=()
  [ -z "${SMELTRA_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$SMELTRA_SIGN_TIMESTAMP_URL")
  osslsigncode sign -pkcs12 "$SMELTRA_SIGN_PKCS12" -readpass "$SMELTRA_SIGN_PASSWORD_FILE" \
    -h sha256 "${timestamp[@]}" -in "$exe" -out "$exe.signed" >/dev/null
  mv "$exe.signed" "$exe"
}

# Zips the files named after $1 into $1 so that the zip depends on their
# names and bytes alone: entries sorted, dated SOURCE_DATE_EPOCH in UTC (a zip
# date has no time zone), the same permissions on every machine.
deterministic_zip() {
  python3 - "$(source_date_epoch)" "$@" <<'PY'
import os, sys, time, zipfile

epoch, out, paths = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
date = time.gmtime(max(epoch, 315532800))[:6]
with zipfile.ZipFile(out, "w") as archive:
    for path in sorted(paths, key=os.path.basename):
        entry = zipfile.ZipInfo(os.path.basename(path), date)
        entry.create_system = 3
        entry.external_attr = 0o100755 << 16
        entry.compress_type = zipfile.ZIP_DEFLATED
        with open(path, "rb") as data:
            archive.writestr(entry, data.read(), compresslevel=9)
PY
}
