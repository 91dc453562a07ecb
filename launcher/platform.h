#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace smeltra {

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
};

// Who holds an installation: this launcher, now that it claimed it, or the
// server (or the launcher starting it) that held it already.
struct Claim {
  enum class Holder {
    kThisLauncher,
    kServer,    // `process_id` since `since` ("2026-12-07 21:04:33")
    kStarting,  // another launcher, not yet done starting its server
    kElevated,  // something started with administrator rights: no more can be read
  };
  Holder holder = Holder::kThisLauncher;
  std::uint32_t process_id = 0;
  std::u16string since = {};
};

// How a stop ended, when it did not fail.
enum class StopOutcome { kStopped, kNotRunning, kEndedAfterLimit };

// What the start-up needs of the operating system besides the registry.
// Failures of the system calls throw LauncherError with the system's own
// message for the error.
class Platform {
 public:
  virtual ~Platform() = default;

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

  // Appends `bytes` to the file at `path`, making the file and every folder
  // on its way that is missing; others may read and write the file
  // meanwhile. Returns the file's size after the write.
  virtual std::uint64_t AppendFile(const std::u16string& path, std::string_view bytes) = 0;

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

  // Claims the installation named `key` for this launcher, in one step that
  // two launchers cannot both win, unless its server is running (a process
  // that is still the one the claim names) or another launcher is starting
  // it. A claim this launcher wins goes to the runtime that StartHidden
  // starts, which holds it for as long as it runs; when none is started it
  // goes with the launcher.
  virtual Claim ClaimInstallation(const std::u16string& key) = 0;

  // Stops the server of the installation named `key`: asks it to end as
  // Ctrl+C in its console would, waits up to `limit`, and only then ends it.
  // Touches no process but the one its claim names while the claim is held.
  // Throws when it cannot be stopped.
  virtual StopOutcome StopInstallation(const std::u16string& key,
                                       std::chrono::milliseconds limit) = 0;

  // Starts `program` (a full path, never searched for) with `command_line`
  // as a new process with a console of its own that has no window, with
  // `working_folder` as its current folder (empty: this process's own); then
  // waits up to `watch` for it to end. Its standard output and error are
  // appended to the file `output` (empty, or a file that cannot be opened:
  // they go nowhere, traced) and its standard input reads nothing. It takes
  // over this launcher's claim, if any, and inherits no other handle.
  // Returns its exit status when it ended within the watch, nothing when it
  // runs on (or cannot be waited for). Keeps no handle to it on return.
  virtual std::optional<std::uint32_t> StartHidden(const std::u16string& program,
                                                   const std::u16string& command_line,
                                                   const std::u16string& working_folder,
                                                   const std::u16string& output,
                                                   std::chrono::milliseconds watch) = 0;
};

}  // namespace smeltra
