// The end-to-end suite's helper program, which the demo and the start-up
// benchmark use too, in two roles chosen by its name.
//
// robot.exe <launcher> <working folder> <close after ms> <hold boxes ms> [NAME=VALUE...]
// starts the launcher with those variables (removed when VALUE is empty;
// ARGUMENTS=... holds the launcher's arguments), closes its first window
// <close after> ms after it showed (unless 0), presses a box's OK <hold boxes>
// ms after it showed, and prints one event a line, UTF-8, tab-separated (\\ \t
// \r \n escaped in a detail): ms since the start, kind, details.
//   launched <process id> <Unix time in ms at 0>
//   window   <handle> <class> <title> <left> <top> <right> <bottom>  (visible, top-level)
//   box      <handle> <caption> <text> <buttons, | between> <icon 1|0> <l> <t> <r> <b>
//   gone     <handle>
//   timeout  the launcher ran 60 s (a stop waits up to 30) and was ended
//   exit     <status> <peak working set in KiB>
//   unpiped  no writer was left on the launcher's output pipe within 2 s of its exit
//   started  <program> <command line> <current folder> <show state> <console: window,
//            windowless or none> <standard input: end, data, console or unreadable> <argv...>
//   stop     <console control event>, as a started runtime saw it
// Under any other name (java.exe, or a program planted where none may run) it
// appends its `started` line, UTF-16, to the file SMELTRA_RECORD names, writes
// SMELTRA_RUNTIME_SAYS (see Say), lives SMELTRA_RUNTIME_MS or until Ctrl+C
// (see OnStop), as a server would, and ends with SMELTRA_RUNTIME_STATUS (0
// when unset), as a runtime that gives up would; with SMELTRA_RUNTIME_CHILD
// it starts a copy of itself first, which lives that long. Options
// -DSMELTRA_<NAME>=<value> set those variables. Built as planted.dll it
// records its own load the same way.

#include <windows.h>
// After windows.h, whose types they use.
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "common/windows/unique_handles.h"

namespace {

using std::to_wstring;

LONGLONG Ticks() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

std::wstring Escaped(std::wstring_view text) {
  std::wstring out;
  for (const wchar_t c : text) {
    const std::size_t at = std::wstring_view(L"\\\t\r\n").find(c);
    out.append(at == out.npos ? 0 : 1, L'\\').push_back(at == out.npos ? c : L"\\trn"[at]);
  }
  return out;
}

std::wstring Line(std::initializer_list<std::wstring> fields) {
  std::wstring line;
  for (const std::wstring& field : fields) line.append(line.empty() ? L"" : L"\t").append(field);
  return line;
}

void WriteUtf8(DWORD stream, std::wstring_view text) {
  std::string bytes(text.size() * 3, '\0');
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(),
                                       int(bytes.size()), nullptr, nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(stream), bytes.data(), DWORD(size), &written, nullptr);
}

void Print(const std::wstring& line) { WriteUtf8(STD_OUTPUT_HANDLE, line + L"\n"); }

std::wstring Variable(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  return {value, length < 1024 ? length : 0};
}

std::wstring Text(HWND window) {
  wchar_t text[4096] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 4096, LPARAM(text), SMTO_ABORTIFHUNG, 1000, &copied);
  return Escaped({text, std::min<std::size_t>(copied, 4095)});
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  return {name, std::size_t(GetClassNameW(window, name, 256))};
}

std::wstring Handle(HWND window) { return to_wstring(UINT_PTR(window)); }

std::wstring Rect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return Line({to_wstring(r.left), to_wstring(r.top), to_wstring(r.right), to_wstring(r.bottom)});
}

smeltra::UniqueFile OpenFile(const wchar_t* path, DWORD access, DWORD disposition) {
  return smeltra::UniqueFile(CreateFileW(path, access,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, disposition, 0, nullptr));
}

BOOL CALLBACK CollectVisible(HWND window, LPARAM context) {
  auto& [process_id, found] = *reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == process_id && IsWindowVisible(window)) found.push_back(window);
  return TRUE;
}

std::wstring DescribeBox(HWND box) {
  std::wstring text, buttons;
  bool icon = false;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const std::wstring kind = ClassOf(child);
    const bool icon_control = (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
    DWORD_PTR shown = 0;
    if (!IsWindowVisible(child)) continue;
    if (kind == L"Button") buttons.append(buttons.empty() ? L"" : L"|").append(Text(child));
    if (kind == L"Static" && !icon_control) text += Text(child);
    if (kind == L"Static" && icon_control &&
        SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 1000, &shown)) {
      icon = icon || shown != 0;
    }
  }
  return Line({L"box", Handle(box), Text(box), text, buttons, icon ? L"1" : L"0", Rect(box)});
}

int Robot(const std::wstring& launcher, const std::wstring& arguments, const wchar_t* folder,
          DWORD close_ms, DWORD hold_ms) {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  const LONGLONG origin = Ticks();
  FILETIME wall{};  // the origin on the wall clock too, for times taken on the Java side
  GetSystemTimePreciseAsFileTime(&wall);
  const auto ms = [&](LONGLONG ticks) {
    return to_wstring(double(ticks - origin) * 1000.0 / double(frequency.QuadPart));
  };
  const auto event = [&](const std::wstring& line) { Print(ms(Ticks()) + L"\t" + line); };

  wchar_t record[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, record, MAX_PATH - 8);
  lstrcatW(record, L".records");
  DeleteFileW(record);
  SetEnvironmentVariableW(L"SMELTRA_RECORD", record);
  std::wstring command_line = L"\"" + launcher + L"\"" + arguments;
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inheritable, 0)) return static_cast<int>(GetLastError());
  const smeltra::UniqueHandle output(read_end);
  smeltra::UniqueHandle writer(write_end);
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = write_end;
  smeltra::UniqueProcessInformation started;
  if (!CreateProcessW(launcher.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      folder, &startup, started.put())) {
    return static_cast<int>(GetLastError());
  }
  writer.reset();
  const auto [process, thread, id, thread_id] = started.get();
  const ULONGLONG unix_ms =
      ((ULONGLONG{wall.dwHighDateTime} << 32 | wall.dwLowDateTime) - 116444736000000000ULL) / 10000;
  event(Line({L"launched", to_wstring(id), to_wstring(unix_ms)}));

  std::vector<HWND> seen;
  HWND first = nullptr;
  ULONGLONG close_at = 0, peak = 0;
  const ULONGLONG deadline = GetTickCount64() + 60000;
  for (bool running = true; running;) {
    running = WaitForSingleObject(process, 10) == WAIT_TIMEOUT;
    if (running && GetTickCount64() > deadline) {
      event(L"timeout");
      TerminateProcess(process, 255);
      running = WaitForSingleObject(process, 5000) == WAIT_TIMEOUT;
    }
    PROCESS_MEMORY_COUNTERS memory{};
    if (GetProcessMemoryInfo(process, &memory, sizeof memory)) {
      peak = std::max<ULONGLONG>(peak, memory.PeakWorkingSetSize);
    }
    std::pair<DWORD, std::vector<HWND>> now{id, {}};
    if (running) EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&now));
    std::erase_if(seen, [&](HWND window) {
      const bool gone = std::ranges::find(now.second, window) == now.second.end();
      if (gone) event(Line({L"gone", Handle(window)}));
      return gone;
    });
    for (HWND window : now.second) {
      if (std::ranges::find(seen, window) != seen.end()) continue;
      seen.push_back(window);
      if (ClassOf(window) == L"#32770") {
        event(DescribeBox(window));
        Sleep(hold_ms);
        PostMessageW(window, WM_COMMAND, IDOK, 0);
        continue;
      }
      event(
          Line({L"window", Handle(window), Escaped(ClassOf(window)), Text(window), Rect(window)}));
      if (first == nullptr) first = window, close_at = GetTickCount64() + close_ms;
    }
    if (close_ms != 0 && first != nullptr && GetTickCount64() >= close_at) {
      PostMessageW(first, WM_SYSCOMMAND, SC_CLOSE, 0);
      close_ms = 0;
    }
  }
  DWORD status = 0;
  GetExitCodeProcess(process, &status);
  event(Line({L"exit", to_wstring(status), to_wstring(peak / 1024)}));
  // The launcher writes nothing, so the pipe need not be read: it only has to
  // end. Within 2 s, which a busy machine needs; a runtime that held it would
  // hold it for the 3 s the scenarios' long-lived one outlives the launcher.
  for (const ULONGLONG until = GetTickCount64() + 2000; GetTickCount64() < until; Sleep(10)) {
    if (!PeekNamedPipe(read_end, nullptr, 0, nullptr, nullptr, nullptr) &&
        GetLastError() == ERROR_BROKEN_PIPE) {
      event(L"unpiped");
      break;
    }
  }

  // A started runtime writes its record a moment after the launcher is gone;
  // once one is there, any other start would follow within a few hundred ms.
  const ULONGLONG quiet_by = GetTickCount64() + (status == 0 ? 3000 : 500);
  while (GetTickCount64() < quiet_by && GetFileAttributesW(record) == INVALID_FILE_ATTRIBUTES) {
    Sleep(20);
  }
  Sleep(300);
  const smeltra::UniqueFile file = OpenFile(record, GENERIC_READ, OPEN_EXISTING);
  std::wstring lines(file ? GetFileSize(file.get(), nullptr) / sizeof(wchar_t) : 0, L'\0');
  DWORD read = 0;
  if (!lines.empty()) ReadFile(file.get(), lines.data(), DWORD(lines.size() * 2), &read, nullptr);
  for (std::size_t at = 0, end; (end = lines.find(L'\n', at)) != lines.npos; at = end + 1) {
    const std::size_t tab = lines.find(L'\t', at);
    Print(ms(std::stoll(lines.substr(at, tab - at))) + lines.substr(tab, end - tab));
  }
  return 0;
}

// Appends `line` to the file SMELTRA_RECORD names, in one write, so that no
// reader sees half of it.
int Append(std::wstring line) {
  line += L"\n";
  const smeltra::UniqueFile file =
      OpenFile(Variable(L"SMELTRA_RECORD").c_str(), FILE_APPEND_DATA, OPEN_ALWAYS);
  DWORD written = 0;
  return file && WriteFile(file.get(), line.data(), DWORD(line.size() * 2), &written, nullptr) ? 0
                                                                                               : 2;
}

int Record(HMODULE self = nullptr) {
  wchar_t program[MAX_PATH] = {}, folder[MAX_PATH] = {};
  GetModuleFileNameW(self, program, MAX_PATH);
  GetCurrentDirectoryW(MAX_PATH, folder);
  STARTUPINFOW startup{};
  GetStartupInfoW(&startup);
  const bool shown = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0;
  // A console's input would wait for a key for good; anything else is read,
  // but not from inside a DLL's start, where the host's input is none of ours.
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0, read = 0;
  char byte = 0;
  const wchar_t* const input_state = self != nullptr                              ? L"-"
                                     : GetConsoleMode(input, &mode)               ? L"console"
                                     : !ReadFile(input, &byte, 1, &read, nullptr) ? L"unreadable"
                                     : read == 0                                  ? L"end"
                                                                                  : L"data";
  std::wstring line =
      Line({to_wstring(Ticks()), L"started", Escaped(program), Escaped(GetCommandLineW()),
            Escaped(folder), shown ? to_wstring(startup.wShowWindow) : L"default",
            GetConsoleWindow() != nullptr ? L"window"
            : GetConsoleCP() != 0         ? L"windowless"
                                          : L"none",
            input_state});
  int count = 0;
  const smeltra::UniqueLocalMemory argv(CommandLineToArgvW(GetCommandLineW(), &count));
  for (int i = 0; i < count; ++i) line += L"\t" + Escaped(static_cast<LPWSTR*>(argv.get())[i]);
  return Append(line);
}

// A runtime asked to stop, as Ctrl+C asks: records it, then ends with the
// status a JVM gives then, unless SMELTRA_RUNTIME_IGNORES_STOP is set.
BOOL WINAPI OnStop(DWORD event) {
  Append(Line({to_wstring(Ticks()), L"stop", to_wstring(event)}));
  if (!Variable(L"SMELTRA_RUNTIME_IGNORES_STOP").empty()) return TRUE;
  ExitProcess(130);
}

// Writes what SMELTRA_RUNTIME_SAYS holds to standard output and standard
// error in turn, a piece at each '|', as UTF-8, as a runtime writes its
// start-up messages and its errors.
void Say() {
  const std::wstring says = Variable(L"SMELTRA_RUNTIME_SAYS");
  std::wstring_view rest = says;
  for (bool output = true; !rest.empty(); output = !output) {
    const std::wstring_view piece = rest.substr(0, rest.find(L'|'));
    rest.remove_prefix(std::min(piece.size() + 1, rest.size()));
    WriteUtf8(output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, piece);
  }
}

// Then SMELTRA_RUNTIME_LINES numbered lines of 100 bytes to standard output,
// 8 KiB a write as a Java stream's buffer writes them, lines cut between
// writes: as much output as a server gives in weeks.
void SayLines() {
  const unsigned long count = std::wcstoul(Variable(L"SMELTRA_RUNTIME_LINES").c_str(), nullptr, 10);
  std::string block;
  DWORD written = 0;
  for (unsigned long n = 1; n <= count || !block.empty();) {
    while (n <= count && block.size() < 8192) {
      const std::string number = std::to_string(n++);
      block +=
          "line " + std::string(9 - number.size(), '0') + number + std::string(84, '.') + "\r\n";
    }
    const DWORD size = static_cast<DWORD>(std::min<std::size_t>(block.size(), 8192));
    if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), block.data(), size, &written, nullptr)) return;
    block.erase(0, size);
  }
}

}  // namespace

#ifdef SMELTRA_PLANTED_DLL
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) Record(self);
  return TRUE;
}
#endif

int wmain(int argc, wchar_t** argv) {
  wchar_t self[MAX_PATH] = {};
  const std::wstring_view path(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
  if (lstrcmpiW(path.substr(path.rfind(L'\\') + 1).data(), L"robot.exe") != 0) {
    // Its variables may also come as options, -DSMELTRA_...=value, as a
    // service's runtime gets them from the options file.
    for (int i = 1; i < argc; ++i) {
      const std::wstring_view option = argv[i];
      if (!option.starts_with(L"-DSMELTRA_") || option.find(L'=') == option.npos) continue;
      const std::wstring name(option.substr(2, option.find(L'=') - 2));
      SetEnvironmentVariableW(name.c_str(), argv[i] + 2 + name.size() + 1);
    }
    // Listening before it says it started, so that a stop that follows its
    // record is heard.
    SetConsoleCtrlHandler(&OnStop, TRUE);
    const int status = Record();
    const std::wstring lives = Variable(L"SMELTRA_RUNTIME_MS");
    // A program of its own that lives SMELTRA_RUNTIME_CHILD ms, inheriting
    // every inheritable handle, as a Java runtime's ProcessBuilder starts one.
    if (const std::wstring child = Variable(L"SMELTRA_RUNTIME_CHILD"); !child.empty()) {
      SetEnvironmentVariableW(L"SMELTRA_RUNTIME_CHILD", nullptr);
      SetEnvironmentVariableW(L"SMELTRA_RUNTIME_MS", child.c_str());
      STARTUPINFOW startup{};
      startup.cb = sizeof startup;
      std::wstring line = GetCommandLineW();
      smeltra::UniqueProcessInformation started;
      CreateProcessW(self, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     started.put());
    }
    Say();
    SayLines();
    Sleep(std::wcstoul(lives.c_str(), nullptr, 10));
    if (status != 0) return status;
    return static_cast<int>(std::wcstoul(Variable(L"SMELTRA_RUNTIME_STATUS").c_str(), nullptr, 0));
  }
  if (argc < 5) return 2;
  std::wstring arguments;
  for (int i = 5; i < argc; ++i) {
    const std::wstring_view setting = argv[i];
    const std::size_t equals = setting.find(L'=');
    if (equals == setting.npos) return 2;
    const std::wstring name(setting.substr(0, equals)), value(setting.substr(equals + 1));
    if (name == L"ARGUMENTS") {
      arguments = L" " + value;
    } else {
      SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
    }
  }
  return Robot(argv[1], arguments, argv[2], std::stoul(argv[3]), std::stoul(argv[4]));
}
