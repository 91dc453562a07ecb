#pragma once

#include <string>
#include <string_view>

namespace smeltra {

// The launcher's exit status, so that a script or an installer can tell a
// started server from each way of not starting one.
enum class ExitCode : int {
  kServerStarted = 0,  // also: the splash was closed before the start-up ran
  kNoRuntimeInstalled = 1,
  kNoRuntimeNewEnough = 2,
  kServerNotStarted = 3,
};

// What the start-up needs of the operating system besides the registry.
// Failures of the system calls throw LauncherError with the system's error
// code and its own message for it.
class Platform {
 public:
  virtual ~Platform() = default;

  // Shows `prompt` in a modal box with an OK button alone and no icon,
  // captioned with the application title; returns once the user closed it.
  virtual void ShowMessage(std::u16string_view prompt) = 0;

  // Ends the whole program with `code` at once; never returns. (A test's
  // version throws something that is not a std::exception instead, which no
  // handler of the launcher catches.)
  [[noreturn]] virtual void EndProgram(ExitCode code) = 0;

  // True when `path` names an existing file. Never throws.
  virtual bool FileExists(const std::u16string& path) = 0;

  // The full path of the running executable, however long.
  virtual std::u16string ExecutablePath() = 0;

  // Starts `command_line` as a new process with its window hidden and
  // `working_folder` as its current folder (empty: this process's own), and
  // returns without waiting and without keeping any handle to it.
  virtual void StartHidden(const std::u16string& command_line,
                           const std::u16string& working_folder) = 0;
};

}  // namespace smeltra
