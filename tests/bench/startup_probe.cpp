// Times one start of a launcher (the real one or the floor) under the same
// conditions, for the start-up benchmark:
//
//   startup_probe.exe <program> <record file>
//
// It starts <program> with SMELTRA_RECORD naming <record file>, which the
// recording java.exe stand-in appends to when the program starts it, and
// SMELTRA_HOLD_EVENT naming an event that keeps the stand-in alive until the
// probe has read its process times. It prints one line of key=value figures:
//
//   start_to_start_ms   the program's process creation to the stand-in's
//                       process creation, both as the system records them
//   start_to_ready_ms   the program's process creation to the moment it first
//                       waits for input with its window made (WaitForInputIdle):
//                       the cost of putting the splash up, without the 2 s
//   start_to_record_ms  the program's process creation to the moment the
//                       probe saw the stand-in's complete record
//   lifetime_ms         the program's process creation to its exit
//   cpu_ms              processor time the program's own threads used; less
//                       swayed than the times above by other work on a busy
//                       machine, but blind to what Wine's server does for it
//   peak_working_set_kb the program's peak working set (resident memory),
//                       sampled every 5 ms until it exits; being a high-water
//                       mark, the last sample holds all but the exit itself
//   peak_private_kb     the same for its peak private commit (pagefile usage)
//   exit_code           the program's exit status
//
// Exit status 0 when the stand-in was started within 60 s, 1 otherwise.

#define PSAPI_VERSION 2
#include <windows.h>
// After windows.h, whose types it uses.
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr DWORD kSampleMilliseconds = 5;
constexpr ULONGLONG kGiveUpMilliseconds = 60000;

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
  ~Handle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

class ChangeNotification {
 public:
  explicit ChangeNotification(const std::wstring& folder)
      : handle_(FindFirstChangeNotificationW(folder.c_str(), FALSE,
                                             FILE_NOTIFY_CHANGE_FILE_NAME |
                                                 FILE_NOTIFY_CHANGE_SIZE |
                                                 FILE_NOTIFY_CHANGE_LAST_WRITE)) {}
  ~ChangeNotification() {
    if (handle_ != INVALID_HANDLE_VALUE) FindCloseChangeNotification(handle_);
  }
  ChangeNotification(const ChangeNotification&) = delete;
  ChangeNotification& operator=(const ChangeNotification&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

double Milliseconds(ULONGLONG from_100ns, ULONGLONG to_100ns) {
  return static_cast<double>(static_cast<LONGLONG>(to_100ns - from_100ns)) / 10000.0;
}

ULONGLONG Ticks(const FILETIME& time) {
  return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

ULONGLONG Now() {
  FILETIME now{};
  GetSystemTimePreciseAsFileTime(&now);
  return Ticks(now);
}

ULONGLONG CreationTime(HANDLE process) {
  FILETIME creation{}, exit{}, kernel{}, user{};
  return GetProcessTimes(process, &creation, &exit, &kernel, &user) ? Ticks(creation) : 0;
}

ULONGLONG ExitTime(HANDLE process) {
  FILETIME creation{}, exit{}, kernel{}, user{};
  return GetProcessTimes(process, &creation, &exit, &kernel, &user) ? Ticks(exit) : 0;
}

// Processor time the process used, in its own threads (kernel and user).
ULONGLONG ProcessorTime(HANDLE process) {
  FILETIME creation{}, exit{}, kernel{}, user{};
  return GetProcessTimes(process, &creation, &exit, &kernel, &user) ? Ticks(kernel) + Ticks(user)
                                                                    : 0;
}

// The stand-in's process id once its record is complete, else 0.
DWORD RecordedProcessId(const std::wstring& record_file) {
  const Handle file(CreateFileW(record_file.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return 0;
  char buffer[8192];
  DWORD read = 0;
  if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) return 0;
  const std::string_view text(buffer, read);
  if (text.find("\nend\n") == std::string_view::npos) return 0;
  const std::size_t at = text.find("\nprocess_id=");
  if (at == std::string_view::npos) return 0;
  return static_cast<DWORD>(std::strtoul(text.data() + at + 12, nullptr, 10));
}

struct MemoryPeaks {
  SIZE_T working_set = 0;
  SIZE_T private_bytes = 0;

  void Sample(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return;
    if (counters.PeakWorkingSetSize > working_set) working_set = counters.PeakWorkingSetSize;
    if (counters.PeakPagefileUsage > private_bytes) private_bytes = counters.PeakPagefileUsage;
  }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: startup_probe <program> <record file>\n");
    return 2;
  }
  const std::wstring program = argv[1];
  const std::wstring record_file = argv[2];
  const std::wstring record_folder = record_file.substr(0, record_file.find_last_of(L'\\'));
  DeleteFileW(record_file.c_str());

  const std::wstring hold_name = L"SmeltraBenchHold" + std::to_wstring(GetCurrentProcessId());
  const Handle hold(CreateEventW(nullptr, TRUE, FALSE, hold_name.c_str()));
  SetEnvironmentVariableW(L"SMELTRA_RECORD", record_file.c_str());
  SetEnvironmentVariableW(L"SMELTRA_HOLD_EVENT", hold_name.c_str());
  const ChangeNotification change(record_folder);
  if (hold.get() == nullptr || change.get() == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "startup_probe: cannot watch the record\n");
    return 2;
  }

  std::wstring command = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    std::fprintf(stderr, "startup_probe: cannot start the program (%lu)\n", GetLastError());
    return 2;
  }
  const Handle process(started.hProcess);
  const Handle thread(started.hThread);
  const ULONGLONG program_created = CreationTime(process.get());

  MemoryPeaks peaks;
  // Ready: the program has made its window and waits for input for the first
  // time. What comes before is the cost of getting the splash up.
  ULONGLONG ready = 0;
  for (DWORD waited = WAIT_TIMEOUT; waited == WAIT_TIMEOUT;) {
    waited = WaitForInputIdle(process.get(), kSampleMilliseconds);
    peaks.Sample(process.get());
    if (waited == 0) ready = Now();
  }

  DWORD stand_in_id = 0;
  ULONGLONG record_seen = 0;
  bool exited = false;
  const ULONGLONG give_up = GetTickCount64() + kGiveUpMilliseconds;
  while ((stand_in_id == 0 || !exited) && GetTickCount64() < give_up) {
    const HANDLE waits[] = {change.get(), process.get()};
    const DWORD woke = WaitForMultipleObjects(exited ? 1 : 2, waits, FALSE, kSampleMilliseconds);
    if (!exited) peaks.Sample(process.get());
    if (woke == WAIT_OBJECT_0 + 1) exited = true;
    if (woke == WAIT_OBJECT_0 && stand_in_id == 0) {
      stand_in_id = RecordedProcessId(record_file);
      if (stand_in_id != 0) record_seen = Now();
      FindNextChangeNotification(change.get());
    }
  }

  ULONGLONG stand_in_created = 0;
  if (stand_in_id != 0) {
    const Handle stand_in(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, stand_in_id));
    if (stand_in.get() != nullptr) stand_in_created = CreationTime(stand_in.get());
  }
  SetEvent(hold.get());
  if (stand_in_created == 0 || !exited) {
    std::fprintf(stderr, "startup_probe: the runtime was not started (record %s, exited %s)\n",
                 stand_in_id != 0 ? "seen" : "missing", exited ? "yes" : "no");
    return 1;
  }

  DWORD exit_code = 0;
  GetExitCodeProcess(process.get(), &exit_code);
  std::printf(
      "start_to_start_ms=%.3f start_to_ready_ms=%.3f start_to_record_ms=%.3f lifetime_ms=%.3f "
      "cpu_ms=%.3f peak_working_set_kb=%llu peak_private_kb=%llu exit_code=%lu\n",
      Milliseconds(program_created, stand_in_created),
      ready != 0 ? Milliseconds(program_created, ready) : -1.0,
      Milliseconds(program_created, record_seen),
      Milliseconds(program_created, ExitTime(process.get())),
      Milliseconds(0, ProcessorTime(process.get())),
      static_cast<unsigned long long>(peaks.working_set / 1024),
      static_cast<unsigned long long>(peaks.private_bytes / 1024), exit_code);
  return 0;
}
