# ./run test stage: what we ship is what we think we ship. For both
# dist/windows-*/Smeltra.exe, read back with mingw-w64's binutils:
# - every imported DLL is a Windows system DLL that Windows loads from its
#   KnownDLLs list, so a DLL dropped beside the launcher can never stand in
#   for one (and no runtime DLL has to be shipped with it);
# - no registry write function is imported, nor named anywhere in the file
#   (which would betray a GetProcAddress look-up);
# - the version record and the manifest are embedded, with the fields below.

# Lower case, without ".dll": the KnownDLLs of current Windows, and ntdll,
# which every process has loaded before its first instruction.
EXE_KNOWN_DLLS=" advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32
  kernel32 msctf msvcrt normaliz nsi ntdll ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore
  shell32 shlwapi user32 wldap32 ws2_32 "

EXE_CHECKS_PASSED=0
EXE_CHECKS_FAILED=0

exe_check() {
  local what=$1 ok=$2
  if [ "$ok" = yes ]; then
    EXE_CHECKS_PASSED=$((EXE_CHECKS_PASSED + 1))
  else
    EXE_CHECKS_FAILED=$((EXE_CHECKS_FAILED + 1))
    printf '  FAILED: %s\n' "$what" >&2
  fi
}

# The resource whose header line matches $1 (an awk regex), as resource
# script text; empty when the resources cannot be read.
exe_resource() {
  local header=$1 tools_prefix=$2 exe=$3
  { "$tools_prefix-windres" --input-format=coff -O rc -i "$exe" 2>/dev/null || true; } |
    awk -v header="$header" '$0 ~ header {inside = 1} inside {print} inside && /^END/ {exit}'
}

# yes when the text on stdin has a line matching the extended regex $1.
exe_has_line() { if grep -Eq -- "$1"; then echo yes; else echo no; fi; }

check_one_exe() {
  local arch=$1 tools_prefix=$2 exe=$3
  printf '%s: %s bytes\n' "$exe" "$(stat -c %s "$exe")" >&2

  local dll
  local dlls
  dlls=$("$tools_prefix-objdump" -p "$exe" | awk '/DLL Name:/ {print tolower($3)}')
  exe_check "$arch imports some DLL" "$([ -n "$dlls" ] && echo yes || echo no)"
  for dll in $dlls; do
    case "$EXE_KNOWN_DLLS" in
      *" ${dll%.dll} "*) exe_check "$arch imports $dll" yes ;;
      *) exe_check "$arch imports $dll, which is not a known system DLL" no ;;
    esac
  done

  local writes
  writes=$("$tools_prefix-objdump" -p "$exe" |
    grep -Eo '\bReg(Set|Create|Delete)[A-Za-z]*' | sort -u | tr '\n' ' ' || true)
  exe_check "$arch imports registry writes: $writes" "$([ -z "$writes" ] && echo yes || echo no)"
  writes=$(grep -aEo 'Reg(Set|Create|Delete)(Key|Value|Tree)[A-Za-z]*' "$exe" | sort -u |
    tr '\n' ' ' || true)
  exe_check "$arch names registry writes: $writes" "$([ -z "$writes" ] && echo yes || echo no)"

  local record
  record=$(exe_resource '^[0-9A-Za-z_]+ VERSIONINFO' "$tools_prefix" "$exe")
  local expected
  for expected in '^ FILEVERSION 1, 0, 0, 0$' '^ PRODUCTVERSION 1, 0, 0, 0$' \
    '^ +BLOCK "040904[bB]0"$' '^ +VALUE "Translation", 0x409, 1200$' \
    '^ +VALUE "FileVersion", "1\.00"$' '^ +VALUE "ProductVersion", "1\.00"$' \
    '^ +VALUE "CompanyName", "Tolvan Software Systems"$' \
    '^ +VALUE "ProductName", "Tolvan Smeltra"$' \
    '^ +VALUE "OriginalFilename", "Smeltra\.exe"$'; do
    exe_check "$arch version record has /$expected/" "$(exe_has_line "$expected" <<<"$record")"
  done

  # Resource 1 of type 24 is the manifest that the loader reads for an .exe.
  local manifest
  manifest=$(exe_resource '^1 24 ' "$tools_prefix" "$exe")
  exe_check "$arch embeds its manifest" "$(exe_has_line '<assembly ' <<<"$manifest")"
}

test_exe_checks() {
  log "checks on the shipped executables"
  source tools/build.sh
  run_dist
  EXE_CHECKS_PASSED=0
  EXE_CHECKS_FAILED=0
  check_one_exe x64 x86_64-w64-mingw32 dist/windows-x64/Smeltra.exe
  check_one_exe x86 i686-w64-mingw32 dist/windows-x86/Smeltra.exe
  printf 'exe_checks: %d passed, %d failed\n' "$EXE_CHECKS_PASSED" "$EXE_CHECKS_FAILED" >&2
  [ "$EXE_CHECKS_FAILED" -eq 0 ]
}
