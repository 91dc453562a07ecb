// Runs one platform operation in a process of its own, for the tests that
// need a fresh process or a program at a particular place:
//
//   platform_probe folder <output file>   writes LauncherFolder() (UTF-8) to
//                                         the file; status 0, or 3 with the
//                                         error's description on failure
//   platform_probe end <status>           WindowsUserInterface::EndProgram
//   platform_probe load <dll> [harden]    HardenDllSearch() when asked, then
//                                         LoadLibraryW(dll); status 1 when it
//                                         loaded, 0 when it did not

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <string>
#include <string_view>

#include "launcher/exit_code.h"
#include "launcher/windows/platform/hardening.h"
#include "launcher/windows/platform/launcher_folder.h"
#include "launcher/windows/platform/message_box_ui.h"
#include "registry/launcher_error.h"

namespace {

int WriteText(const wchar_t* path, const std::string& text) {
  const HANDLE file =
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 4;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok ? 0 : 4;
}

int Run(int argc, wchar_t** argv) {
  const std::wstring_view command = argc > 1 ? argv[1] : L"";
  if (command == L"folder" && argc == 3) {
    try {
      return WriteText(argv[2], smeltra::LauncherFolder());
    } catch (const smeltra::LauncherError& error) {
      WriteText(argv[2], error.description());
      return 3;
    }
  }
  if (command == L"end" && argc == 3) {
    smeltra::WindowsUserInterface().EndProgram(static_cast<smeltra::ExitCode>(_wtoi(argv[2])));
  }
  if (command == L"load" && (argc == 3 || argc == 4)) {
    if (argc == 4 && std::wstring_view(argv[3]) == L"harden") smeltra::HardenDllSearch();
    return LoadLibraryW(argv[2]) != nullptr ? 1 : 0;
  }
  return 64;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** const argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return 65;
  const int status = Run(argc, argv);
  LocalFree(argv);
  return status;
}
