#include "launcher/windows/platform/message_box_ui.h"

#include <windows.h>

#include <string>

#include "registry/windows/wide_text.h"

namespace smeltra {

void WindowsUserInterface::ShowMessage(std::string_view prompt) {
  const std::wstring text = Widen(prompt);
  const std::wstring caption = Widen(kApplicationTitle);
  // With no window of its own left, the box asks to come to the front so
  // that it is not hidden behind whatever window started the launcher.
  MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_SETFOREGROUND);
}

void WindowsUserInterface::EndProgram(ExitCode code) { ExitProcess(static_cast<UINT>(code)); }

}  // namespace smeltra
