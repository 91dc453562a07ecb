#include "launcher/windows/platform/windows_launcher_platform.h"

#include "launcher/windows/platform/launcher_folder.h"
#include "launcher/windows/platform/process_start.h"

namespace smeltra {

std::string WindowsLauncherPlatform::LauncherFolder() { return smeltra::LauncherFolder(); }

void WindowsLauncherPlatform::StartHidden(const std::string& command_line,
                                          const std::string& working_folder) {
  StartHiddenProcess(command_line, working_folder);
}

}  // namespace smeltra
