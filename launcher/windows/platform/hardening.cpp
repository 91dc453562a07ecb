#include "launcher/windows/platform/hardening.h"

#include <windows.h>

namespace smeltra {
namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

}  // namespace

void HardenDllSearch() {
  // Looked up at run time so that the launcher still starts where the
  // function does not exist (it came with a later update of Windows 7).
  if (const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll"); kernel32 != nullptr) {
    const FARPROC address = GetProcAddress(kernel32, "SetDefaultDllDirectories");
    if (address != nullptr) {
      const auto set_default_dll_directories =
          reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(address));
      set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
  }
  SetDllDirectoryW(L"");
}

}  // namespace smeltra
