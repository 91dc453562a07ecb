# ./run test stage: what is published.
# - The launcher built again from a copy of these sources in another folder,
#   at another time, is byte for byte the one in build/, x64 and x86.
# - ./run release's signing, with a CA made here and thrown away: the signed
#   executables in the zips verify against that CA, are SHA-256 and are the
#   built ones without their signatures; signing without the password file
#   fails. Two unsigned releases are the same bytes.

# A failure leaves its files in the scratch folder, for a closer look.
test_release() {
  ensure_packages "${RELEASE_PACKAGES[@]}"
  source tools/release.sh
  local scratch
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/smeltra-release.XXXXXX")
  test_rebuild "$scratch"
  test_signing "$scratch"
  rm -rf "$scratch"
}

release_fail() { printf 'FAILED: %s\n' "$*" >&2; return 1; }

test_rebuild() {
  log "rebuilding the launcher in another folder"
  local copy=$1/sources arch a b
  mkdir "$copy"
  tar --exclude=./build --exclude=./dist --exclude=./.git --exclude=./.wine -cf - . | tar -C "$copy" -xf -
  for arch in "${RELEASE_ARCHES[@]}"; do
    cmake --build "build/windows-$arch" -j2 --target Smeltra >/dev/null
    (cd "$copy" && cmake --preset "windows-$arch" >/dev/null &&
      cmake --build --preset "windows-$arch" -j2 --target Smeltra >/dev/null)
    a=build/windows-$arch/launcher/Smeltra.exe
    b=$copy/build/windows-$arch/launcher/Smeltra.exe
    if ! cmp -s "$a" "$b"; then
      echo "two builds of the $arch launcher differ; offset (from 1) and octal bytes:" >&2
      { cmp -l "$a" "$b" || true; } | head >&2
      release_fail "not reproducible; look closer with: diffoscope $a $b (or cmp -l)"
    fi
  done
  log "the rebuilt launchers are identical, x64 and x86"
}

test_signing() {
  log "signing with a throwaway certificate"
  local dir=$1/signing arch exe
  mkdir -p "$dir/out"
  (
    cd "$dir"
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 1 \
      -subj '/CN=Throwaway test CA' -addext 'keyUsage=critical,keyCertSign'
    openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj '/CN=Throwaway signer'
    openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 1 \
      -extfile <(echo extendedKeyUsage=codeSigning) -out signer.pem
    echo "throwaway $RANDOM" >password
    openssl pkcs12 -export -inkey signer.key -in signer.pem -passout file:password -out signer.p12
  ) >/dev/null 2>&1 || release_fail "making the throwaway certificate"
  for arch in "${RELEASE_ARCHES[@]}"; do
    mkdir "$dir/out/windows-$arch"
    cp "build/windows-$arch/launcher/Smeltra.exe" "$dir/out/windows-$arch/"
  done
  # Unsigned, twice, from files dated differently and in another time zone.
  release_files "$dir/out"
  mv "$dir/out/SHA256SUMS" "$dir/first-sums"
  touch -d 2001-02-03 "$dir"/out/windows-*/Smeltra.exe
  TZ=JST-9 release_files "$dir/out"
  cmp -s "$dir/first-sums" "$dir/out/SHA256SUMS" || release_fail "two releases made different zips"
  ! (SMELTRA_SIGN_PKCS12=$dir/signer.p12 release_files "$dir/out") 2>/dev/null ||
    release_fail "a certificate without its password file signed"
  SMELTRA_SIGN_PKCS12=$dir/signer.p12 SMELTRA_SIGN_PASSWORD_FILE=$dir/password \
    release_files "$dir/out"
  (cd "$dir/out" && sha256sum --quiet -c SHA256SUMS)
  for arch in "${RELEASE_ARCHES[@]}"; do
    exe=$dir/$arch.exe
    python3 -c 'import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read("Smeltra.exe"))' \
      "$dir/out/Smeltra-"*"-windows-$arch.zip" >"$exe"
    osslsigncode verify -CAfile "$dir/ca.pem" -in "$exe" >"$exe.verify" ||
      release_fail "the signed $arch launcher does not verify"
    grep -q '^Message digest algorithm *: SHA256' "$exe.verify" ||
      release_fail "the $arch launcher's signature is not SHA-256"
    osslsigncode remove-signature -in "$exe" -out "$exe.unsigned" >/dev/null
    cmp -s "$exe.unsigned" "build/windows-$arch/launcher/Smeltra.exe" ||
      release_fail "the $arch launcher without its signature is not the one built"
  done
  log "signed launchers verify, x64 and x86"
}
