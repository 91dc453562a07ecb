// A stand-in for java.exe that writes down how it was started, for tests that
// check what the launcher really passes to the runtime.
//
// Each run appends one record to the file named by the environment variable
// SMELTRA_RECORD, or, when that is unset or empty, to `started.txt` in the
// folder of this executable; then it exits with status 0 (2 when the record
// could not be written). When the environment variable SMELTRA_HOLD_EVENT
// names an event, it waits, after writing, until that event is set (60 s at
// most) before it exits, so that a test can look at it while it runs.
//
// The file is UTF-8, one `key=value` per line, lines ending in LF:
//
//   begin
//   program=<this executable's full path, GetModuleFileNameW>
//   process_id=<GetCurrentProcessId, decimal>
//   command_line=<GetCommandLineW, exactly as received>
//   current_directory=<GetCurrentDirectoryW>
//   startup_flags=<STARTUPINFO dwFlags, decimal>
//   show_window=<STARTUPINFO wShowWindow, decimal>
//   argc=<number of arguments from CommandLineToArgvW>
//   arg0=<first argument, the program as named on the command line>
//   arg1=<...>   (one line per argument, argc lines in all)
//   end
//
// In values, '%', CR and LF are written as %25, %0D and %0A, so that every
// value stays on its line; nothing else is escaped. The whole record goes to
// the file in one append, so a reader that sees `end` has the whole record.
// tests/stand_ins/start_record.h reads the format back.

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <string>
#include <string_view>

#include "launcher/windows/platform/launcher_folder.h"
#include "registry/windows/wide_text.h"

namespace {

void AddLine(std::string& record, std::string_view key, std::wstring_view value) {
  record.append(key).push_back('=');
  for (const char c : smeltra::Narrow(value)) {
    if (c == '%') {
      record.append("%25");
    } else if (c == '\r') {
      record.append("%0D");
    } else if (c == '\n') {
      record.append("%0A");
    } else {
      record.push_back(c);
    }
  }
  record.push_back('\n');
}

std::wstring CurrentDirectory() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(size, L'\0');
  folder.resize(GetCurrentDirectoryW(size, folder.data()));
  return folder;
}

std::wstring RecordPath(const std::wstring& program) {
  const DWORD size = GetEnvironmentVariableW(L"SMELTRA_RECORD", nullptr, 0);
  if (size > 1) {
    std::wstring path(size, L'\0');
    path.resize(GetEnvironmentVariableW(L"SMELTRA_RECORD", path.data(), size));
    return path;
  }
  return program.substr(0, program.find_last_of(L"\\/") + 1) + L"started.txt";
}

void WaitForHoldEvent() {
  wchar_t name[MAX_PATH]{};
  const DWORD length = GetEnvironmentVariableW(L"SMELTRA_HOLD_EVENT", name, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  const HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, name);
  if (event == nullptr) return;
  WaitForSingleObject(event, 60000);
  CloseHandle(event);
}

}  // namespace

int main() {
  const std::wstring program = smeltra::ModuleFileName(nullptr);
  const wchar_t* const command_line = GetCommandLineW();
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);

  std::string record = "begin\n";
  AddLine(record, "program", program);
  AddLine(record, "process_id", std::to_wstring(GetCurrentProcessId()));
  AddLine(record, "command_line", command_line);
  AddLine(record, "current_directory", CurrentDirectory());
  AddLine(record, "startup_flags", std::to_wstring(startup.dwFlags));
  AddLine(record, "show_window", std::to_wstring(startup.wShowWindow));
  int argc = 0;
  wchar_t** const argv = CommandLineToArgvW(command_line, &argc);
  if (argv == nullptr) argc = 0;
  AddLine(record, "argc", std::to_wstring(argc));
  for (int i = 0; i < argc; ++i) AddLine(record, "arg" + std::to_string(i), argv[i]);
  if (argv != nullptr) LocalFree(argv);
  record.append("end\n");

  const HANDLE file = CreateFileW(RecordPath(program).c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  DWORD written = 0;
  const BOOL ok =
      WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  CloseHandle(file);
  WaitForHoldEvent();
  return ok && written == record.size() ? 0 : 2;
}
