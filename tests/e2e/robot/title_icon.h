#pragma once

#include <windows.h>

#include <string>

#include "json_line.h"

namespace smeltra::robot {

// Whether the title bar of `window` shows the icon of program `exe_path`
// (its first icon group, at the small-icon size, as the window system draws
// a caption's icon). The icon is drawn twice, on black and on white, to learn
// which of its pixels are opaque; those must appear in the top left corner
// of the window as they are. Another process's icon handles cannot be read
// under Wine, so the pixels on the screen are the evidence.
//
// The result: {"matched", "opaque", "mismatched" (at the best place), "size"},
// or {"matched": false, "error"} when the icon cannot be loaded or drawn.
JsonObject CheckTitleIcon(HWND window, const std::wstring& exe_path);

}  // namespace smeltra::robot
