// The sample runtime's bin\java.exe for ./run demo. Nobody ships a Windows
// Java runtime for this machine, so this program stands in for one: it reads
// its command line by the Windows rules (CommandLineToArgvW), as a real
// java.exe does, turns each class-path entry into the host's path of the same
// file, and hands the command to the host's own JVM, which Wine starts as a
// Linux program:
//
//   <host java> -cp <entry>:<entry>... <every other argument, unchanged>
//
// A quoting fault in the command line it is given therefore shows up as a
// real JVM that cannot find its class.
//
// Environment:
//   SMELTRA_HOST_JAVA     the host JVM (a Linux path); /usr/bin/java when unset
//   SMELTRA_HANDOVER_LOG  a Windows path for the log: what was received and
//                         what was handed over (key=value lines), then the
//                         JVM's own output; handover.log beside this program
//                         when unset
//
// Exit status: 0 once the JVM has been started (Wine gives no handle to wait
// on for a Linux program, so this one ends at once); 1 when not under Wine,
// when a class-path entry has no host path, or when the JVM cannot be started.

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "argument_quoting.h"
#include "launcher/windows/platform/launcher_folder.h"
#include "registry/windows/wide_text.h"

namespace {

struct HeapFreer {
  void operator()(void* block) const { HeapFree(GetProcessHeap(), 0, block); }
};
struct LocalFreer {
  void operator()(void* block) const { LocalFree(block); }
};
struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// Wine's own conversions between its drives and the host's file names; both
// return memory from the process heap.
using UnixNameFunction = char*(CDECL*)(const wchar_t*);
using DosNameFunction = wchar_t*(CDECL*)(const char*);

struct WinePaths {
  UnixNameFunction to_unix = nullptr;
  DosNameFunction to_dos = nullptr;
};

WinePaths FindWinePaths() {
  WinePaths paths;
  if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll"); kernel != nullptr) {
    paths.to_unix = reinterpret_cast<UnixNameFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
    paths.to_dos = reinterpret_cast<DosNameFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
  }
  return paths;
}

std::wstring Environment(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size <= 1) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

std::wstring CurrentDirectory() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(size, L'\0');
  folder.resize(GetCurrentDirectoryW(size, folder.data()));
  return folder;
}

std::int64_t EpochMilliseconds() {
  FILETIME now{};
  GetSystemTimePreciseAsFileTime(&now);
  const std::uint64_t ticks = (std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
  return static_cast<std::int64_t>((ticks - 116444736000000000ULL) / 10000ULL);
}

// The log, appended to and inheritable, so that the JVM writes on after us.
class Log {
 public:
  explicit Log(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE file =
        CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) file_.reset(file);
  }
  HANDLE handle() const { return file_.get(); }
  void Line(std::string_view key, std::wstring_view value) {
    if (!file_) return;
    const std::string line = std::string(key) + "=" + smeltra::Narrow(value) + "\n";
    DWORD written = 0;
    WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }

 private:
  UniqueHandle file_;
};

bool IsClassPathOption(std::wstring_view argument) {
  return argument == L"-classpath" || argument == L"-cp" || argument == L"--class-path";
}

// "C:\a b\x.jar;C:\c" -> "/host/a b/x.jar:/host/c"; empty entries are kept
// empty, as the JVM reads them (the current folder). False when an entry has
// no host path.
bool HostClassPath(const WinePaths& wine, std::wstring_view windows, std::wstring& host) {
  host.clear();
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = windows.find(L';', start);
    const std::wstring entry(
        windows.substr(start, end == std::wstring_view::npos ? end : end - start));
    if (start > 0) host += L':';
    if (!entry.empty()) {
      const std::unique_ptr<char, HeapFreer> unix_name(wine.to_unix(entry.c_str()));
      if (!unix_name) return false;
      host += smeltra::Widen(unix_name.get());
    }
    if (end == std::wstring_view::npos) return true;
    start = end + 1;
  }
}

}  // namespace

int wmain() {
  const std::wstring program = smeltra::ModuleFileName(nullptr);
  std::wstring log_path = Environment(L"SMELTRA_HANDOVER_LOG");
  if (log_path.empty())
    log_path = program.substr(0, program.find_last_of(L'\\') + 1) + L"handover.log";
  Log log(log_path);
  log.Line("received_ms", std::to_wstring(EpochMilliseconds()));
  log.Line("program", program);
  log.Line("command_line", GetCommandLineW());
  log.Line("current_directory", CurrentDirectory());

  const WinePaths wine = FindWinePaths();
  if (wine.to_unix == nullptr || wine.to_dos == nullptr) {
    log.Line("error", L"not running under Wine: there is no host JVM to hand over to");
    return 1;
  }

  int count = 0;
  const std::unique_ptr<wchar_t*, LocalFreer> arguments(
      CommandLineToArgvW(GetCommandLineW(), &count));
  if (!arguments) return 1;
  std::wstring host_java = Environment(L"SMELTRA_HOST_JAVA");
  if (host_java.empty()) host_java = L"/usr/bin/java";
  std::vector<std::wstring> host_arguments{host_java};
  for (int i = 1; i < count; ++i) {
    const std::wstring_view argument = arguments.get()[i];
    if (IsClassPathOption(argument) && i + 1 < count) {
      std::wstring class_path;
      if (!HostClassPath(wine, arguments.get()[++i], class_path)) {
        log.Line("error", L"a class-path entry has no host path");
        return 1;
      }
      host_arguments.insert(host_arguments.end(), {L"-cp", class_path});
    } else {
      host_arguments.emplace_back(argument);
    }
  }

  // Wine runs a Linux program given by its DOS path, splitting the command
  // line into its arguments by the same rules as CommandLineToArgvW.
  const std::unique_ptr<wchar_t, HeapFreer> java_dos_path(
      wine.to_dos(smeltra::Narrow(host_java).c_str()));
  if (!java_dos_path) {
    log.Line("error", L"the host JVM has no path under Wine: " + host_java);
    return 1;
  }
  std::wstring command_line = smeltra::demo::JoinArguments(host_arguments);
  log.Line("host_command", command_line);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = log.handle();
  startup.hStdError = log.handle();
  PROCESS_INFORMATION started{};
  log.Line("handed_over_ms", std::to_wstring(EpochMilliseconds()));
  if (!CreateProcessW(java_dos_path.get(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &started)) {
    log.Line("error",
             L"the host JVM could not be started, error " + std::to_wstring(GetLastError()));
    return 1;
  }
  if (started.hThread != nullptr) CloseHandle(started.hThread);
  if (started.hProcess != nullptr) CloseHandle(started.hProcess);
  return 0;
}
