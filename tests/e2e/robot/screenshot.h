#pragma once

#include <windows.h>

#include <string>

namespace smeltra::robot {

// Saves what the screen shows inside `area` (screen pixels) as a 24-bit BMP
// file. False when the area is empty or the file cannot be written.
bool SaveScreenArea(const RECT& area, const std::wstring& path);

// The whole screen (with Wine's virtual desktop: the desktop window).
RECT WholeScreen();

}  // namespace smeltra::robot
