// The sample runtime's bin\java.exe for ./run demo. Nobody ships a Windows
// Java runtime for this machine, so this program stands in for one: it reads
// its command line by the Windows rules (CommandLineToArgvW), as a real
// java.exe does, turns each class-path entry into the host's path of the same
// file, and hands the command to the host's JVM, which Wine starts as a Linux
// program:  <host java> -cp <entry>:<entry>... <every other argument>
// A quoting fault in the command line it is given therefore shows up as a
// real JVM that cannot find its class.
//
// Like a real java.exe it lives as long as the JVM and ends with the JVM's
// exit status, so that a launcher watching it sees what a Windows runtime
// would show. Wine gives no handle to wait on for a Linux program, so the JVM
// runs under the host's /bin/sh, which writes its status to a file once it
// ends; this program waits for that file.
//
// A request to stop that reaches it in its console, as Ctrl+C or the
// launcher's --stop, goes on to the JVM as the host's signal for it (see
// PassOn), since Wine passes a console's events to no Linux program: the JVM
// runs its shutdown hooks and ends as on a real Windows runtime, and this
// program still ends with the JVM's status.
//
// The JVM writes where this program's standard output goes, its errors
// among its output in the order they come, as a real java.exe would: into
// the file behind it (the launcher's server log) where there is one, else
// wherever Wine puts the standard output of a Linux program.
//
// SMELTRA_HOST_JAVA names the host JVM (/usr/bin/java when unset);
// SMELTRA_HANDOVER_LOG a Windows path for the log: key=value lines of what was
// received and handed over, then exit_status=N once the JVM has ended. Exit
// status: the JVM's, or 1 when it cannot be started.

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "common/windows/unique_handles.h"
#include "common/windows/wide_text.h"
#include "launcher/argument_quoting.h"

namespace {

void FreeHeap(void* block) { HeapFree(GetProcessHeap(), 0, block); }
// What Wine's own path conversions return.
using UniqueHeapText = smeltra::UniqueResource<void*, &FreeHeap>;

std::wstring Environment(const wchar_t* name, const wchar_t* fallback) {
  wchar_t value[MAX_PATH] = {};
  return GetEnvironmentVariableW(name, value, MAX_PATH) != 0 ? value : fallback;
}

std::string Utf8(const std::wstring& text) {
  std::string bytes(text.size() * 3 + 1, '\0');
  bytes.resize(static_cast<std::size_t>(
      WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes.data(),
                          static_cast<int>(bytes.size()), nullptr, nullptr) -
      1));
  return bytes;
}

std::wstring Wide(const char* utf8) {
  std::wstring text(strlen(utf8) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text.data(), static_cast<int>(text.size())) - 1));
  return text;
}

// Quoted as the launcher quotes its options, so that the JVM's command line
// splits back into the same arguments.
std::wstring Quoted(const std::wstring& argument) {
  const std::u16string quoted = smeltra::QuotedArgument(smeltra::FromWide(argument));
  return {quoted.begin(), quoted.end()};
}

// What the host's /bin/sh runs:
//   sh -c <this> sh <output file or ""> <status file> <java> <argument>...
// The JVM's output is appended to the output file by its host path, not
// handed on as a handle: Wine gives a Linux program the file behind a
// standard output handle only where that handle may write anywhere in the
// file, and the launcher's is append-only. Its standard error is never
// handed on: the Linux program gets the Wine process's own, so the JVM's
// errors join its output. The status comes as one write of at most four
// bytes into a file that is empty till then: a reader sees it empty or
// whole, and the closing newline tells which.
//
// The JVM runs in the foreground of a shell of its own, which writes its
// process id, the JVM's to be, to <status file>.pid the same way and then
// becomes the JVM. Not `&` and `$!`: a shell without job control starts its
// background jobs with SIGINT ignored, and a JVM that finds a signal ignored
// leaves it so, deaf to Ctrl+C. Only the JVM is signalled, so the outer
// shell waits on and writes the JVM's own status.
constexpr wchar_t kShell[] = L"/bin/sh";
constexpr wchar_t kStatusWrapper[] =
    LR"([ -z "$1" ] || exec >>"$1"; exec 2>&1; status=$2; shift 2; )"
    LR"(/bin/sh -c 'echo $$ >"$0"; exec "$@"' "$status.pid" "$@"; echo $? >"$status")";

// What the console's handler reads, set before it is installed; plain
// arrays, which nothing tears down under it while the process ends.
wchar_t g_shell[MAX_PATH];         // the host's /bin/sh by its DOS path
wchar_t g_status_file[MAX_PATH];   // where the JVM's status comes
wchar_t g_pid_file[MAX_PATH + 4];  // where its process id comes

// The Windows path of the file this program's standard output writes to;
// empty when it writes to no file (a console, a pipe, NUL).
std::wstring OutputFile() {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  wchar_t path[MAX_PATH] = {};
  if (output == nullptr || output == INVALID_HANDLE_VALUE ||
      GetFileType(output) != FILE_TYPE_DISK) {
    return {};
  }
  const DWORD length = GetFinalPathNameByHandleW(output, path, MAX_PATH, FILE_NAME_NORMALIZED);
  return length > 0 && length < MAX_PATH ? path : L"";
}

// The number the wrapper has written whole to `path`, if it has.
std::optional<DWORD> WrittenNumber(const wchar_t* path) {
  const smeltra::UniqueFile file(CreateFileW(path, GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return std::nullopt;
  char text[16] = {};
  DWORD read = 0;
  if (!ReadFile(file.get(), text, sizeof text - 1, &read, nullptr) || read == 0 ||
      text[read - 1] != '\n') {
    return std::nullopt;
  }
  return static_cast<DWORD>(std::strtoul(text, nullptr, 10));
}

// Passes a request to stop on to the JVM as the host's signal that a JVM
// takes as a Windows JVM takes the event: Ctrl+C as SIGINT, Ctrl+Break as
// SIGQUIT (a thread dump, and it runs on), the console's end as SIGTERM.
// The main thread goes on waiting for the JVM's status and ends with it.
BOOL WINAPI PassOn(DWORD event) {
  const wchar_t* const signal = event == CTRL_C_EVENT       ? L"INT"
                                : event == CTRL_BREAK_EVENT ? L"QUIT"
                                                            : L"TERM";
  std::optional<DWORD> pid;
  // Asked before the JVM runs: it gets the request once it does.
  while (!(pid = WrittenNumber(g_pid_file)) && !WrittenNumber(g_status_file)) Sleep(50);
  if (pid) {
    std::wstring line = Quoted(kShell) + L" -c " +
                        Quoted(std::wstring(L"kill -") + signal + L" " + std::to_wstring(*pid));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    smeltra::UniqueProcessInformation kill;
    CreateProcessW(g_shell, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                   kill.put());
  }
  // The system ends this process as soon as a handler of any other event
  // returns, before the JVM has ended; the main thread ends it instead.
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) Sleep(INFINITE);
  return TRUE;
}

}  // namespace

int wmain() {
  const std::wstring log_name = Environment(L"SMELTRA_HANDOVER_LOG", L"handover.log");
  // Appending: what an earlier run wrote there stays.
  const smeltra::UniqueFile log(CreateFileW(log_name.c_str(), FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_ALWAYS, 0, nullptr));
  const auto write = [&](const char* key, const std::wstring& value) {
    const std::string line = key + ("=" + Utf8(value)) + "\n";
    DWORD written = 0;
    WriteFile(log.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  };
  FILETIME now{};
  GetSystemTimePreciseAsFileTime(&now);
  const ULONGLONG since_1601 = ULONGLONG{now.dwHighDateTime} << 32 | now.dwLowDateTime;
  write("received_ms", std::to_wstring((since_1601 - 116444736000000000ULL) / 10000ULL));
  wchar_t text[MAX_PATH] = {};
  write("program", {text, GetModuleFileNameW(nullptr, text, MAX_PATH)});
  write("current_directory", {text, GetCurrentDirectoryW(MAX_PATH, text)});
  write("command_line", GetCommandLineW());

  using ToUnix = char*(CDECL*)(const wchar_t*);
  using ToDos = wchar_t*(CDECL*)(const char*);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto to_unix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
  const auto to_dos = reinterpret_cast<ToDos>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
  int count = 0;
  wchar_t** const argv = CommandLineToArgvW(GetCommandLineW(), &count);
  const smeltra::UniqueLocalMemory owner(argv);
  if (to_unix == nullptr || to_dos == nullptr || argv == nullptr) return 1;

  const std::wstring host_java = Environment(L"SMELTRA_HOST_JAVA", L"/usr/bin/java");
  std::wstring command = Quoted(host_java);
  for (int i = 1; i < count; ++i) {
    std::wstring argument = argv[i];
    if (argument == L"-classpath" || argument == L"-cp") {
      if (++i == count) return 1;
      std::wstring host_path;  // each entry as the host names it, ':' between
      for (std::wstring rest = argv[i];;) {
        const std::size_t end = rest.find(L';');
        const UniqueHeapText unix_name(to_unix(rest.substr(0, end).c_str()));
        if (!unix_name) return 1;
        host_path += Wide(static_cast<const char*>(unix_name.get()));
        if (end == rest.npos) break;
        host_path += L':';
        rest.erase(0, end + 1);
      }
      command += L" -cp " + Quoted(host_path);
    } else {
      command += L" " + Quoted(argument);
    }
  }
  write("host_command", command);

  // A name of our own for the status, made (empty) where the wrapper can write.
  wchar_t temp_folder[MAX_PATH] = {};
  if (GetTempPathW(MAX_PATH, temp_folder) == 0 ||
      GetTempFileNameW(temp_folder, L"jvm", 0, g_status_file) == 0) {
    write("error", L"no file for the JVM's status: error " + std::to_wstring(GetLastError()));
    return 1;
  }
  // Output into a pipe (a service's runtime, whose service logs it): the JVM
  // writes a file of its own, copied on into the pipe as it grows.
  wchar_t relay[MAX_PATH] = {};
  std::wstring output = OutputFile();
  if (output.empty() && GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_PIPE &&
      GetTempFileNameW(temp_folder, L"out", 0, relay) != 0) {
    output = relay;
  }
  const UniqueHeapText output_unix(output.empty() ? nullptr : to_unix(output.c_str()));
  const UniqueHeapText status_unix(to_unix(g_status_file));
  // Wine runs a Linux program given by its DOS path.
  const UniqueHeapText shell_dos(to_dos(Utf8(kShell).c_str()));
  if ((!output.empty() && !output_unix) || !status_unix || !shell_dos) {
    DeleteFileW(g_status_file);
    write("error", L"no host path for the output, the JVM's status or the host's shell");
    return 1;
  }
  const std::wstring host_output =
      output_unix ? Wide(static_cast<const char*>(output_unix.get())) : L"";
  write("output", host_output);
  std::wstring wrapped = Quoted(kShell) + L" -c " + Quoted(kStatusWrapper) + L" sh " +
                         Quoted(host_output) + L" " +
                         Quoted(Wide(static_cast<const char*>(status_unix.get()))) + L" " + command;
  lstrcpynW(g_shell, static_cast<const wchar_t*>(shell_dos.get()), MAX_PATH);
  lstrcpyW(g_pid_file, g_status_file);
  lstrcatW(g_pid_file, L".pid");
  // Before the JVM starts: a request to stop must never end this program
  // alone and leave the JVM running.
  SetConsoleCtrlHandler(&PassOn, TRUE);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  smeltra::UniqueProcessInformation started;
  if (!CreateProcessW(g_shell, wrapped.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, started.put())) {
    DeleteFileW(g_status_file);
    write("error", L"the host JVM could not be started: error " + std::to_wstring(GetLastError()));
    return 1;
  }
  // Polled: a file's change is all a Linux program can tell us. A twentieth
  // of a second is nothing beside a JVM's start and costs nothing while the
  // server runs for hours.
  const smeltra::UniqueFile copied(
      relay[0] == 0
          ? INVALID_HANDLE_VALUE
          : CreateFileW(relay, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, 0, nullptr));
  const auto copy_on = [&] {
    char block[8192];
    DWORD got = 0, put = 0;
    while (copied && ReadFile(copied.get(), block, sizeof block, &got, nullptr) && got > 0)
      WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), block, got, &put, nullptr);
  };
  std::optional<DWORD> status;
  while (!(status = WrittenNumber(g_status_file))) copy_on(), Sleep(50);
  copy_on();
  if (relay[0] != 0) DeleteFileW(relay);
  DeleteFileW(g_status_file);
  DeleteFileW(g_pid_file);
  write("exit_status", std::to_wstring(*status));
  return static_cast<int>(*status);
}
