#pragma once

#include <string>

#include "launcher/launcher_platform.h"

namespace smeltra {

// The launcher's platform operations on Windows: the executable's own folder
// and the hidden process start. Failures throw LauncherError with the
// system's error code and message.
class WindowsLauncherPlatform final : public LauncherPlatform {
 public:
  std::string LauncherFolder() override;
  void StartHidden(const std::string& command_line, const std::string& working_folder) override;
};

}  // namespace smeltra
