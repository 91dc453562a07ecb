#pragma once

#include <windows.h>

namespace smeltra::robot {

// What a person does to a window. The "real" forms go through the system's
// input queue (SendInput) after bringing the window to the front, as a
// mouse or keyboard would; the "posted" forms put the messages straight into
// the window's queue, so that they arrive even when the window cannot take
// the focus. All return at once; none waits for the window to react.

// A left click at `x`, `y` in the window's client coordinates. The real forms
// return whether the window was in front to receive it.
bool RealClick(HWND window, int x, int y);
void PostedClick(HWND window, int x, int y);

// A press and release of virtual key `key`.
bool RealKey(HWND window, WORD key);
void PostedKey(HWND window, WORD key);

// The window system's own close command, as the close button gives it.
void PostClose(HWND window);

// Presses the OK button (control id IDOK) of a dialog as a click on it would;
// false when the dialog has no such button.
bool ClickOk(HWND dialog);

}  // namespace smeltra::robot
