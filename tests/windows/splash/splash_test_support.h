#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "launcher/windows/platform/com_apartment.h"

namespace smeltra::testing {

// Throws away whatever a test left in the thread's queue, quit messages included.
inline void DrainMessages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
}

// The quit message's exit code if one is waiting, and takes it; -1 otherwise.
inline int TakeQuitCode() {
  MSG message{};
  if (!PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return -1;
  return static_cast<int>(message.wParam);
}

inline bool QuitPending() {
  MSG message{};
  return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

inline std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace smeltra::testing
