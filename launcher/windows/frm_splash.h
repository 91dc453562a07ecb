#pragma once

// frmSplash, the splash window the program opens with. It shows the product's
// picture and labels for Timer1's interval; its one tick closes it and runs
// the start-up. Clicks and key presses on it do nothing.

#include <ocidl.h>
#include <windows.h>

#include <array>
#include <functional>

#include "launcher/platform.h"
#include "launcher/windows/splash_layout.h"
#include "launcher/windows/unique_handles.h"

namespace smeltra {

struct SplashOptions {
  // Arms Timer1 when the window is created. Tests leave it off and send the
  // tick themselves, so nothing starts behind their back.
  bool arm_timer = true;
  // Lays the window out for this DPI and keeps it there; 0 follows the DPI
  // of the monitor the window is on.
  unsigned dpi = 0;
};

// The splash window. The object owns the window and every font and picture
// it shows; the window must not outlive the object, which destroys it if it
// is still there. One thread: create, run the message loop and destroy on
// the same one, with COM initialised on it for the picture.
//
// Ending the program goes through the thread's quit message:
// - Timer1's tick destroys the window, runs `start_up` and only after that
//   returns posts the quit message with its exit code. Message boxes that
//   `start_up` shows in between therefore wait for the user; a quit message
//   already queued would make each of them return at once, unseen.
// - Closing the window before the tick posts the quit message with
//   ExitCode::kServerStarted, and `start_up` never runs.
class FrmSplash {
 public:
  // What the tick runs once the splash is gone; it may end the process itself.
  using StartUp = std::function<ExitCode()>;

  // `instance` is the module whose resources hold the picture and the icon.
  FrmSplash(HINSTANCE instance, StartUp start_up, SplashOptions options = {});
  ~FrmSplash();
  FrmSplash(const FrmSplash&) = delete;
  FrmSplash& operator=(const FrmSplash&) = delete;

  // Creates the window hidden, laid out and centred on the primary monitor,
  // with Timer1 armed. False when the window could not be created.
  bool Create();

  // The window, or nullptr before Create and after it is destroyed.
  HWND window() const noexcept { return window_.get(); }

  // The DPI the window is laid out for.
  unsigned dpi() const noexcept { return dpi_; }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  bool OnCreate();
  void OnTimer1();
  void OnDestroy();
  void OnNcDestroy();
  LRESULT OnCtlColorStatic(HDC dc, HWND control);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  void OnDpiChanged(unsigned dpi, const RECT& suggested);

  // Fonts, child positions and the window's size for `dpi`; the window's top
  // left corner stays where it is.
  void LayOut(unsigned dpi);
  void CentreOnPrimaryMonitor();

  HINSTANCE instance_;
  StartUp start_up_;
  SplashOptions options_;
  UniqueWindow window_;
  unsigned dpi_ = 96;
  bool quit_when_destroyed_ = true;
  ComPtr<IPicture> picture_;
  SIZE picture_size_{};                                 // pixels as drawn; {0, 0} without a picture
  std::array<UniqueFont, kSplashLabels.size()> fonts_;  // same order as kSplashLabels
};

}  // namespace smeltra
