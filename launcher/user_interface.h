#pragma once

#include <string_view>

#include "launcher/exit_code.h"

namespace smeltra {

// The title every message box of the launcher carries.
inline constexpr std::string_view kApplicationTitle = "Tolvan Smeltra";

// How the start-up talks to the user.
class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // Shows `prompt` in a modal box with an OK button alone and no icon,
  // captioned kApplicationTitle; returns once the user has closed it.
  virtual void ShowMessage(std::string_view prompt) = 0;

  // Ends the whole program with `code` at once; never returns. (A test's
  // version throws something that is not a std::exception instead, which no
  // handler of the launcher catches.)
  [[noreturn]] virtual void EndProgram(ExitCode code) = 0;
};

}  // namespace smeltra
