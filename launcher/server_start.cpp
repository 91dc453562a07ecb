#include "launcher/server_start.h"

#include "launcher/mod_main.h"
#include "launcher/server_command_line.h"
#include "registry/launcher_error.h"

namespace smeltra {

ExitCode StartServer(Registry& registry, std::span<const RegistryView> views, UserInterface& ui,
                     LauncherPlatform& platform) {
  const std::string java_home = LocateJavaRuntime(registry, views, ui);
  std::string command_line;
  try {
    const std::string folder = platform.LauncherFolder();
    command_line = ServerCommandLine(java_home, folder);
    platform.StartHidden(command_line, folder);
    return ExitCode::kServerStarted;
  } catch (const std::exception& error) {
    std::string text(kServerNotStartedMessage);
    text.append("\r\n\r\n").append(ErrorDescription(error));
    if (!command_line.empty()) text.append("\r\n\r\n").append(command_line);
    ui.ShowMessage(text);
    return ExitCode::kServerNotStarted;
  }
}

}  // namespace smeltra
