#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace smeltra {

struct ServerLog;

// The launcher's exit status, so that a script or an installer can tell a
// started server from each way of not starting one.
enum class ExitCode : int {
  kServerStarted = 0,  // also: the splash was closed before the start-up ran
  kNoRuntimeInstalled = 1,
  kNoRuntimeNewEnough = 2,
  kServerNotStarted = 3,
  kAlreadyRunning = 4,
  // Of Smeltra.exe --stop:
  kServerStopped = 0,
  kNotRunning = 5,
  kEndedAfterLimit = 6,
  kNotStopped = 7,
  // Of Smeltra.exe --install-service and --uninstall-service: not done
  // (one box gives Windows' reason), or the service's name is another
  // folder's launcher's.
  kServiceNotInstalled = 8,
  kServiceNameTaken = 9,
  // Smeltra.exe --service started by hand, not by the service manager.
  kNotAService = 10,
  // The service's own code for a server that ended on its own, after its
  // start, with a status other than 0.
  kServerEndedOnItsOwn = 11,
};

// What the service manager keeps of a service.
struct ServiceSettings {
  std::u16string name, display_name, description;
  std::u16string command_line;  // the program quoted, then its arguments
  std::u16string account;       // the one it runs as, which needs no password
  // Windows restarts it after a failure: after these delays, the last for
  // every later failure, counting failures afresh after `failures_reset`.
  std::vector<std::chrono::seconds> restarts;
  std::chrono::seconds failures_reset{};
  std::chrono::milliseconds shutdown_time{};  // asked for before Windows shuts down
  std::u16string log_folder;                  // made, and writable by `account`
};

// How the service manager sees a service.
enum class ServiceState { kNotInstalled, kStopped, kPending, kRunning };

// A process as an installation's claim records it: its id, and when it was
// created (in the platform's clock), which tells it from a later process
// given the same id. An id of 0 names no process.
struct ProcessIdentity {
  std::uint32_t id = 0;
  std::uint64_t created = 0;
  friend bool operator==(const ProcessIdentity&, const ProcessIdentity&) = default;
};

// The system's number for "access is denied", which LauncherError::code
// carries where the system refused a kernel object to this user.
inline constexpr std::uint32_t kAccessDeniedCode = 5;

// What the start-up needs of the operating system besides the registry.
// Failures of the system calls throw LauncherError with the system's own
// message for the error.
class Platform {
 public:
  virtual ~Platform() = default;

  // False where no one can see a window this process shows: on a window
  // station that is not visible (a service's; a scheduled task's that runs
  // whether or not a user is logged on), where a box would wait for good.
  virtual bool CanShowWindows() = 0;

  // Shows `prompt` in a modal box with an OK button alone and no icon,
  // captioned with the application title; returns once the user closed it.
  virtual void ShowMessage(std::u16string_view prompt) = 0;

  // True when `path` names an existing file. Never throws.
  virtual bool FileExists(const std::u16string& path) = 0;

  // The bytes of the file at `path`; nothing when no file is there (neither
  // it nor a folder on its way exists). Of a file longer than `max_bytes`
  // only the first max_bytes + 1 bytes are read and returned, so that the
  // caller sees it is too long without reading it all. Throws when something
  // is there but cannot be read: access denied, the file in use, a folder.
  virtual std::optional<std::string> ReadFile(const std::u16string& path,
                                              std::size_t max_bytes) = 0;

  // The full path of the running executable, however long.
  virtual std::u16string ExecutablePath() = 0;

  // The value of the environment variable `name`; nothing when it is not set.
  virtual std::optional<std::u16string> EnvironmentVariable(std::u16string_view name) = 0;

  // `text` with each %NAME% replaced by that variable's value, as Windows
  // expands a REG_EXPAND_SZ value; references to unset variables stay as
  // they are.
  virtual std::u16string ExpandEnvironment(const std::u16string& text) = 0;

  // The folders Windows searches for a program between the two it must never
  // search here (the program's own folder and the current folder) and PATH:
  // the system folder, the 16-bit system folder and the Windows folder.
  virtual std::vector<std::u16string> SystemFolders() = 0;

  // One line for a debugger (DebugView on a user's machine) to see why a
  // runtime was or was not taken; nothing is shown or written.
  virtual void Trace(std::u16string_view line) = 0;

  // A kernel object the platform opened for the server's life: a log open to
  // append to, a lock taken, a claim, a process. Portable code holds it and
  // never looks inside; destroying it closes it (and lets go of a lock).
  class Object {
   public:
    virtual ~Object() = default;
  };
  using Owned = std::unique_ptr<Object>;

  // The file at `path` open to append to, made with every folder on its way
  // that is missing; others may read and write it meanwhile, but nobody
  // moves it while it is open.
  virtual Owned OpenToAppend(const std::u16string& path) = 0;
  // Appends `bytes` to `file` (from OpenToAppend), at its end whoever else
  // writes it.
  virtual void Append(Object& file, std::string_view bytes) = 0;
  // The size of `file` (from OpenToAppend), with what others wrote to it.
  virtual std::uint64_t SizeOf(Object& file) = 0;

  // Moves the file `from` to `to`, replacing a file there; false when there
  // is no file `from` to move (nor its folder).
  virtual bool MoveFile(const std::u16string& from, const std::u16string& to) = 0;

  // The bytes of the file at `path` from `offset` to its end; of more than
  // `max_bytes` only the last max_bytes + 1, so that the caller sees they
  // were cut. Nothing when no file is there.
  virtual std::optional<std::string> ReadFileEnd(const std::u16string& path, std::uint64_t offset,
                                                 std::size_t max_bytes) = 0;

  // `bytes` read in the system's code page, in which programs write text
  // that are not told otherwise (a Java runtime whose output is a file).
  virtual std::u16string FromSystemCodePage(std::string_view bytes) = 0;

  // The local date and time to the second: "2026-12-07 21:04:33".
  virtual std::u16string LocalTime() = 0;

  // `folder` (a full path) as Windows compares paths: its long names, in
  // upper case.
  virtual std::u16string ComparableFolder(const std::u16string& folder) = 0;

  // The local time at `moment`, a time of the platform's clock such as a
  // process's creation: "2026-12-07 21:04:33".
  virtual std::u16string LocalTimeAt(std::uint64_t moment) = 0;

  // What follows are the kernel objects of the server's life, which
  // server_life.h orders. Names are an installation's key and a role; the
  // platform puts them where launchers of one user's session meet. Each
  // throws LauncherError, its code kAccessDeniedCode where a process with
  // more rights made the object.

  // A process opened to be watched and stopped, and who it is.
  struct Process {
    Owned process;  // empty: none runs
    ProcessIdentity identity;
  };

  // The lock `name`, which one process holds at a time: taken within `wait`
  // (also when its holder ended without letting go of it), or empty when
  // another held it all that time.
  virtual Owned TakeLock(const std::u16string& name, std::chrono::milliseconds wait) = 0;

  // The claim `name`: the record of the process that holds an installation,
  // which lives as long as some process has it open. Made, naming no
  // process, where none has; `made` says so. While some process has it open,
  // ServedAnywhere says so.
  virtual Owned OpenClaim(const std::u16string& name, bool& made) = 0;
  virtual ProcessIdentity ReadClaim(Object& claim) = 0;
  virtual void WriteClaim(Object& claim, const ProcessIdentity& process) = 0;

  // True when a server of the installation `key` runs in any Windows
  // session, as its claim marks it where every session sees it: how the
  // service, in a session of its own, sees a user's.
  virtual bool ServedAnywhere(const std::u16string& key) = 0;

  // The running process `id`; an empty one when none runs by that id.
  virtual Process OpenProcess(std::uint32_t id) = 0;

  // A pipe into the run's `log` (LogPump, with `header` atop each new file),
  // read for as long as a writer holds it, for StartHidden.
  virtual Owned PipeInto(const ServerLog& log, std::u16string header) = 0;

  // Starts `program` (a full path, never searched for) with `command_line`
  // as a new process with a console of its own that has no window, able to
  // hear Ctrl+C whatever this process was told, with `working_folder` as its
  // current folder (empty: this process's own). Its standard output and
  // error are appended to the file `output` (empty, or a file that cannot be
  // opened: they go nowhere, traced), or go into `pipe` (PipeInto) where
  // given, and its standard input reads nothing.
  // It inherits `claim` (may be null) and no other handle of this process's,
  // and every process it starts in turn is its own to end with it (EndTree;
  // where the system cannot tie them to it, traced). `tied`: they all end
  // with this process too, however it ends (a service's runtime, which no
  // one would supervise without it).
  virtual Process StartHidden(const std::u16string& program, const std::u16string& command_line,
                              const std::u16string& working_folder, const std::u16string& output,
                              Object* claim, bool tied, Object* pipe) = 0;

  // The service `name` as the service manager sees it, and where it is
  // installed, its command line. Never throws: kNotInstalled where that
  // cannot be told (traced).
  virtual ServiceState QueryService(const std::u16string& name, std::u16string& command_line) = 0;
  // Registers the service `settings` describe, or updates the one
  // registered by its name, in full or not at all; makes its log folder
  // writable by its account. True when it registered a new one.
  virtual bool RegisterService(const ServiceSettings& settings) = 0;
  // Starts the service `name`; one running already is no failure.
  virtual void StartService(const std::u16string& name) = 0;
  // Asks the service manager to stop the service `name` and waits up to
  // `wait` for it to be stopped; one stopped already is no failure.
  virtual void StopService(const std::u16string& name, std::chrono::milliseconds wait) = 0;
  virtual void DeleteService(const std::u16string& name) = 0;

  // Waits up to `wait` for `process` to end: its exit status when it did;
  // nothing while it runs on (or cannot be waited for).
  virtual std::optional<std::uint32_t> WaitForEnd(Object& process,
                                                  std::chrono::milliseconds wait) = 0;

  // Asks `process` to end as Ctrl+C in its console would.
  virtual void AskToEnd(Object& process) = 0;

  // Ends `process` and every process it started, at once, as Task Manager's
  // "End task" would, and waits a moment for them to go.
  virtual void EndTree(Object& process) = 0;
};

}  // namespace smeltra
