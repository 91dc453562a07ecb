#pragma once

// frmSplash, the splash window the program opens with. It shows the product's
// picture and labels for Timer1's interval; its one tick closes it and runs
// the start-up. Clicks and key presses on it do nothing.

#include <ocidl.h>
#include <windows.h>

#include <array>
#include <functional>

#include "common/windows/unique_handles.h"
#include "launcher/platform.h"
#include "launcher/windows/splash_layout.h"

namespace smeltra {

// The splash window. The object owns the window, through `window_` alone,
// which destroys it at the tick, when the user closes it, or with the
// object; and every font and picture it shows. One thread: create, run the
// message loop and destroy on the same one, with COM initialised on it for
// the picture.
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
  // What the tick runs once the splash is gone.
  using StartUp = std::function<ExitCode()>;

  // `instance` is the module whose resources hold the picture and the icon.
  FrmSplash(HINSTANCE instance, StartUp start_up);
  FrmSplash(const FrmSplash&) = delete;
  FrmSplash& operator=(const FrmSplash&) = delete;

  // Creates the window hidden, laid out and centred on the primary monitor,
  // with Timer1 armed. False when the window could not be created.
  bool Create();

  // The window, or nullptr before Create and after it is destroyed.
  HWND window() const noexcept { return window_.get(); }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  bool OnCreate();
  void OnTimer1();
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
  UniqueWindow window_;
  ComPtr<IPicture> picture_;
  SIZE picture_size_{};                                 // pixels as drawn; {0, 0} without a picture
  std::array<UniqueFont, kSplashLabels.size()> fonts_;  // same order as kSplashLabels
};

}  // namespace smeltra
