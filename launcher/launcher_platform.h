#pragma once

#include <string>

namespace smeltra {

// What the start-up needs of the operating system besides the registry and
// the user. Failures throw LauncherError with the system's error code and its
// own message for it.
class LauncherPlatform {
 public:
  virtual ~LauncherPlatform() = default;

  // The full path of the folder that holds the launcher's executable, without
  // a trailing separator except at a drive's root ("C:\").
  virtual std::string LauncherFolder() = 0;

  // Starts `command_line` as a new process with its window hidden and
  // `working_folder` as its current folder, and returns without waiting.
  virtual void StartHidden(const std::string& command_line, const std::string& working_folder) = 0;
};

}  // namespace smeltra
