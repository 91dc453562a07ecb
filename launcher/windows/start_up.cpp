#include "launcher/windows/start_up.h"

#include <exception>
#include <string>
#include <vector>

#include "launcher/mod_main.h"
#include "launcher/server_start.h"
#include "launcher/windows/platform/message_box_ui.h"
#include "launcher/windows/platform/windows_launcher_platform.h"
#include "registry/windows/windows_registry.h"

namespace smeltra {

ExitCode RunStartUp() {
  WindowsUserInterface ui;
  try {
    WindowsRegistry registry;
    WindowsLauncherPlatform platform;
    const std::vector<RegistryView> views = RuntimeSearchViews(WindowsHasTwoRegistryViews());
    return StartServer(registry, views, ui, platform);
  } catch (const std::exception& error) {
    // Out of memory, in practice: say so rather than vanish without a word.
    try {
      std::string text(kServerNotStartedMessage);
      text.append("\r\n\r\n").append(error.what());
      ui.ShowMessage(text);
    } catch (...) {
      // Too little memory left even for the box.
    }
    return ExitCode::kServerNotStarted;
  }
}

}  // namespace smeltra
