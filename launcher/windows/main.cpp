// Smeltra.exe: opens the splash window and runs the message loop until the
// splash's tick (or the user closing it) ends the program.

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/windows/unique_handles.h"
#include "common/windows/wide_text.h"
#include "launcher/mod_main.h"
#include "launcher/server_start.h"
#include "launcher/service.h"
#include "launcher/windows/frm_splash.h"
#include "launcher/windows/windows_platform.h"
#include "registry/windows/windows_registry.h"

namespace {

// What the splash's tick runs once the splash is gone, on the real system.
smeltra::ExitCode RunStartUp() {
  smeltra::WindowsRegistry registry;
  smeltra::WindowsPlatform platform;
  const std::vector<smeltra::RegistryView> views =
      smeltra::RuntimeSearchViews(smeltra::WindowsHasTwoRegistryViews());
  return smeltra::StartServer(registry, views, platform);
}

// Dispatches messages until the quit message and returns its exit code.
int RunMessageLoop() {
  MSG message{};
  for (;;) {
    const BOOL result = GetMessageW(&message, nullptr, 0, 0);
    if (result == 0) return static_cast<int>(message.wParam);
    if (result == -1) return static_cast<int>(smeltra::ExitCode::kServerNotStarted);
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  // Before anything can load a library.
  smeltra::HardenDllSearch();
  // The arguments as the C runtime read them by Windows' rules.
  std::vector<std::u16string> arguments;
  for (int i = 1; i < __argc; ++i) arguments.push_back(smeltra::FromWide(__wargv[i]));
  using smeltra::Command;
  smeltra::WindowsPlatform platform;
  switch (smeltra::CommandOf(arguments)) {
    case Command::kStop:
      return static_cast<int>(smeltra::StopServer(platform));
    case Command::kInstallService:
      return static_cast<int>(smeltra::InstallService(platform));
    case Command::kUninstallService:
      return static_cast<int>(smeltra::UninstallService(platform));
    case Command::kService:
      return smeltra::RunService();
    case Command::kStart:
      break;
  }
  // No one would see the splash, nor any box: the start-up runs at once and
  // its exit status and the log say how it went.
  if (!platform.CanShowWindows()) return static_cast<int>(RunStartUp());
  // The splash picture is decoded through COM.
  const smeltra::ComApartment com;

  smeltra::FrmSplash splash(instance, &RunStartUp);
  if (!splash.Create()) {
    // The splash is for show; the server is what the user asked for.
    return static_cast<int>(RunStartUp());
  }
  ShowWindow(splash.window(), show_command);
  UpdateWindow(splash.window());
  return RunMessageLoop();
}
