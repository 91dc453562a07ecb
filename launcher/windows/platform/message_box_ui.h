#pragma once

#include <string_view>

#include "launcher/user_interface.h"

namespace smeltra {

// Message boxes with no owner window (the splash is gone by the time any is
// shown), an OK button alone, no icon and kApplicationTitle as caption.
// EndProgram ends the process with the code as its exit status.
class WindowsUserInterface final : public UserInterface {
 public:
  void ShowMessage(std::string_view prompt) override;
  [[noreturn]] void EndProgram(ExitCode code) override;
};

}  // namespace smeltra
