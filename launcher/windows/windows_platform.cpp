#include "launcher/windows/windows_platform.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/windows/unique_handles.h"
#include "common/windows/wide_text.h"
#include "launcher/messages.h"
#include "launcher/server_log.h"
#include "launcher/windows/output_pipe.h"

namespace smeltra {

bool WindowsPlatform::CanShowWindows() {
  // Where it cannot be told, as everywhere before: someone may be looking.
  USEROBJECTFLAGS flags{};
  const HWINSTA station = GetProcessWindowStation();
  return station == nullptr ||
         !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), nullptr) ||
         (flags.dwFlags & WSF_VISIBLE) != 0;
}

void WindowsPlatform::ShowMessage(std::u16string_view prompt) {
  // With no window of its own left, the box asks to come to the front so
  // that it is not hidden behind whatever window started the launcher.
  MessageBoxW(nullptr, AsWide(std::u16string(prompt)), LiteralAsWide(messages::kApplicationTitle),
              MB_OK | MB_SETFOREGROUND);
}

bool WindowsPlatform::FileExists(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(AsWide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

namespace {

// The file at `path` open for reading, or nothing when no file is there
// (neither it nor a folder on its way exists).
std::optional<UniqueFile> OpenToRead(const std::u16string& path) {
  UniqueFile file(CreateFileW(AsWide(path), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return std::nullopt;
    throw SystemError(code);
  }
  return file;
}

// Up to `limit` bytes from where `file` stands, read to the end rather than
// trusting its size, which may change while it is read.
std::string ReadUpTo(const UniqueFile& file, std::size_t limit) {
  constexpr std::size_t kChunk = 64 * 1024;
  std::string bytes;
  std::size_t read = 0;
  while (read < limit) {
    bytes.resize(read + std::min(kChunk, limit - read));
    DWORD got = 0;
    if (!::ReadFile(file.get(), bytes.data() + read, static_cast<DWORD>(bytes.size() - read), &got,
                    nullptr)) {
      throw SystemError(GetLastError());
    }
    if (got == 0) break;
    read += got;
  }
  bytes.resize(read);
  return bytes;
}

}  // namespace

std::optional<std::string> WindowsPlatform::ReadFile(const std::u16string& path,
                                                     std::size_t max_bytes) {
  const auto file = OpenToRead(path);
  if (!file) return std::nullopt;
  // One byte past the cap is enough to tell it is too long.
  return ReadUpTo(*file, max_bytes + 1);
}

std::optional<std::string> WindowsPlatform::ReadFileEnd(const std::u16string& path,
                                                        std::uint64_t offset,
                                                        std::size_t max_bytes) {
  const auto file = OpenToRead(path);
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file->get(), &size)) throw SystemError(GetLastError());
  const auto end = static_cast<std::uint64_t>(size.QuadPart);
  LARGE_INTEGER from{};
  from.QuadPart =
      static_cast<LONGLONG>(std::max(offset, end - std::min<std::uint64_t>(end, max_bytes + 1)));
  if (!SetFilePointerEx(file->get(), from, nullptr, FILE_BEGIN)) throw SystemError(GetLastError());
  return ReadUpTo(*file, max_bytes + 1);
}

bool WindowsPlatform::MoveFile(const std::u16string& from, const std::u16string& to) {
  if (MoveFileExW(AsWide(from), AsWide(to), MOVEFILE_REPLACE_EXISTING)) return true;
  const DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return false;
  throw SystemError(code);
}

std::u16string WindowsPlatform::FromSystemCodePage(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int length = static_cast<int>(bytes.size());
  std::wstring text(
      static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0)),
      L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), static_cast<int>(text.size()));
  return FromWide(text);
}

namespace {

// "2026-12-07 21:04:33".
std::u16string TimeText(const SYSTEMTIME& time) {
  const auto two = [](WORD number) { return (number < 10 ? u"0" : u"") + Decimal(number); };
  return Decimal(time.wYear) + u"-" + two(time.wMonth) + u"-" + two(time.wDay) + u" " +
         two(time.wHour) + u":" + two(time.wMinute) + u":" + two(time.wSecond);
}

// What an installation's claim holds, laid out alike in both builds, whose
// launchers meet in one session through WOW64.
struct ClaimRecord {
  DWORD process_id;
  FILETIME created;
};

std::uint64_t Moment(const FILETIME& time) {
  return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

// Where launchers of one user's session meet; `global`: where every session
// looks, the service's too.
std::wstring ObjectName(const std::u16string& name, bool global = false) {
  return (global ? L"Global\\Smeltra-" : L"Local\\Smeltra-") +
         std::wstring(name.begin(), name.end());
}

// The job that the runtime `process` and every process it starts belong to,
// by a name that no other process has ever had, so that a later stop finds
// it.
std::wstring JobName(const ProcessIdentity& process) {
  return ObjectName(u"job-" + Decimal(process.id) + u"-" + Hex(process.created, 16));
}

// What the platform hands the server's life and its log: a handle, held as a
// lock where it is one, and who a process is.
struct Kernel final : Platform::Object {
  UniqueHandle handle;
  UniqueHandle job;   // of a runtime tied to this process: its end ends the job
  UniqueHandle mark;  // of a claim, where every session sees it
  UniqueResource<HANDLE, &ReleaseMutex> held;
  ProcessIdentity identity;
};

Kernel& Of(Platform::Object& object) { return static_cast<Kernel&>(object); }

}  // namespace

HANDLE ProcessHandle(Platform::Object& process) { return Of(process).handle.get(); }

namespace {

DWORD Milliseconds(std::chrono::milliseconds wait) {
  return static_cast<DWORD>(std::min<std::chrono::milliseconds::rep>(wait.count(), INFINITE - 1));
}

void UnmapView(void* view) { UnmapViewOfFile(view); }
using UniqueView = UniqueResource<void*, &UnmapView>;

UniqueView MapClaim(Platform::Object& claim, DWORD access) {
  UniqueView view(MapViewOfFile(Of(claim).handle.get(), access, 0, 0, sizeof(ClaimRecord)));
  if (!view) throw SystemError(GetLastError());
  return view;
}

}  // namespace

Platform::Owned WindowsPlatform::OpenToAppend(const std::u16string& path) {
  const auto open = [&] {
    return UniqueFile(CreateFileW(AsWide(path), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  };
  auto file = std::make_unique<Kernel>();
  file->handle = open();
  if (!file->handle && GetLastError() == ERROR_PATH_NOT_FOUND) {
    // Each folder on the way, from the top; one that is there already or
    // cannot be made leaves the answer to the second open.
    for (auto at = path.find(u'\\', 3); at != path.npos; at = path.find(u'\\', at + 1))
      CreateDirectoryW(AsWide(path.substr(0, at)), nullptr);
    file->handle = open();
  }
  if (!file->handle) throw SystemError(GetLastError());
  return file;
}

void WindowsPlatform::Append(Object& file, std::string_view bytes) {
  DWORD written = 0;
  if (!WriteFile(Of(file).handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                 nullptr)) {
    throw SystemError(GetLastError());
  }
}

std::uint64_t WindowsPlatform::SizeOf(Object& file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(Of(file).handle.get(), &size)) throw SystemError(GetLastError());
  return static_cast<std::uint64_t>(size.QuadPart);
}

std::u16string WindowsPlatform::LocalTime() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return TimeText(now);
}

std::u16string WindowsPlatform::LocalTimeAt(std::uint64_t moment) {
  const FILETIME time{static_cast<DWORD>(moment), static_cast<DWORD>(moment >> 32)};
  FILETIME local{};
  SYSTEMTIME at{};
  FileTimeToLocalFileTime(&time, &local);
  FileTimeToSystemTime(&local, &at);
  return TimeText(at);
}

Platform::Owned WindowsPlatform::TakeLock(const std::u16string& name,
                                          std::chrono::milliseconds wait) {
  auto lock = std::make_unique<Kernel>();
  lock->handle.reset(CreateMutexW(nullptr, FALSE, ObjectName(name).c_str()));
  if (!lock->handle) throw SystemError(GetLastError());
  // Abandoned by a holder that ended counts as taken.
  const DWORD waited = WaitForSingleObject(lock->handle.get(), Milliseconds(wait));
  if (waited == WAIT_TIMEOUT) return nullptr;
  if (waited == WAIT_FAILED) throw SystemError(GetLastError());
  lock->held.reset(lock->handle.get());
  return lock;
}

Platform::Owned WindowsPlatform::OpenClaim(const std::u16string& name, bool& made) {
  // Inheritable, for the runtime; new ones hold zeros: no process.
  SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
  auto claim = std::make_unique<Kernel>();
  claim->handle.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, &inherited, PAGE_READWRITE, 0,
                                         sizeof(ClaimRecord), ObjectName(name).c_str()));
  if (!claim->handle) throw SystemError(GetLastError());
  made = GetLastError() != ERROR_ALREADY_EXISTS;
  // Any user may make an event there, as no file mapping; one that cannot be
  // made leaves the service blind to this server, traced.
  claim->mark.reset(CreateEventW(&inherited, TRUE, FALSE, ObjectName(name, true).c_str()));
  if (!claim->mark)
    Trace(u"claim: not marked for the service: " + SystemError(GetLastError()).description());
  return claim;
}

bool WindowsPlatform::ServedAnywhere(const std::u16string& key) {
  // Another user's, or the service's, may be closed to this account: there
  // all the same.
  const UniqueHandle mark(OpenEventW(SYNCHRONIZE, FALSE, ObjectName(key, true).c_str()));
  return mark || GetLastError() == ERROR_ACCESS_DENIED;
}

ProcessIdentity WindowsPlatform::ReadClaim(Object& claim) {
  const ClaimRecord record = *static_cast<const ClaimRecord*>(MapClaim(claim, FILE_MAP_READ).get());
  return {record.process_id, Moment(record.created)};
}

void WindowsPlatform::WriteClaim(Object& claim, const ProcessIdentity& process) {
  *static_cast<ClaimRecord*>(MapClaim(claim, FILE_MAP_WRITE).get()) = {
      process.id, {static_cast<DWORD>(process.created), static_cast<DWORD>(process.created >> 32)}};
}

Platform::Process WindowsPlatform::OpenProcess(std::uint32_t id) {
  auto process = std::make_unique<Kernel>();
  process->handle.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  if (!process->handle) {
    const DWORD code = GetLastError();
    if (code == ERROR_INVALID_PARAMETER) return {};  // no process by that id
    throw SystemError(code);
  }
  FILETIME created{}, unused{};
  if (!GetProcessTimes(process->handle.get(), &created, &unused, &unused, &unused))
    throw SystemError(GetLastError());
  // Ended, but still held open by some program.
  if (WaitForSingleObject(process->handle.get(), 0) != WAIT_TIMEOUT) return {};
  process->identity = {id, Moment(created)};
  const ProcessIdentity identity = process->identity;
  return {std::move(process), identity};
}

std::optional<std::uint32_t> WindowsPlatform::WaitForEnd(Object& process,
                                                         std::chrono::milliseconds wait) {
  DWORD status = 0;
  if (WaitForSingleObject(Of(process).handle.get(), Milliseconds(wait)) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(Of(process).handle.get(), &status)) {
    return std::nullopt;
  }
  return status;
}

void WindowsPlatform::AskToEnd(Object& process) {
  // Ctrl+C as in the server's own console: this process joins that console
  // for the moment, ignores the event itself and leaves again. The runtime
  // then runs its shutdown hooks, as it does when a user presses Ctrl+C.
  FreeConsole();
  if (!AttachConsole(Of(process).identity.id)) throw SystemError(GetLastError());
  SetConsoleCtrlHandler(nullptr, TRUE);
  const BOOL sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  const DWORD code = GetLastError();
  // The key press too, which the console turns into the same event for all
  // its processes: Wine sends the call's event only to the caller's own
  // process group, which a launcher started later never shares with the
  // server. Where both arrive, the second finds the runtime ending already.
  const UniqueFile input(CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                     nullptr));
  INPUT_RECORD keys[2]{};
  for (INPUT_RECORD& press : keys) {
    press.EventType = KEY_EVENT;
    press.Event.KeyEvent.bKeyDown = &press == keys;
    press.Event.KeyEvent.wRepeatCount = 1;
    press.Event.KeyEvent.wVirtualKeyCode = 'C';
    press.Event.KeyEvent.uChar.UnicodeChar = 'C' - '@';
    press.Event.KeyEvent.dwControlKeyState = LEFT_CTRL_PRESSED;
  }
  DWORD written = 0;
  const bool pressed = input && WriteConsoleInputW(input.get(), keys, 2, &written);
  FreeConsole();
  if (!sent && !pressed) throw SystemError(code);
}

void WindowsPlatform::EndTree(Object& process) {
  Kernel& runtime = Of(process);
  const UniqueHandle job(OpenJobObjectW(JOB_OBJECT_TERMINATE | JOB_OBJECT_QUERY, FALSE,
                                        JobName(runtime.identity).c_str()));
  if (!job) {
    Trace(u"stop: no job holds the programs the server started, so it is ended alone: " +
          SystemError(GetLastError()).description());
  }
  // The runtime's handle keeps its id from being given to another process.
  const UniqueHandle alone(job ? nullptr
                               : ::OpenProcess(PROCESS_TERMINATE, FALSE, runtime.identity.id));
  if (job ? !TerminateJobObject(job.get(), 1) : !alone || !TerminateProcess(alone.get(), 1))
    throw SystemError(GetLastError());
  // The ends only begin here: a moment for the last of them, so that what
  // they held (the log, the claim) is free once the stop is done.
  const ULONGLONG until = GetTickCount64() + 5000;
  WaitForSingleObject(runtime.handle.get(), 5000);
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
  while (job && GetTickCount64() < until &&
         QueryInformationJobObject(job.get(), JobObjectBasicAccountingInformation, &accounting,
                                   sizeof(accounting), nullptr) &&
         accounting.ActiveProcesses > 0) {
    Sleep(20);
  }
}

std::u16string WindowsPlatform::ExecutablePath() {
  // The longest path Windows handles at all, with its terminator.
  constexpr DWORD kMaxChars = 32768;
  std::wstring path;
  for (DWORD size = MAX_PATH;; size *= 2) {
    path.resize(size);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
    if (length == 0) throw SystemError(GetLastError());
    // A cut path fills the buffer exactly; older systems do not say so in
    // the last error, so the length alone decides.
    if (length < size) return FromWide(std::wstring_view(path.data(), length));
    if (size >= kMaxChars) throw SystemError(ERROR_INSUFFICIENT_BUFFER);
  }
}

namespace {

// Calls `get(buffer, size)`, which answers like GetEnvironmentVariableW: the
// length without the NUL when it fits, the size needed with it when not, 0 on
// failure; grows the buffer until the text fits. Empty on failure.
template <typename Get>
std::optional<std::u16string> GrowingText(Get get) {
  std::wstring text(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = get(text.data(), static_cast<DWORD>(text.size()));
    if (length == 0) return std::nullopt;
    if (length < text.size()) return FromWide(std::wstring_view(text.data(), length));
    text.resize(length);
  }
}

}  // namespace

std::optional<std::u16string> WindowsPlatform::EnvironmentVariable(std::u16string_view name) {
  const std::u16string key(name);
  SetLastError(ERROR_SUCCESS);
  auto value = GrowingText([&](wchar_t* buffer, DWORD size) {
    return GetEnvironmentVariableW(AsWide(key), buffer, size);
  });
  // A variable set to empty text also answers 0, without an error.
  if (!value && GetLastError() == ERROR_SUCCESS) return std::u16string();
  return value;
}

std::u16string WindowsPlatform::ExpandEnvironment(const std::u16string& text) {
  // ExpandEnvironmentStringsW counts the NUL in its answer, whether or not
  // the text fitted, so one more unit is asked for than it needs.
  return GrowingText([&](wchar_t* buffer, DWORD size) {
           const DWORD needed = ExpandEnvironmentStringsW(AsWide(text), buffer, size);
           return needed <= size ? needed - (needed > 0) : needed;
         })
      .value_or(text);
}

std::vector<std::u16string> WindowsPlatform::SystemFolders() {
  std::vector<std::u16string> folders;
  const auto system =
      GrowingText([](wchar_t* buffer, DWORD size) { return GetSystemDirectoryW(buffer, size); });
  const auto windows =
      GrowingText([](wchar_t* buffer, DWORD size) { return GetWindowsDirectoryW(buffer, size); });
  if (system) folders.push_back(*system);
  if (windows) folders.insert(folders.end(), {*windows + u"\\System", *windows});
  return folders;
}

std::u16string WindowsPlatform::ComparableFolder(const std::u16string& folder) {
  const std::u16string long_form = GrowingText([&](wchar_t* buffer, DWORD size) {
                                     return GetLongPathNameW(AsWide(folder), buffer, size);
                                   }).value_or(folder);
  std::wstring upper(long_form.size(), L'\0');
  const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, AsWide(long_form),
                                   static_cast<int>(long_form.size()), upper.data(),
                                   static_cast<int>(upper.size()), nullptr, nullptr, 0);
  return length > 0 ? FromWide(std::wstring_view(upper.data(), static_cast<std::size_t>(length)))
                    : long_form;
}

void WindowsPlatform::Trace(std::u16string_view line) {
  const std::u16string text = u"Smeltra: " + std::u16string(line) + u"\n";
  OutputDebugStringW(AsWide(text));
}

namespace {

struct Piped final : Platform::Object {
  explicit Piped(LogPump pump) : pipe(std::move(pump)) {}
  OutputPipe pipe;
};

}  // namespace

Platform::Owned WindowsPlatform::PipeInto(const ServerLog& log, std::u16string header) {
  return std::make_unique<Piped>(LogPump(*this, log, std::move(header)));
}

Platform::Process WindowsPlatform::StartHidden(const std::u16string& program,
                                               const std::u16string& command_line,
                                               const std::u16string& working_folder,
                                               const std::u16string& output, Object* claim,
                                               bool tied, Object* pipe) {
  // The runtime's standard handles, made to be inherited: nothing to read,
  // and the log to write, or nowhere where there is none.
  SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
  const UniqueFile nothing(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                       OPEN_EXISTING, 0, nullptr));
  if (!nothing) throw SystemError(GetLastError());
  UniqueFile log;
  if (!output.empty()) {
    // Appending only: what the runtime writes always lands at the end, even
    // beside another writer, and nothing it does can write over the header.
    log = UniqueFile(CreateFileW(AsWide(output), FILE_APPEND_DATA | SYNCHRONIZE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!log) {
      Trace(u"log: " + output + u" cannot be opened, the server starts without one: " +
            SystemError(GetLastError()).description());
    }
  }
  OutputPipe* const piped = pipe ? &static_cast<Piped&>(*pipe).pipe : nullptr;
  const HANDLE written = piped ? piped->writer.get() : log ? log.get() : nothing.get();

  // Only these handles are inherited, named one by one: a handle the
  // launcher was given inheritable (a caller's pipe for its own output)
  // would otherwise stay open for as long as the server runs.
  std::vector<HANDLE> handed{nothing.get()};
  if (written != nothing.get()) handed.push_back(written);
  if (claim) handed.push_back(Of(*claim).handle.get());
  if (claim && Of(*claim).mark) handed.push_back(Of(*claim).mark.get());
  SIZE_T list_size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &list_size);
  std::vector<std::byte> list_storage(list_size);
  UniqueAttributeList list;
  if (!InitializeProcThreadAttributeList(
          reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list_storage.data()), 1, 0, &list_size)) {
    throw SystemError(GetLastError());
  }
  list.reset(reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list_storage.data()));
  if (!UpdateProcThreadAttribute(list.get(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handed.data(),
                                 handed.size() * sizeof(HANDLE), nullptr, nullptr)) {
    throw SystemError(GetLastError());
  }

  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof(startup);
  startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.StartupInfo.wShowWindow = SW_HIDE;
  startup.StartupInfo.hStdInput = nothing.get();
  startup.StartupInfo.hStdOutput = written;
  startup.StartupInfo.hStdError = written;
  startup.lpAttributeList = list.get();
  // CreateProcessW may write into the command line, so it gets its own copy.
  std::wstring line(AsWide(command_line), command_line.size());
  // A console of its own, as a console program needs, but without a window:
  // since Windows 11 22H2 a new console goes to the default terminal, which
  // shows it whatever the show state says, and closing it ends the server.
  // Held until it is in its job, so that nothing it starts escapes the job.
  DWORD flags = CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT | CREATE_SUSPENDED;
  // Out of a job this launcher runs in, where the job lets it go: the server
  // outlives the launcher, and a job that ends its programs when it closes (a
  // build agent's, a terminal's) would end it too.
  BOOL in_job = FALSE;
  JOBOBJECT_BASIC_LIMIT_INFORMATION outer{};
  if (IsProcessInJob(GetCurrentProcess(), nullptr, &in_job) && in_job &&
      QueryInformationJobObject(nullptr, JobObjectBasicLimitInformation, &outer, sizeof(outer),
                                nullptr) &&
      (outer.LimitFlags & JOB_OBJECT_LIMIT_BREAKAWAY_OK) != 0) {
    flags |= CREATE_BREAKAWAY_FROM_JOB;
  }
  // Ignoring Ctrl+C is passed on to a new process: a launcher started by a
  // program that made it ignore Ctrl+C would start a server that no stop
  // can ask to end.
  SetConsoleCtrlHandler(nullptr, FALSE);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(AsWide(program), line.data(), nullptr, nullptr, TRUE, flags, nullptr,
                      working_folder.empty() ? nullptr : AsWide(working_folder),
                      &startup.StartupInfo, &started)) {
    throw SystemError(GetLastError());
  }
  const UniqueHandle thread(started.hThread);
  // The runtime holds its own end now; with this one gone, the pipe breaks
  // once the runtime and what it started are.
  if (piped) piped->writer.reset();
  auto runtime = std::make_unique<Kernel>();
  runtime->handle.reset(started.hProcess);
  FILETIME created{}, unused{};
  GetProcessTimes(runtime->handle.get(), &created, &unused, &unused, &unused);
  runtime->identity = {started.dwProcessId, Moment(created)};
  // The job lives, by its name, as long as the runtime holds it; one tied
  // to this process lives as long as this process, and takes them along.
  UniqueHandle job(CreateJobObjectW(nullptr, JobName(runtime->identity).c_str()));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  HANDLE held = nullptr;
  if (!job || !AssignProcessToJobObject(job.get(), runtime->handle.get()) ||
      !(tied ? SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                       sizeof(limits))
             : DuplicateHandle(GetCurrentProcess(), job.get(), runtime->handle.get(), &held, 0,
                               FALSE, DUPLICATE_SAME_ACCESS))) {
    Trace(
        u"job: the programs the server starts cannot be tied to it, so a forced end ends it "
        u"alone: " +
        SystemError(GetLastError()).description());
  }
  if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
    const DWORD code = GetLastError();
    TerminateProcess(runtime->handle.get(), 1);
    throw SystemError(code);
  }
  if (tied) runtime->job = std::move(job);
  const ProcessIdentity identity = runtime->identity;
  return {std::move(runtime), identity};
}

LauncherError SystemError(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  const UniqueLocalMemory owner(text);
  std::wstring_view message(text != nullptr ? text : L"", text != nullptr ? length : 0);
  message = message.substr(0, message.find_last_not_of(L" \t\r\n") + 1);
  if (message.empty()) {
    return LauncherError(u"Error " + Decimal(code) + u".", code);
  }
  return LauncherError(FromWide(message), code);
}

void HardenDllSearch() {
  // Looked up at run time so that the launcher still starts where the
  // function does not exist (it came with a later update of Windows 7).
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  if (const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll"); kernel32 != nullptr) {
    if (const FARPROC address = GetProcAddress(kernel32, "SetDefaultDllDirectories")) {
      reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(address))(
          LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
  }
  SetDllDirectoryW(L"");
}

}  // namespace smeltra
