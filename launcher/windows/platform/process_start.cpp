#include "launcher/windows/platform/process_start.h"

#include <windows.h>

#include <string>

#include "launcher/windows/platform/system_message.h"
#include "launcher/windows/platform/unique_handles.h"
#include "registry/windows/wide_text.h"

namespace smeltra {

void StartHiddenProcess(std::string_view command_line, std::string_view working_folder) {
  // CreateProcessW may write into the command line, so it gets its own copy.
  std::wstring line = Widen(command_line);
  const std::wstring folder = Widen(working_folder);

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;

  UniqueProcessInformation process;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, process.put())) {
    throw SystemError(GetLastError());
  }
}

}  // namespace smeltra
