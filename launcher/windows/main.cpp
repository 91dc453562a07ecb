// Smeltra.exe: opens the splash window and runs the message loop until the
// splash's tick (or the user closing it) ends the program.

#include <windows.h>

#include "launcher/exit_code.h"
#include "launcher/windows/frm_splash.h"
#include "launcher/windows/platform/com_apartment.h"
#include "launcher/windows/platform/hardening.h"
#include "launcher/windows/start_up.h"

namespace {

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
  // The splash picture is decoded through COM.
  const smeltra::ComApartment com;

  smeltra::FrmSplash splash(instance, &smeltra::RunStartUp);
  if (!splash.Create()) {
    // The splash is for show; the server is what the user asked for.
    return static_cast<int>(smeltra::RunStartUp());
  }
  ShowWindow(splash.window(), show_command);
  UpdateWindow(splash.window());
  return RunMessageLoop();
}
