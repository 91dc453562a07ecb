#pragma once

// DPI queries that work from Windows Vista on: the per-monitor functions of
// Windows 10 are looked up at run time, with the system-wide answers in their
// place where they are missing.

#include <windows.h>

namespace smeltra {

inline constexpr unsigned kDefaultDpi = 96;

// The DPI `window` is shown at: its monitor's under per-monitor awareness,
// otherwise the system's. kDefaultDpi when neither can be read.
unsigned WindowDpi(HWND window);

// The outer size of a window with `style` and `ex_style` (no menu) whose
// client area is `client` at `dpi`.
SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD ex_style, unsigned dpi);

}  // namespace smeltra
