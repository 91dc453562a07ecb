#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "json_line.h"

namespace smeltra::robot {

// The class name every standard message box and dialog carries.
inline constexpr wchar_t kDialogClass[] = L"#32770";

std::wstring ClassName(HWND window);

// A window handle as text ("0x0001004A"), the same in every event.
std::string HandleText(HWND window);

// The text the window itself reports (WM_GETTEXT, 1 s at most), or the text
// the window system keeps for it when the window does not answer in time.
std::wstring WindowText(HWND window);

// Visible top-level windows that belong to process `pid`, in z-order.
std::vector<HWND> VisibleTopLevelWindows(DWORD pid);

bool IsDialog(HWND window);

// Everything a test may ask about a top-level window: title, class, styles,
// window and client rectangles (screen pixels), DPI, the primary screen and
// its work area, icons, and each child
// control (class, id, text, styles, visibility, rectangle relative to the
// top-level window's client area, and whether an image or icon is set).
JsonObject DescribeWindow(HWND window);

}  // namespace smeltra::robot
