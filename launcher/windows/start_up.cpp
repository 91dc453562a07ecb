#include "launcher/windows/start_up.h"

#include <vector>

#include "launcher/mod_main.h"
#include "launcher/server_start.h"
#include "launcher/windows/platform/message_box_ui.h"
#include "launcher/windows/platform/windows_launcher_platform.h"
#include "registry/windows/windows_registry.h"

namespace smeltra {

ExitCode RunStartUp() {
  WindowsUserInterface ui;
  WindowsRegistry registry;
  WindowsLauncherPlatform platform;
  const std::vector<RegistryView> views = RuntimeSearchViews(WindowsHasTwoRegistryViews());
  return StartServer(registry, views, ui, platform);
}

}  // namespace smeltra
