// Smeltra.exe: opens the splash window and runs the message loop until the
// splash's tick (or the user closing it) ends the program.

#include <objbase.h>
#include <windows.h>

#include "launcher/exit_code.h"
#include "launcher/windows/frm_splash.h"
#include "launcher/windows/platform/hardening.h"
#include "launcher/windows/start_up.h"

namespace {

// COM for this thread, for as long as the program runs: the splash picture
// is decoded through it.
class ComApartment {
 public:
  ComApartment()
      : initialised_(
            SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
  }
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

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
  const ComApartment com;

  smeltra::FrmSplash splash(instance, &smeltra::RunStartUp);
  if (!splash.Create()) {
    // The splash is for show; the server is what the user asked for.
    return static_cast<int>(smeltra::RunStartUp());
  }
  ShowWindow(splash.window(), show_command);
  UpdateWindow(splash.window());
  return RunMessageLoop();
}
