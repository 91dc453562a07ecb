#include "launcher/windows/dpi.h"

namespace smeltra {
namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// A user32 function that older systems lack, or nullptr.
template <class Function>
Function User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  const FARPROC address = GetProcAddress(user32, name);
  return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

}  // namespace

unsigned WindowDpi(HWND window) {
  if (const auto get_dpi_for_window = User32Function<GetDpiForWindowFunction>("GetDpiForWindow")) {
    if (const UINT dpi = get_dpi_for_window(window); dpi != 0) return dpi;
  }
  // Before Windows 10 the screen's logical DPI is the system's, one for all monitors.
  if (HDC screen = GetDC(nullptr); screen != nullptr) {
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpi > 0) return static_cast<unsigned>(dpi);
  }
  return kDefaultDpi;
}

SIZE WindowSizeForClient(SIZE client, DWORD style, DWORD ex_style, unsigned dpi) {
  RECT frame{0, 0, client.cx, client.cy};
  const auto adjust_for_dpi =
      User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
  if (adjust_for_dpi == nullptr || !adjust_for_dpi(&frame, style, FALSE, ex_style, dpi)) {
    frame = RECT{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  }
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace smeltra
