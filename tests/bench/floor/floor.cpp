// The floor of the start-up benchmark: the least that any launcher with a
// splash must do. It shows one bare window (no controls, no picture, no
// registry) for 2 s, then starts the runtime hidden, with the launcher's
// command shape and from its own folder as the launcher does, and ends.
//
// The runtime's home folder comes from the environment variable
// SMELTRA_BENCH_JAVA_HOME, since finding it is the launcher's business and
// not the floor's. Exit status 0 when the runtime was started, 1 when not.

#include <windows.h>

#include <string>
#include <string_view>

#include "launcher/server_command_line.h"
#include "registry/windows/wide_text.h"

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kSplashMilliseconds = 2000;
constexpr wchar_t kClassName[] = L"SmeltraBenchFloor";

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH]{};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring_view file(path, length);
  return std::wstring(file.substr(0, file.find_last_of(L'\\')));
}

std::wstring JavaHome() {
  wchar_t home[MAX_PATH]{};
  const DWORD length = GetEnvironmentVariableW(L"SMELTRA_BENCH_JAVA_HOME", home, MAX_PATH);
  return length < MAX_PATH ? std::wstring(home, length) : std::wstring();
}

bool StartRuntimeHidden() {
  const std::wstring folder = ProgramFolder();
  std::wstring line = smeltra::Widen(
      smeltra::ServerCommandLine(smeltra::Narrow(JavaHome()), smeltra::Narrow(folder)));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
      KillTimer(window, kTimerId);
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kClassName;
  if (RegisterClassW(&window_class) == 0) return 1;

  const HWND window = CreateWindowExW(0, kClassName, L"Floor", WS_POPUP | WS_BORDER, CW_USEDEFAULT,
                                      CW_USEDEFAULT, 480, 320, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, show_command);
  UpdateWindow(window);
  SetTimer(window, kTimerId, kSplashMilliseconds, nullptr);

  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return StartRuntimeHidden() ? 0 : 1;
}
