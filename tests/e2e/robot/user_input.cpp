#include "user_input.h"

namespace smeltra::robot {
namespace {

POINT ToScreen(HWND window, int x, int y) {
  POINT point{x, y};
  ClientToScreen(window, &point);
  return point;
}

bool BringToFront(HWND window) {
  SetForegroundWindow(window);
  return GetForegroundWindow() == window;
}

LPARAM PointParam(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                    static_cast<WORD>(static_cast<short>(y)));
}

}  // namespace

bool RealClick(HWND window, int x, int y) {
  const bool in_front = BringToFront(window);
  const POINT point = ToScreen(window, x, y);
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT inputs[3] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(point.x, 65535, width - 1);
    input.mi.dy = MulDiv(point.y, 65535, height - 1);
  }
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  SendInput(3, inputs, sizeof(INPUT));
  return in_front;
}

void PostedClick(HWND window, int x, int y) {
  // The control under the point gets the click, as it would from the mouse.
  POINT point{x, y};
  HWND target = ChildWindowFromPointEx(window, point, CWP_SKIPINVISIBLE);
  if (target == nullptr) target = window;
  MapWindowPoints(window, target, &point, 1);
  PostMessageW(target, WM_MOUSEMOVE, 0, PointParam(point.x, point.y));
  PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(point.x, point.y));
  PostMessageW(target, WM_LBUTTONUP, 0, PointParam(point.x, point.y));
  PostMessageW(target, WM_LBUTTONDBLCLK, MK_LBUTTON, PointParam(point.x, point.y));
  PostMessageW(target, WM_LBUTTONUP, 0, PointParam(point.x, point.y));
}

bool RealKey(HWND window, WORD key) {
  const bool in_front = BringToFront(window);
  INPUT inputs[2] = {};
  inputs[0].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = key;
  inputs[1] = inputs[0];
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
  return in_front;
}

void PostedKey(HWND window, WORD key) {
  const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | static_cast<LPARAM>(scan) << 16;
  const LPARAM up = down | 0xC0000000L;
  PostMessageW(window, WM_KEYDOWN, key, down);
  const UINT character = MapVirtualKeyW(key, MAPVK_VK_TO_CHAR);
  if (character != 0) PostMessageW(window, WM_CHAR, character, down);
  PostMessageW(window, WM_KEYUP, key, up);
}

void PostClose(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool ClickOk(HWND dialog) {
  HWND button = GetDlgItem(dialog, IDOK);
  if (button == nullptr) return false;
  // What the button itself tells the dialog when it is clicked; posted, so
  // that the robot never blocks on a box, and independent of which window
  // has the focus.
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  return true;
}

}  // namespace smeltra::robot
