# ./run test stage: what we ship is what we think we ship. For both
# dist/windows-*/Smeltra.exe, read back with mingw-w64's binutils:
# - every imported DLL is a Windows system DLL that Windows loads from its
#   KnownDLLs list, so a DLL dropped beside the launcher can never stand in
#   for one (and no runtime DLL has to be shipped with it);
# - no registry write function is named anywhere in the file: not imported
#   (the import table holds the names) nor looked up with GetProcAddress;
# - the version record of resources/smeltra.rc, every value of it, and the
#   manifest are embedded.

# Lower case, without ".dll": the KnownDLLs of current Windows, and ntdll,
# which every process has loaded before its first instruction.
EXE_KNOWN_DLLS=" advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32
  kernel32 msctf msvcrt normaliz nsi ntdll ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore
  shell32 shlwapi user32 wldap32 ws2_32 "

# exe_check <what> <command...>: counts a failure in test_exe_checks' `failed`
# when the command fails.
exe_check() {
  local what=$1
  shift
  "$@" || { failed=$((failed + 1)) && printf '  FAILED: %s\n' "$what" >&2; }
}

check_one_exe() {
  local arch=$1 tools_prefix=$2 exe=$3 dll dlls writes resources lines value
  printf '%s: %s bytes\n' "$exe" "$(stat -c %s "$exe")" >&2

  dlls=$("$tools_prefix-objdump" -p "$exe" | awk '/DLL Name:/ {print tolower($3)}')
  exe_check "$arch imports some DLL" test -n "$dlls"
  for dll in $dlls; do
    exe_check "$arch imports $dll, which is not a known system DLL" \
      grep -qw -- "${dll%.dll}" <<<"$EXE_KNOWN_DLLS"
  done

  writes=$(grep -aEo 'Reg(Set|Create|Delete)(Key|Value|Tree)[A-Za-z]*' "$exe" | sort -u |
    tr '\n' ' ' || true)
  exe_check "$arch names registry writes: $writes" test -z "$writes"

  resources=$("$tools_prefix-windres" --input-format=coff -O rc -i "$exe" 2>/dev/null || true)
  exe_check "$arch embeds a version record" grep -Eq '^[0-9A-Za-z_]+ VERSIONINFO' <<<"$resources"
  lines=$(sed 's/^ *//' <<<"$resources")
  while read -r value; do
    exe_check "$arch version record has $value" grep -qxF "$value" <<<"$lines"
  done < <(sed -n 's/^ *\(VALUE .*\)/\1/p' resources/smeltra.rc)
  # Resource 1 of type 24 is the manifest that the loader reads for an .exe.
  exe_check "$arch embeds its manifest" grep -q '<assembly ' \
    < <(awk '/^1 24 / {inside = 1} inside {print} inside && /^END/ {exit}' <<<"$resources")
}

# The executables ./run dist made.
test_exe_checks() {
  local failed=0
  check_one_exe x64 x86_64-w64-mingw32 dist/windows-x64/Smeltra.exe
  check_one_exe x86 i686-w64-mingw32 dist/windows-x86/Smeltra.exe
  printf 'exe_checks: %d failed\n' "$failed" >&2
  [ "$failed" -eq 0 ]
}
